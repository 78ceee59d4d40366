#pragma once

// The active profile: the profile in use. Connect loads it once and hands it to the client
// writers, and the Connect controller keeps it for the keep-alive ping and the mail check
// while the call lasts; the main window reloads it after the profile editor. It is the
// profile record itself, read through the one table of profile values (ProfileValues()), its
// two passwords deciphered. Nothing process-wide holds it: whoever needs it is given it.
//
// Failures are silent: a missing or unreadable value loads as "" or 0, and a stored password
// the cipher cannot take (longer than 39 bytes) loads as "".

#include <cstdint>
#include <string_view>

#include "core/profiles/profile_record.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

using ActiveProfile = ProfileRecord;

// Reads the profile's key ("\Software\Kestrom\Linkvane\DialEntry\" + name + "\" under the
// current user), every value afresh.
ActiveProfile LoadActiveProfile(RegistryStore& store, std::string_view profileName);

// The connection type the Microsoft mail clients store: 0 over the LAN, 2 over dial-up.
inline std::uint32_t ClientConnectionType(const ActiveProfile& profile) {
    return profile.useLan != 0 ? 0 : 2;
}

}  // namespace linkvane
