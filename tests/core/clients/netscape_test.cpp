#include "core/clients/netscape.h"

#include <fstream>

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

constexpr const char* kNavigatorKey = "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\";
constexpr const char* kVersionMainKey =
    "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7 (en)\\Main\\";

constexpr const char* kUserDirTree = R"(Users/
Users/Linkvaner/
Users/Linkvaner/Cache/
Users/Linkvaner/Mail/
Users/Linkvaner/News/
Users/Linkvaner/archive/
Users/Linkvaner/prefs.js
)";

class Netscape : public ClientTest {
  protected:
    void SetUp() override {
        ClientTest::SetUp();
        SetString(kNavigatorKey, "CurrentVersion", "4.7 (en)");
        SetString(kVersionMainKey, "Install Directory", navigatorDir().string());
    }

    std::filesystem::path UserDir() const { return navigatorDir() / "Users" / "Linkvaner"; }

    // prefs.js and then the registry, as one text for a golden file.
    std::string Written() {
        return "; prefs.js\n" + ReadFileText(UserDir() / "prefs.js") + "; registry\n" + Exported();
    }

    RecordingMessages m_messages;
};

TEST_F(Netscape, WritesTheUserDirectoryPrefsAndRegistryKeysAndQuotesPrefsStrings) {
    // An existing, longer prefs.js is replaced whole.
    std::filesystem::create_directories(UserDir());
    std::ofstream(UserDir() / "prefs.js") << std::string(4096, 'x');
    EXPECT_TRUE(ApplyNetscapeSettings(store(), Active(DialUpProfile()), m_messages));
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(NavigatorTree(), kUserDirTree);
    std::string written = Written();

    // Proxy lines and the proxy key follow which proxies are set; a port that is not all digits
    // is 0 in the file and its leading digits in the registry; an empty start page is still
    // written, empty.
    written +=
        EachProxyCase({{"", "", "ftp.example.net", "21"},
                       {"http.example.net", "080", "", ""},
                       {"http.example.net", "8080); user_pref(\"x\", 1", "ftp.example.net", ""}},
                      [&](const ActiveProfile& profile) {
                          ClearClientKeys();
                          ApplyNetscapeSettings(store(), profile, m_messages);
                          return Written();
                      });
    // Quotes, backslashes and line ends cannot break out of a prefs string; the registry takes
    // the values as they are.
    ClearClientKeys();
    ActiveProfile quoting;
    quoting.realname = "Jo \"Q\" Smith";
    quoting.organisation = "C:\\Corp\\";
    quoting.homepage = "http://x/\");\nuser_pref(\"evil\", 1);//";
    quoting.replyTo =
        "a\rb\x01\xE2\x80\xA8"
        "c";
    ApplyNetscapeSettings(store(), quoting, m_messages);
    written += "; quoting\n" + Written();
    EXPECT_TRUE(m_messages.shown.empty());
    ExpectGolden("core/clients/golden/netscape.txt", written);
}

TEST_F(Netscape, NothingHappensWithoutAnInstalledNavigator) {
    const ActiveProfile profile = Active(DialUpProfile());
    const std::string before = Exported();
    for (const char* version : {"", "4"}) {
        SCOPED_TRACE(version);
        SetString(kNavigatorKey, "CurrentVersion", version);
        EXPECT_TRUE(ApplyNetscapeSettings(store(), profile, m_messages));
        std::string expected = before;
        expected.replace(expected.find("4.7 (en)"), 8, version);
        EXPECT_EQ(Exported(), expected);
        EXPECT_EQ(NavigatorTree(), "");
        EXPECT_TRUE(m_messages.shown.empty());
    }
}

TEST_F(Netscape, InstallDirectoryWrittenWithBackslashesNamesTheSameDirectory) {
    std::string windowsForm = navigatorDir().string();
    std::replace(windowsForm.begin(), windowsForm.end(), '/', '\\');
    SetString(kVersionMainKey, "Install Directory", windowsForm);
    ApplyNetscapeSettings(store(), Active(LanProfile()), m_messages);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(NavigatorTree(), kUserDirTree);
    EXPECT_NE(Exported().find("\"DirRoot\"=\"$NAV/Users/Linkvaner\"\n"), std::string::npos);
}

TEST_F(Netscape, DirectoriesThatCannotBeMadeAreReportedAndStopTheRest) {
    struct Case {
        const char* installDir;   // relative to the Navigator directory; "" for itself
        const char* blockedFile;  // a regular file put in the way, or ""
        const char* expectedTree;
        const char* expectedMessage;
    };
    const Case cases[] = {
        {"", "Users", "Users\n",
         "$NAV/Users/Linkvaner: Error creating Netscape 4.x Profile Directory"},
        {"", "Users/Linkvaner", "Users/\nUsers/Linkvaner\n",
         "$NAV/Users/Linkvaner: Error creating Netscape 4.x User Directory"},
        {"missing", "", "",
         "$NAV/missing/Users/Linkvaner: Error creating Netscape 4.x Profile Directory"},
    };
    const ActiveProfile profile = Active(DialUpProfile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedMessage);
        ClearClientKeys();
        m_messages.shown.clear();
        SetString(kVersionMainKey, "Install Directory", (navigatorDir() / c.installDir).string());
        if (*c.blockedFile != '\0') {
            std::filesystem::create_directories((navigatorDir() / c.blockedFile).parent_path());
            std::ofstream(navigatorDir() / c.blockedFile) << "in the way";
        }
        EXPECT_TRUE(ApplyNetscapeSettings(store(), profile, m_messages));
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(Anonymised(m_messages.shown[0]), c.expectedMessage);
        EXPECT_EQ(NavigatorTree(), c.expectedTree);
        // Navigator's user is registered, but nothing of the current user's is written.
        const std::string exported = Exported();
        EXPECT_NE(exported.find("\"CurrentUser\"=\"Linkvaner\""), std::string::npos);
        EXPECT_EQ(exported.find("[HKEY_CURRENT_USER\\Software\\Netscape"), std::string::npos);
    }
}

TEST_F(Netscape, ARelativeInstallDirectoryIsRefusedInsteadOfWritingBelowTheWorkingDirectory) {
    // A path copied from Windows would name this directory below the working directory.
    std::filesystem::create_directories(navigatorDir() / "C:" / "Program Files" / "Netscape");
    const std::filesystem::path oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(navigatorDir());
    SetString(kVersionMainKey, "Install Directory", "C:\\Program Files\\Netscape");
    ApplyNetscapeSettings(store(), Active(DialUpProfile()), m_messages);
    std::filesystem::current_path(oldCwd);
    EXPECT_EQ(m_messages.shown,
              std::vector<std::string>{"C:/Program Files/Netscape/Users/Linkvaner: Error creating "
                                       "Netscape 4.x Profile Directory"});
    EXPECT_EQ(NavigatorTree(), "C:/\nC:/Program Files/\nC:/Program Files/Netscape/\n");
}

TEST_F(Netscape, PrefsThatCannotBeWrittenAreReportedAndTheRegistryIsStillWritten) {
    std::filesystem::create_directories(UserDir() / "prefs.js");
    ApplyNetscapeSettings(store(), Active(LanProfile()), m_messages);
    EXPECT_EQ(m_messages.shown, std::vector<std::string>{"Error: Error configuring Netscape 4.x"});
    EXPECT_NE(Exported().find("\"SMTP_Server\"=\"smtp.office\"\n"), std::string::npos);
}

}  // namespace
}  // namespace linkvane::testing
