#include "core/clients/client_dispatch.h"

#include <sstream>

#include "client_test_support.h"
#include "core/profiles/profile_store.h"

namespace linkvane::testing {
namespace {

ProfileRecord RecordOf(const ActiveProfile& p) {
    ProfileRecord r;
    r.name = p.profileName;
    r.keyPath = ProfileKeyPath(r.name);
    r.login = "login";
    r.password = "dial-secret";
    r.useLan = static_cast<std::int32_t>(p.useLan);
    r.username = p.username;
    r.nntpHost = p.nntpHost;
    r.organisation = p.organisation;
    r.pop3Host = p.pop3Host;
    r.realname = p.realname;
    r.replyTo = p.replyTo;
    r.smtpHost = p.smtpHost;
    r.ePassword = p.mailPassword;
    r.ftpProxyPort = p.ftpProxyPort;
    r.ftpProxy = p.ftpProxy;
    r.homepage = p.homepage;
    r.httpProxyPort = p.httpProxyPort;
    r.httpProxy = p.httpProxy;
    r.proxyOverride = p.proxyOverride;
    r.pingHost = p.pingHost;
    r.pingFreq = static_cast<std::int32_t>(p.pingFreq);
    r.setIE = static_cast<std::int32_t>(p.setIE);
    r.setNetscape = static_cast<std::int32_t>(p.setNetscape);
    r.checkEmail = static_cast<std::int32_t>(p.checkEmail);
    r.emailSound = p.emailSound;
    r.playSound = static_cast<std::int32_t>(p.playSound);
    r.popMinutes = p.popMinutes;
    r.popupAlert = static_cast<std::int32_t>(p.popupAlert);
    return r;
}

// "Demon Dial" with SetIE and nothing else.
ActiveProfile OnlySetIE() {
    ActiveProfile p;
    p.profileName = "Demon Dial";
    p.setIE = 1;
    return p;
}

class ClientDispatch : public ClientTest {
  protected:
    void Save(const ActiveProfile& profile) {
        ASSERT_TRUE(ProfileStore(store()).SaveProfile(RecordOf(profile), false).ok());
    }
    void InstallNavigator() {
        SetString("\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\", "CurrentVersion",
                  "4.7");
        SetString("\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main\\",
                  "Install Directory", navigatorDir().string());
    }
    // The keys of Dump() that hold values, without the two that InstallNavigator seeds.
    std::string Keys() {
        std::string keys;
        std::istringstream lines(Dump());
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("[") && line != "[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator]" &&
                line != "[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main]") {
                keys += line + "\n";
            }
        }
        return keys;
    }
    RecordingMessages m_messages;
};

TEST_F(ClientDispatch, LoadActiveProfileReadsEveryValueAndDeciphersTheMailPassword) {
    ActiveProfile expected = DialUpProfile();
    expected.pingHost = "ping.demon.net";
    expected.pingFreq = 5;
    expected.checkEmail = 1;
    expected.emailSound = "/usr/share/sounds/mail.wav";
    expected.playSound = 1;
    expected.popMinutes = 10;
    expected.popupAlert = 1;
    expected.mailPassword = "mail \"secret\"";
    Save(expected);

    const ActiveProfile& loaded = LoadActiveProfile(store(), "Demon Dial");
    EXPECT_EQ(&loaded, &TheActiveProfile());
    EXPECT_EQ(loaded, expected);
    EXPECT_NE(COXRegistryItem(store(), ProfileKeyPath("Demon Dial")).GetStringValue("EPassword"),
              expected.mailPassword);

    // Every load overwrites every value: a profile without a key loads empty.
    ActiveProfile none;
    none.profileName = "Nobody";
    EXPECT_EQ(LoadActiveProfile(store(), "Nobody"), none);

    // A stored mail password too long for the cipher loads as none rather than garbled.
    SetString(ProfileKeyPath("Nobody"), "EPassword", std::string(45, 'p'));
    EXPECT_EQ(LoadActiveProfile(store(), "Nobody").mailPassword, "");
}

TEST_F(ClientDispatch, FlagsAndFieldsChooseTheWriters) {
    InstallNavigator();
    struct Case {
        const char* name;
        void (*adjust)(ActiveProfile&);
        AppliedClients applied;
        const char* keys;
    };
    const Case cases[] = {
        {"SetIE and SetNetscape 0 write nothing",
         [](ActiveProfile& p) { p.setIE = p.setNetscape = 0; },
         {},
         ""},
        {"SetIE without proxy, start page or mail server writes nothing",
         [](ActiveProfile& p) {
             p = OnlySetIE();
             p.nntpHost = "news.demon.net";
             p.realname = "John Smith";
         },
         {},
         ""},
        {"a bypass list alone runs the Internet Explorer writer (autodial only)",
         [](ActiveProfile& p) {
             p = OnlySetIE();
             p.proxyOverride = "*.local";
         },
         {false, true, false, false},
         R"([HKCU\RemoteAccess]
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
)"},
        {"an SMTP host alone runs the two mail writers",
         [](ActiveProfile& p) {
             p = OnlySetIE();
             p.smtpHost = "post.demon.net";
         },
         {false, false, true, true},
         R"([HKCU\Software\Kestrom]
[HKCU\Software\Microsoft\Internet Account Manager]
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000000]
[HKCU\Software\Microsoft\Internet Mail and News\Mail]
[HKCU\Software\Microsoft\Internet Mail and News\Mail\SMTP\post.demon.net]
)"},
        {"SetNetscape alone",
         [](ActiveProfile& p) { p.setIE = 0; },
         {true, false, false, false},
         R"([HKCU\Software\Netscape\Netscape Navigator\Mail]
[HKCU\Software\Netscape\Netscape Navigator\Main]
[HKCU\Software\Netscape\Netscape Navigator\Proxy Information]
[HKCU\Software\Netscape\Netscape Navigator\Services]
[HKCU\Software\Netscape\Netscape Navigator\User]
[HKLM\SOFTWARE\Netscape\Netscape Navigator\Users]
[HKLM\SOFTWARE\Netscape\Netscape Navigator\Users\Linkvaner]
)"},
        {"everything",
         [](ActiveProfile&) {},
         {true, true, true, true},
         R"([HKCU\RemoteAccess]
[HKCU\Software\Kestrom]
[HKCU\Software\Microsoft\Internet Account Manager]
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000000]
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000001]
[HKCU\Software\Microsoft\Internet Explorer\Main]
[HKCU\Software\Microsoft\Internet Mail and News\Mail]
[HKCU\Software\Microsoft\Internet Mail and News\Mail\NEWS\news.demon.net]
[HKCU\Software\Microsoft\Internet Mail and News\Mail\POP3\pop3.demon.net]
[HKCU\Software\Microsoft\Internet Mail and News\Mail\SMTP\post.demon.net]
[HKCU\Software\Microsoft\Internet Mail and News\News]
[HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
[HKCU\Software\Netscape\Netscape Navigator\Mail]
[HKCU\Software\Netscape\Netscape Navigator\Main]
[HKCU\Software\Netscape\Netscape Navigator\Proxy Information]
[HKCU\Software\Netscape\Netscape Navigator\Services]
[HKCU\Software\Netscape\Netscape Navigator\User]
[HKLM\SOFTWARE\Microsoft\Internet Explorer\Main]
[HKLM\SOFTWARE\Netscape\Netscape Navigator\Users]
[HKLM\SOFTWARE\Netscape\Netscape Navigator\Users\Linkvaner]
)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* path :
             {"\\Software\\Microsoft\\", "\\Software\\Netscape\\", "\\RemoteAccess\\",
              "\\Software\\Kestrom\\", "\\LocalMachine\\Software\\Microsoft\\",
              "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\"}) {
            COXRegistryItem(store(), path).Delete();
        }
        std::filesystem::remove_all(navigatorDir() / "Users");
        ActiveProfile profile = DialUpProfile();
        c.adjust(profile);
        Save(profile);

        EXPECT_EQ(ApplyClientSettings(store(), "Demon Dial", "Demon Dial", m_messages), c.applied);
        EXPECT_EQ(Keys(), c.keys);
        EXPECT_EQ(NavigatorTree().empty(), !c.applied.netscape);
    }
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(ClientDispatch, AutoDialTakesTheListTextAndTheAccountsTakeTheProfileName) {
    Save(LanProfile());
    ActiveProfile dialUp = DialUpProfile();
    Save(dialUp);
    ApplyClientSettings(store(), "Demon Dial", "Demon Dial typed", m_messages);
    EXPECT_EQ(TheActiveProfile().profileName, "Demon Dial");
    EXPECT_EQ(COXRegistryItem(store(), "\\RemoteAccess\\").GetStringValue("InternetProfile"),
              "Demon Dial typed");
    EXPECT_EQ(COXRegistryItem(
                  store(), "\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000000\\")
                  .GetStringValue("Connectoid"),
              "Demon Dial");
}

}  // namespace
}  // namespace linkvane::testing
