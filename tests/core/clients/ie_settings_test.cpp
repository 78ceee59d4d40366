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

// No start page in these profiles: the autodial key is then created under the spelling the
// autodial value uses, "SOFTWARE", unless a proxy value made it first.
TEST_F(IESettings, ProxyStringJoinsTheProxiesThatAreSet) {
    ExpectGolden("core/clients/golden/ie_proxies.reg",
                 EachProxyCase({{"", "", "ftp.example.net", "21"},
                                {"http.example.net", "", "", ""},
                                {"http.example.net", "80a", "ftp.example.net", " 21"}},
                               [](const ActiveProfile& profile) {
                                   TempDir dir;
                                   SqliteRegistryStore fresh(dir.path());
                                   ApplyIESettings(fresh, profile, "Entry");
                                   return Trimmed(ExportAllRoots(fresh).value());
                               }));
}

}  // namespace
}  // namespace linkvane::testing
