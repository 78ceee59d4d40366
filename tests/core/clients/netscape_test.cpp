#include "core/clients/netscape.h"

#include <fstream>

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

constexpr const char* kNavigatorKey = "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\";
constexpr const char* kVersionMainKey =
    "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7 (en)\\Main\\";

// The path with backslashes for separators, as Windows writes it.
std::string BackslashPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

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
    std::string written = NavigatorTree() + Written();

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

// golden/netscape_installs.txt: for each state of Navigator's install, what the user is told,
// the files below the Navigator directory and the registry afterwards. Without a version there
// is nothing to write; a directory that cannot be made stops the rest, though Navigator's user
// is registered; a relative install directory (a path copied from Windows) is refused instead
// of being made below the working directory; prefs that cannot be written still leave the
// registry written.
TEST_F(Netscape, EachStateOfTheInstallIsWrittenOrReportedAsItAllows) {
    const struct {
        const char* name;
        const char* version;
        std::string installDir;
        const char* inTheWay;  // a regular file, or a folder when it ends in "/"
    } cases[] = {
        {"no version", "", navigatorDir().string(), ""},
        {"a version too short", "4", navigatorDir().string(), ""},
        {"written with backslashes", "4.7 (en)", BackslashPath(navigatorDir().string()), ""},
        {"Users is a file", "4.7 (en)", navigatorDir().string(), "Users"},
        {"the user is a file", "4.7 (en)", navigatorDir().string(), "Users/Linkvaner"},
        {"a missing directory", "4.7 (en)", (navigatorDir() / "missing").string(), ""},
        {"relative", "4.7 (en)", "C:\\Program Files\\Netscape", "C:/Program Files/Netscape/"},
        {"prefs.js is a folder", "4.7 (en)", navigatorDir().string(), "Users/Linkvaner/prefs.js/"},
    };
    const ActiveProfile profile = Active(LanProfile());
    const std::filesystem::path oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(navigatorDir());
    std::string written;
    for (const auto& c : cases) {
        ClearClientKeys();
        m_messages.shown.clear();
        SetString(kNavigatorKey, "CurrentVersion", c.version);
        const std::string mainKey = std::string(kNavigatorKey) + c.version + "\\Main\\";
        SetString(mainKey, "Install Directory", c.installDir);
        const std::filesystem::path inTheWay = navigatorDir() / c.inTheWay;
        if (inTheWay.has_filename()) {
            std::filesystem::create_directories(inTheWay.parent_path());
            std::ofstream(inTheWay) << "in the way";
        } else if (*c.inTheWay != '\0') {
            std::filesystem::create_directories(inTheWay);
        }
        EXPECT_TRUE(ApplyNetscapeSettings(store(), profile, m_messages));
        written += std::string("; ") + c.name + "\n";
        for (const std::string& message : m_messages.shown)
            written += "! " + Anonymised(message) + "\n";
        COXRegistryItem(store(), mainKey).Delete();  // the case's input, not what was written
        written += NavigatorTree() + Exported();
        COXRegistryItem(store(), kNavigatorKey).Delete();
        std::filesystem::remove_all(navigatorDir() / "C:");
    }
    std::filesystem::current_path(oldCwd);
    ExpectGolden("core/clients/golden/netscape_installs.txt", written);
}

}  // namespace
}  // namespace linkvane::testing
