#include "core/clients/active_profile.h"

#include "core/profiles/profile_store.h"

namespace linkvane {

ActiveProfile LoadActiveProfile(RegistryStore& store, std::string_view profileName) {
    return ProfileStore(store).LoadProfile(profileName);
}

}  // namespace linkvane
