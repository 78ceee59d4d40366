#include "core/clients/ie_settings.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using IESettings = ClientTest;

TEST_F(IESettings, DialUpProfileWritesStartPageUnderBothRootsProxiesAndAutoDial) {
    EXPECT_TRUE(ApplyIESettings(store(), DialUpProfile(), "Demon Dial"));
    EXPECT_EQ(Dump(), R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Demon Dial"
[HKCU\Software\Microsoft\Internet Explorer\Main]
"Start Page"=sz:"http://www.demon.net/"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
"ProxyEnable"=hex(3):01,00,00,00
"ProxyOverride"=sz:"localhost;*.local"
"ProxyServer"=sz:"http=www-cache.demon.net:8080;ftp=ftp-cache.demon.net:2121"
[HKLM\Software\Microsoft\Internet Explorer\Main]
"Start Page"=sz:"http://www.demon.net/"
)");
}

TEST_F(IESettings, LanProfileDisablesAutoDialAndLeavesEarlierProxiesInPlace) {
    ApplyIESettings(store(), DialUpProfile(), "Demon Dial");
    // The entry comes from the profile list's text, which need not be the profile's name.
    EXPECT_TRUE(ApplyIESettings(store(), LanProfile(), "Typed Entry"));
    EXPECT_EQ(Dump(), R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Typed Entry"
[HKCU\Software\Microsoft\Internet Explorer\Main]
"Start Page"=sz:"http://intranet/"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000000
"ProxyEnable"=hex(3):01,00,00,00
"ProxyOverride"=sz:"localhost;*.local"
"ProxyServer"=sz:"http=www-cache.demon.net:8080;ftp=ftp-cache.demon.net:2121"
[HKLM\Software\Microsoft\Internet Explorer\Main]
"Start Page"=sz:"http://intranet/"
)");
}

TEST_F(IESettings, ProxyStringTakesOnlyHostsLongerThanThreeCharacters) {
    struct Case {
        const char* name;
        const char* httpHost;
        const char* httpPort;
        const char* ftpHost;
        const char* ftpPort;
        const char* dump;
    };
    // No start page in these profiles: the autodial key is then created under the spelling the
    // autodial value uses, "SOFTWARE", unless a proxy value made it first.
    const Case cases[] = {
        {"only FTP", "", "", "ftp.example.net", "21", R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Entry"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
"ProxyEnable"=hex(3):01,00,00,00
"ProxyOverride"=sz:"*.local"
"ProxyServer"=sz:"ftp=ftp.example.net:21"
)"},
        {"only HTTP, empty port", "http.example.net", "", "", "", R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Entry"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
"ProxyEnable"=hex(3):01,00,00,00
"ProxyOverride"=sz:"*.local"
"ProxyServer"=sz:"http=http.example.net:"
)"},
        {"both, ports as typed", "http.example.net", "80a", "ftp.example.net", " 21",
         R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Entry"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
"ProxyEnable"=hex(3):01,00,00,00
"ProxyOverride"=sz:"*.local"
"ProxyServer"=sz:"http=http.example.net:80a;ftp=ftp.example.net: 21"
)"},
        {"3-character HTTP host only", "abc", "8080", "", "", R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Entry"
[HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
)"},
        {"3-character HTTP host, 4-character FTP host", "abc", "8080", "ftp1", "21",
         R"([HKCU\RemoteAccess]
"InternetProfile"=sz:"Entry"
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
"ProxyEnable"=hex(3):01,00,00,00
"ProxyOverride"=sz:"*.local"
"ProxyServer"=sz:"ftp=ftp1:21"
)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        SqliteRegistryStore fresh(dir.path());
        ActiveProfile profile;
        profile.httpProxy = c.httpHost;
        profile.httpProxyPort = c.httpPort;
        profile.ftpProxy = c.ftpHost;
        profile.ftpProxyPort = c.ftpPort;
        profile.proxyOverride = "*.local";
        ApplyIESettings(fresh, profile, "Entry");
        EXPECT_EQ(DumpRegistry(fresh), c.dump);
    }
}

}  // namespace
}  // namespace linkvane::testing
