#pragma once

// The sample profiles that tests, the benchmark and the fuzz seed maker share, so that each
// builds on the same data instead of setting every field by hand.

#include <string>

#include "core/profiles/profile_record.h"

namespace linkvane::testing {

// A profile that dials, with every stored value set (both passwords, every server and proxy,
// keep-alive ping, mail check with sound and alert, both client flags).
ProfileRecord DialUpProfile(const std::string& name = "Demon Dial");

// A profile on the office network: no dialling, other servers, no proxies, no passwords.
ProfileRecord LanProfile(const std::string& name = "Office LAN");

}  // namespace linkvane::testing
