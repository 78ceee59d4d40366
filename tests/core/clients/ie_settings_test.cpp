#include "core/clients/ie_settings.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using IESettings = ClientTest;

TEST_F(IESettings, DialUpThenLanWritesStartPagesProxiesAndAutoDial) {
    EXPECT_TRUE(ApplyIESettings(store(), Active(DialUpProfile()), "Demon Dial"));
    std::string exports = "; dial-up profile\n" + Exported();
    // The entry comes from the profile list's text, which need not be the profile's name; the
    // LAN profile disables autodial and leaves the earlier proxies in place.
    EXPECT_TRUE(ApplyIESettings(store(), Active(LanProfile()), "Typed Entry"));
    exports += "; then a LAN profile\n" + Exported();
    ExpectGolden("core/clients/golden/ie_dialup_then_lan.reg", exports);
}

TEST_F(IESettings, ProxyStringTakesOnlyHostsLongerThanThreeCharacters) {
    struct Case {
        const char* httpHost;
        const char* httpPort;
        const char* ftpHost;
        const char* ftpPort;
    };
    // No start page in these profiles: the autodial key is then created under the spelling the
    // autodial value uses, "SOFTWARE", unless a proxy value made it first.
    const Case cases[] = {
        {"", "", "ftp.example.net", "21"},
        {"http.example.net", "", "", ""},
        {"http.example.net", "80a", "ftp.example.net", " 21"},
        {"abc", "8080", "ftp1", "21"},
    };
    std::string exports;
    for (const Case& c : cases) {
        TempDir dir;
        SqliteRegistryStore fresh(dir.path());
        ActiveProfile profile;
        profile.httpProxy = c.httpHost;
        profile.httpProxyPort = c.httpPort;
        profile.ftpProxy = c.ftpHost;
        profile.ftpProxyPort = c.ftpPort;
        profile.proxyOverride = "*.local";
        ApplyIESettings(fresh, profile, "Entry");
        exports += "; http \"" + profile.httpProxy + ":" + profile.httpProxyPort + "\", ftp \"" +
                   profile.ftpProxy + ":" + profile.ftpProxyPort + "\"\n" +
                   Trimmed(ExportAllRoots(fresh).value());
    }
    ExpectGolden("core/clients/golden/ie_proxies.reg", exports);
}

}  // namespace
}  // namespace linkvane::testing
