#include "core/connection/modem_engine_settings.h"

#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"

namespace linkvane {

std::string ReadPppdPath(RegistryStore& store) {
    COXRegistryItem settings(store, kSettingsKey);
    std::string path = settings.GetStringValue(kPppdPathValue);
    return path.empty() ? kDefaultPppd : path;
}

}  // namespace linkvane
