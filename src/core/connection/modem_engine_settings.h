#pragma once

// Settings of the modem engine that live in the registry beside the program-wide values.
// PppdPath (REG_SZ under the settings key): the pppd to run; empty or absent means
// /usr/sbin/pppd. Tests put a stand-in there where the kernel has no PPP.

#include <string>

#include "core/profiles/registry_store.h"

namespace linkvane {

inline constexpr const char* kPppdPathValue = "PppdPath";
inline constexpr const char* kDefaultPppd = "/usr/sbin/pppd";

std::string ReadPppdPath(RegistryStore& store);

}  // namespace linkvane
