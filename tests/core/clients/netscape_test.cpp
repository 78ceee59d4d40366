#include "core/clients/netscape.h"

#include <fstream>
#include <sstream>

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

constexpr const char* kNavigatorKey = "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\";
constexpr const char* kVersionMainKey =
    "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7 (en)\\Main\\";

// Lines 1 to 10 and 17, 18 of prefs.js for a profile with nothing but proxies.
constexpr const char* kBarePrefsHead = R"(// Netscape User Preferences
// This is a generated file!  Do not edit.

user_pref("network.hosts.smtp_server", "");
user_pref("network.hosts.pop_server", "");
user_pref("network.hosts.nntp_server", "");
user_pref("mail.pop_name", "");
user_pref("mail.remember_password", true);
user_pref("mail.identity.organization", "");
user_pref("mail.identity.username", "");
user_pref("mail.identity.useremail", "");
user_pref("mail.html_compose", false);
)";
constexpr const char* kBarePrefsTail = R"(user_pref("browser.startup.homepage", "");
user_pref("browser.startup.homepage_override", false);
)";

class Netscape : public ClientTest {
  protected:
    void SetUp() override {
        ClientTest::SetUp();
        SetString(kNavigatorKey, "CurrentVersion", "4.7 (en)");
        SetString(kVersionMainKey, "Install Directory", navigatorDir().string());
    }

    std::filesystem::path UserDir() const { return navigatorDir() / "Users" / "Linkvaner"; }

    std::string Prefs() const {
        std::ifstream in(UserDir() / "prefs.js", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The lines of one key in Dump(), "" when the key holds nothing.
    std::string Section(std::string_view header) {
        const std::string dump = Dump();
        const std::size_t at = dump.find(std::string(header) + "\n");
        if (at == std::string::npos)
            return "";
        const std::size_t end = dump.find("\n[", at);
        return dump.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }

    // What the user was shown, with the Navigator directory as $NAV.
    std::vector<std::string> Shown() const {
        std::vector<std::string> shown = m_messages.shown;
        for (auto& line : shown) {
            const std::size_t at = line.find(navigatorDir().string());
            if (at != std::string::npos)
                line.replace(at, navigatorDir().string().size(), "$NAV");
        }
        return shown;
    }

    RecordingMessages m_messages;
};

constexpr const char* kUserDirTree = R"(Users/
Users/Linkvaner/
Users/Linkvaner/Cache/
Users/Linkvaner/Mail/
Users/Linkvaner/News/
Users/Linkvaner/archive/
Users/Linkvaner/prefs.js
)";

TEST_F(Netscape, DialUpProfileMakesTheUserDirectoryPrefsAndRegistryKeys) {
    // An existing, longer prefs.js is replaced whole.
    std::filesystem::create_directories(UserDir());
    std::ofstream(UserDir() / "prefs.js") << std::string(4096, 'x');

    EXPECT_TRUE(ApplyNetscapeSettings(store(), DialUpProfile(), m_messages));
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(NavigatorTree(), kUserDirTree);
    EXPECT_EQ(Prefs(), R"(// Netscape User Preferences
// This is a generated file!  Do not edit.

user_pref("network.hosts.smtp_server", "post.demon.net");
user_pref("network.hosts.pop_server", "pop3.demon.net");
user_pref("network.hosts.nntp_server", "news.demon.net");
user_pref("mail.pop_name", "jsmith");
user_pref("mail.remember_password", true);
user_pref("mail.identity.organization", "Smith & Co");
user_pref("mail.identity.username", "John Smith");
user_pref("mail.identity.useremail", "john@smith.demon.co.uk");
user_pref("mail.html_compose", false);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.ftp", "ftp-cache.demon.net");
user_pref("network.proxy.ftp_port", 2121);
user_pref("network.proxy.http", "www-cache.demon.net");
user_pref("network.proxy.http_port", 8080);
user_pref("network.proxy.no_proxies_on", "localhost;*.local");
user_pref("browser.startup.homepage", "http://www.demon.net/");
user_pref("browser.startup.homepage_override", false);
)");
    EXPECT_EQ(Dump(), R"dump([HKCU\Software\Netscape\Netscape Navigator\Mail]
"Leave on server"=sz:"no"
"Pop Name"=sz:"jsmith"
"Remember Password"=sz:"yes"
[HKCU\Software\Netscape\Netscape Navigator\Main]
"Autoload Home Page"=sz:"yes"
"Home Page"=sz:"http://www.demon.net/"
[HKCU\Software\Netscape\Netscape Navigator\Proxy Information]
"FTP_Proxy"=sz:"ftp-cache.demon.net"
"Ftp_ProxyPort"=dword:00000849
"HTTP_Proxy"=sz:"www-cache.demon.net"
"Http_ProxyPort"=dword:00001f90
"No_Proxy"=sz:"localhost;*.local"
"Proxy Type"=dword:00000001
[HKCU\Software\Netscape\Netscape Navigator\Services]
"NNTP_Server"=sz:"news.demon.net"
"POP_Server"=sz:"pop3.demon.net"
"SMTP_Server"=sz:"post.demon.net"
[HKCU\Software\Netscape\Netscape Navigator\User]
"Reply_To"=sz:"john@smith.demon.co.uk"
"User_Addr"=sz:"john@smith.demon.co.uk"
"User_Name"=sz:"John Smith"
"User_Organization"=sz:"Smith & Co"
[HKLM\SOFTWARE\Netscape\Netscape Navigator]
"CurrentVersion"=sz:"4.7 (en)"
[HKLM\SOFTWARE\Netscape\Netscape Navigator\4.7 (en)\Main]
"Install Directory"=sz:"$NAV"
[HKLM\SOFTWARE\Netscape\Netscape Navigator\Users]
"CurrentUser"=sz:"Linkvaner"
[HKLM\SOFTWARE\Netscape\Netscape Navigator\Users\Linkvaner]
"DirRoot"=sz:"$NAV/Users/Linkvaner"
"EmailAddr"=sz:"john@smith.demon.co.uk"
"UserName"=sz:"John Smith"
)dump");
}

TEST_F(Netscape, ProxyLinesAndProxyKeyFollowWhichHostsCount) {
    struct Case {
        const char* name;
        const char* httpHost;
        const char* httpPort;
        const char* ftpHost;
        const char* ftpPort;
        const char* prefsProxyLines;
        const char* proxyKey;
    };
    const Case cases[] = {
        {"no host longer than 3 characters", "abc", "8080", "xyz", "21", "", ""},
        {"only FTP: the bypass list goes to the file, not the registry", "", "", "ftp.example.net",
         "21", R"(user_pref("network.proxy.type", 1);
user_pref("network.proxy.ftp", "ftp.example.net");
user_pref("network.proxy.ftp_port", 21);
user_pref("network.proxy.no_proxies_on", "*.local");
)",
         R"([HKCU\Software\Netscape\Netscape Navigator\Proxy Information]
"FTP_Proxy"=sz:"ftp.example.net"
"Ftp_ProxyPort"=dword:00000015
"Proxy Type"=dword:00000001
)"},
        {"only HTTP, leading zero dropped from the unquoted port", "http.example.net", "080", "",
         "", R"(user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "http.example.net");
user_pref("network.proxy.http_port", 80);
user_pref("network.proxy.no_proxies_on", "*.local");
)",
         R"([HKCU\Software\Netscape\Netscape Navigator\Proxy Information]
"HTTP_Proxy"=sz:"http.example.net"
"Http_ProxyPort"=dword:00000050
"No_Proxy"=sz:"*.local"
"Proxy Type"=dword:00000001
)"},
        {"ports that are not all digits are 0 in the file, leading digits in the registry",
         "http.example.net", "8080); user_pref(\"x\", 1", "ftp.example.net", "",
         R"(user_pref("network.proxy.type", 1);
user_pref("network.proxy.ftp", "ftp.example.net");
user_pref("network.proxy.ftp_port", 0);
user_pref("network.proxy.http", "http.example.net");
user_pref("network.proxy.http_port", 0);
user_pref("network.proxy.no_proxies_on", "*.local");
)",
         R"([HKCU\Software\Netscape\Netscape Navigator\Proxy Information]
"FTP_Proxy"=sz:"ftp.example.net"
"Ftp_ProxyPort"=dword:00000000
"HTTP_Proxy"=sz:"http.example.net"
"Http_ProxyPort"=dword:00001f90
"No_Proxy"=sz:"*.local"
"Proxy Type"=dword:00000001
)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COXRegistryItem(store(), "\\Software\\Netscape\\").Delete();
        ActiveProfile profile;
        profile.httpProxy = c.httpHost;
        profile.httpProxyPort = c.httpPort;
        profile.ftpProxy = c.ftpHost;
        profile.ftpProxyPort = c.ftpPort;
        profile.proxyOverride = "*.local";
        ApplyNetscapeSettings(store(), profile, m_messages);
        EXPECT_EQ(Prefs(), std::string(kBarePrefsHead) + c.prefsProxyLines + kBarePrefsTail);
        EXPECT_EQ(Section("[HKCU\\Software\\Netscape\\Netscape Navigator\\Proxy Information]"),
                  c.proxyKey);
        // An empty start page is still written, empty.
        EXPECT_EQ(Section("[HKCU\\Software\\Netscape\\Netscape Navigator\\Main]"),
                  R"([HKCU\Software\Netscape\Netscape Navigator\Main]
"Autoload Home Page"=sz:"yes"
"Home Page"=sz:""
)");
    }
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(Netscape, QuotesBackslashesAndLineEndsCannotBreakOutOfAPrefsString) {
    ActiveProfile profile;
    profile.realname = "Jo \"Q\" Smith";
    profile.organisation = "C:\\Corp\\";
    profile.homepage = "http://x/\");\nuser_pref(\"evil\", 1);//";
    profile.replyTo =
        "a\rb\x01\xE2\x80\xA8"
        "c";
    ApplyNetscapeSettings(store(), profile, m_messages);
    EXPECT_EQ(Prefs(), R"(// Netscape User Preferences
// This is a generated file!  Do not edit.

user_pref("network.hosts.smtp_server", "");
user_pref("network.hosts.pop_server", "");
user_pref("network.hosts.nntp_server", "");
user_pref("mail.pop_name", "");
user_pref("mail.remember_password", true);
user_pref("mail.identity.organization", "C:\\Corp\\");
user_pref("mail.identity.username", "Jo \"Q\" Smith");
user_pref("mail.identity.useremail", "a\rb\x01\u2028c");
user_pref("mail.html_compose", false);
user_pref("browser.startup.homepage", "http://x/\");\nuser_pref(\"evil\", 1);//");
user_pref("browser.startup.homepage_override", false);
)");
    // The registry takes the values as they are.
    EXPECT_EQ(Section("[HKCU\\Software\\Netscape\\Netscape Navigator\\User]"),
              "[HKCU\\Software\\Netscape\\Netscape Navigator\\User]\n"
              "\"Reply_To\"=sz:\"a\rb\x01\xE2\x80\xA8"
              "c\"\n"
              "\"User_Addr\"=sz:\"a\rb\x01\xE2\x80\xA8"
              "c\"\n"
              "\"User_Name\"=sz:\"Jo \\\"Q\\\" Smith\"\n"
              "\"User_Organization\"=sz:\"C:\\\\Corp\\\\\"\n");
    EXPECT_EQ(Section("[HKCU\\Software\\Netscape\\Netscape Navigator\\Main]"),
              R"([HKCU\Software\Netscape\Netscape Navigator\Main]
"Autoload Home Page"=sz:"yes"
"Home Page"=sz:"http://x/\");\nuser_pref(\"evil\", 1);//"
)");
}

TEST_F(Netscape, NothingHappensWithoutAnInstalledNavigator) {
    for (const char* version : {"", "4"}) {
        SCOPED_TRACE(version);
        SetString(kNavigatorKey, "CurrentVersion", version);
        EXPECT_TRUE(ApplyNetscapeSettings(store(), DialUpProfile(), m_messages));
        EXPECT_EQ(Dump(),
                  "[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator]\n\"CurrentVersion\"=sz:\"" +
                      std::string(version) +
                      "\"\n[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7 (en)\\Main]\n"
                      "\"Install Directory\"=sz:\"$NAV\"\n");
        EXPECT_EQ(NavigatorTree(), "");
        EXPECT_TRUE(m_messages.shown.empty());
    }
}

TEST_F(Netscape, InstallDirectoryWrittenWithBackslashesNamesTheSameDirectory) {
    std::string windowsForm = navigatorDir().string();
    std::replace(windowsForm.begin(), windowsForm.end(), '/', '\\');
    SetString(kVersionMainKey, "Install Directory", windowsForm);
    ApplyNetscapeSettings(store(), LanProfile(), m_messages);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(NavigatorTree(), kUserDirTree);
    EXPECT_EQ(Section("[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\Linkvaner]"),
              R"([HKLM\SOFTWARE\Netscape\Netscape Navigator\Users\Linkvaner]
"DirRoot"=sz:"$NAV/Users/Linkvaner"
"EmailAddr"=sz:"js@office"
"UserName"=sz:"J. Smith"
)");
}

TEST_F(Netscape, DirectoriesThatCannotBeMadeAreReportedAndStopTheRest) {
    struct Case {
        const char* name;
        const char* installDir;   // relative to the Navigator directory; "" for itself
        const char* blockedFile;  // a regular file put in the way, or ""
        const char* expectedTree;
        const char* expectedMessage;
    };
    const Case cases[] = {
        {"users directory is a file", "", "Users", "Users\n",
         "$NAV/Users/Linkvaner: Error creating Netscape 4.x Profile Directory"},
        {"user directory is a file", "", "Users/Linkvaner", "Users/\nUsers/Linkvaner\n",
         "$NAV/Users/Linkvaner: Error creating Netscape 4.x User Directory"},
        {"install directory is missing", "missing", "", "",
         "$NAV/missing/Users/Linkvaner: Error creating Netscape 4.x Profile Directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(navigatorDir() / "Users");
        COXRegistryItem(store(), "\\Software\\Netscape\\").Delete();
        m_messages.shown.clear();
        SetString(kVersionMainKey, "Install Directory", (navigatorDir() / c.installDir).string());
        if (*c.blockedFile != '\0') {
            std::filesystem::create_directories((navigatorDir() / c.blockedFile).parent_path());
            std::ofstream(navigatorDir() / c.blockedFile) << "in the way";
        }
        EXPECT_TRUE(ApplyNetscapeSettings(store(), DialUpProfile(), m_messages));
        EXPECT_EQ(Shown(), std::vector<std::string>{c.expectedMessage});
        EXPECT_EQ(NavigatorTree(), c.expectedTree);
        // Navigator's user is registered, but nothing of the current user's is written.
        EXPECT_EQ(Section("[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator\\Users]"),
                  "[HKLM\\SOFTWARE\\Netscape\\Netscape Navigator\\Users]\n"
                  "\"CurrentUser\"=sz:\"Linkvaner\"\n");
        EXPECT_EQ(Dump().find("[HKCU"), std::string::npos);
    }
}

TEST_F(Netscape, ARelativeInstallDirectoryIsRefusedInsteadOfWritingBelowTheWorkingDirectory) {
    // A path copied from Windows would name this directory below the working directory.
    std::filesystem::create_directories(navigatorDir() / "C:" / "Program Files" / "Netscape");
    const std::filesystem::path oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(navigatorDir());
    SetString(kVersionMainKey, "Install Directory", "C:\\Program Files\\Netscape");
    ApplyNetscapeSettings(store(), DialUpProfile(), m_messages);
    std::filesystem::current_path(oldCwd);
    EXPECT_EQ(m_messages.shown,
              std::vector<std::string>{"C:/Program Files/Netscape/Users/Linkvaner: Error creating "
                                       "Netscape 4.x Profile Directory"});
    EXPECT_EQ(NavigatorTree(), "C:/\nC:/Program Files/\nC:/Program Files/Netscape/\n");
}

TEST_F(Netscape, PrefsThatCannotBeWrittenAreReportedAndTheRegistryIsStillWritten) {
    std::filesystem::create_directories(UserDir() / "prefs.js");
    ApplyNetscapeSettings(store(), LanProfile(), m_messages);
    EXPECT_EQ(m_messages.shown, std::vector<std::string>{"Error: Error configuring Netscape 4.x"});
    EXPECT_EQ(Section("[HKCU\\Software\\Netscape\\Netscape Navigator\\Services]"),
              R"([HKCU\Software\Netscape\Netscape Navigator\Services]
"NNTP_Server"=sz:"news.office"
"POP_Server"=sz:"mail.office"
"SMTP_Server"=sz:"smtp.office"
)");
}

}  // namespace
}  // namespace linkvane::testing
