#include "core/clients/client_dispatch.h"

#include <sstream>

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

// "Demon Dial" with SetIE and nothing else.
void OnlySetIE(ProfileRecord& p) {
    p = ProfileRecord{};
    p.name = "Demon Dial";
    p.keyPath = ProfileKeyPath(p.name);
    p.setIE = 1;
}

class ClientDispatch : public ClientTest {
  protected:
    void InstallNavigator() {
        SetString("\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\", "CurrentVersion",
                  "4.7");
        SetString("\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main\\",
                  "Install Directory", navigatorDir().string());
    }
    // The keys of the export, without their values.
    std::string Keys() {
        std::string keys;
        std::istringstream lines(Exported());
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("["))
                keys += line + "\n";
        }
        return keys;
    }
    RecordingMessages m_messages;
};

TEST_F(ClientDispatch, FlagsAndFieldsChooseTheWritersWhichTakeTheListTextOrTheName) {
    InstallNavigator();
    struct Case {
        const char* name;
        void (*adjust)(ProfileRecord&);
        AppliedClients applied;
    };
    const Case cases[] = {
        {"SetIE and SetNetscape 0 write nothing",
         [](ProfileRecord& p) { p.setIE = p.setNetscape = 0; },
         {}},
        {"SetIE without proxy, start page or mail server writes nothing",
         [](ProfileRecord& p) {
             OnlySetIE(p);
             p.nntpHost = "news.demon.net";
             p.realname = "John Smith";
         },
         {}},
        {"a bypass list alone runs the Internet Explorer writer (autodial only)",
         [](ProfileRecord& p) {
             OnlySetIE(p);
             p.proxyOverride = "*.local";
         },
         {false, true, false, false}},
        {"an SMTP host alone runs the two mail writers",
         [](ProfileRecord& p) {
             OnlySetIE(p);
             p.smtpHost = "post.demon.net";
         },
         {false, false, true, true}},
        {"SetNetscape alone", [](ProfileRecord& p) { p.setIE = 0; }, {true, false, false, false}},
        {"everything", [](ProfileRecord&) {}, {true, true, true, true}},
    };
    std::string keys;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearClientKeys();
        ProfileRecord profile = DialUpProfile();
        c.adjust(profile);
        Save(LanProfile());  // another profile, which the dispatch must not take
        Save(profile);
        EXPECT_EQ(ApplyClientSettings(store(), LoadActiveProfile(store(), "Demon Dial"),
                                      "Demon Dial typed", m_messages),
                  c.applied);
        EXPECT_EQ(NavigatorTree().empty(), !c.applied.netscape);
        keys += std::string("; ") + c.name + "\n" + Keys();
    }
    EXPECT_TRUE(m_messages.shown.empty());
    ExpectGolden("core/clients/golden/dispatch_keys.txt", keys);

    // Autodial takes the list's text, the accounts the profile's name.
    EXPECT_EQ(COXRegistryItem(store(), "\\RemoteAccess\\").GetStringValue("InternetProfile"),
              "Demon Dial typed");
    EXPECT_EQ(COXRegistryItem(
                  store(), "\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000000\\")
                  .GetStringValue("Connectoid"),
              "Demon Dial");
}

}  // namespace
}  // namespace linkvane::testing
