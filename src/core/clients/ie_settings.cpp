#include "core/clients/ie_settings.h"

#include <cstdint>
#include <vector>

#include "core/profiles/host_rules.h"
#include "core/profiles/registry_item.h"

namespace linkvane {

namespace {
// Root-less paths name keys under the current user.
constexpr const char* kStartPageKey = "\\Software\\Microsoft\\Internet Explorer\\Main\\";
constexpr const char* kInternetSettingsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\";
// The same key as kInternetSettingsKey (names compare without case), spelled as autodial has it.
constexpr const char* kAutoDialKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\";
constexpr const char* kRemoteAccessKey = "\\RemoteAccess\\";
}  // namespace

std::string BuildProxyServerString(const ActiveProfile& profile) {
    const bool http = HostCounts(profile.httpProxy);
    const bool ftp = HostCounts(profile.ftpProxy);
    std::string proxy;
    if (http) {
        proxy = "http=" + profile.httpProxy + ":" + profile.httpProxyPort;
        if (ftp)
            proxy += ";";
    }
    if (ftp)
        proxy += "ftp=" + profile.ftpProxy + ":" + profile.ftpProxyPort;
    return proxy;
}

bool ApplyIESettings(RegistryStore& store, const ActiveProfile& profile,
                     std::string_view entryName) {
    if (!profile.homepage.empty()) {
        COXRegistryItem startPage(store, kStartPageKey);
        startPage.SetStringValue(profile.homepage, "Start Page");
        // The machine-wide start page too; where that root cannot be written the user's value
        // above stands.
        startPage.SetRoot("\\LocalMachine");
        startPage.SetStringValue(profile.homepage, "Start Page");
    }

    const std::string proxy = BuildProxyServerString(profile);
    if (!proxy.empty()) {
        COXRegistryItem settings(store, kInternetSettingsKey);
        settings.SetStringValue(proxy, "ProxyServer");
        settings.SetBinaryValue(std::vector<std::uint8_t>{1, 0, 0, 0}, "ProxyEnable");
        settings.SetStringValue(profile.proxyOverride, "ProxyOverride");
    }

    ApplyAutoDial(store, profile, std::string(entryName));
    return true;
}

bool ApplyAutoDial(RegistryStore& store, const ActiveProfile& profile, std::string entryName) {
    COXRegistryItem autoDial(store, kAutoDialKey);
    autoDial.SetNumberValue(profile.useLan != 0 ? 0 : 1, "EnableAutoDial");
    COXRegistryItem remoteAccess(store, kRemoteAccessKey);
    remoteAccess.SetStringValue(entryName, "InternetProfile");
    return true;
}

}  // namespace linkvane
