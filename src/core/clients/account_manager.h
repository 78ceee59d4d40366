#pragma once

// The Internet Account Manager writer: one mail account and one news account that carry the
// active profile's servers and identity and are the default accounts.
//
// The account numbers are claimed from the account manager's counter ("Account Name") the
// first time and kept in "\Software\Kestrom\" values "Mail" and "News", so every later run,
// whatever the profile, rewrites the same two accounts. A kept number of 0 counts as none.
// Registry failures are silent; returns true in every case. User-interface thread.

#include <cstdint>
#include <string>

#include "core/clients/active_profile.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

// The account key name: "000000", a "0" when the lower-case hexadecimal form of the number has
// one digit, then that form. Numbers below 256 give eight characters (26 -> "0000001a").
std::string AccountKeyName(std::uint32_t number);

bool ApplyAccountManagerAccounts(RegistryStore& store, const ActiveProfile& profile);

}  // namespace linkvane
