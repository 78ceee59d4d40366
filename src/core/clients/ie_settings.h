#pragma once

// The Internet Explorer writer: the start page under both roots, the web and FTP proxies with
// their bypass list, and then the system's autodial values (which entry Internet Explorer
// dials on its own, and whether it may dial at all).
//
// Writes go through COXRegistryItem; a failed write leaves that value as it was and the next
// one is still written. Both operations return true whatever happened. User-interface thread.

#include <string>
#include <string_view>

#include "core/clients/active_profile.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

// The "ProxyServer" text: "http=HOST:PORT", "ftp=HOST:PORT" or both joined by ";", with each
// host only when it counts and the ports as they stand; "" when no host counts.
std::string BuildProxyServerString(const ActiveProfile& profile);

// Writes the Internet Explorer values of the profile, then ApplyAutoDial(entryName).
bool ApplyIESettings(RegistryStore& store, const ActiveProfile& profile,
                     std::string_view entryName);

// "EnableAutoDial" (0 for a LAN profile, else 1) and "InternetProfile" = entryName.
bool ApplyAutoDial(RegistryStore& store, const ActiveProfile& profile, std::string entryName);

}  // namespace linkvane
