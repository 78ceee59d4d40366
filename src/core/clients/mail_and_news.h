#pragma once

// The Internet Mail and News writer: the default mail and news servers, the sender's identity,
// and one key per server, named after the host as the profile holds it. Switching to another
// server adds a key beside the old ones; the defaults decide which one the client uses.
// Registry failures are silent; returns true in every case. User-interface thread.

#include "core/clients/active_profile.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

bool ApplyMailAndNewsSettings(RegistryStore& store, const ActiveProfile& profile);

}  // namespace linkvane
