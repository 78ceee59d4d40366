// Hostile text and odd states through the command line as a script meets them: concurrent
// one-value saves, names that differ in case, damaged phonebooks, names with line breaks on
// their way into a registry file, terminal escapes in stored text, and output to a full disk.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "ctl_test_support.h"

namespace linkvane::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kProfileKey = "\\Software\\Kestrom\\Linkvane\\DialEntry\\ISP\\";

class CtlHostileInput : public CtlTest {
  protected:
    json Query(const std::string& value) {
        return RunJson({"reg", "query", kProfileKey + value, "--json"});
    }

    // A profile file of "ISP" that names its profile name instead (in Windows-1252).
    fs::path FileNaming(const std::string& name) {
        const fs::path file = scratch() / ("named" + std::to_string(++m_files) + ".idf");
        RunOk({"profile", "export", "ISP", file.string()});
        std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
        io.seekp(1768);  // the name field, 100 bytes
        io.write(name.c_str(), static_cast<std::streamsize>(name.size() + 1));
        return file;
    }

  private:
    int m_files = 0;
};

TEST_F(CtlHostileInput, ProfileSetWritesOnlyItsValueWithItsTypeEvenWhileAnotherSets) {
    RunOk({"reg", "add", std::string(kProfileKey) + "Homepage", "REG_EXPAND_SZ", "%HOME%/start"});
    RunOk({"reg", "add", std::string(kProfileKey) + "PingFreq", "REG_SZ", "15"});
    RunOk({"reg", "add", std::string(kProfileKey) + "Password", "REG_SZ", std::string(50, 'x')});
    RunOk({"profile", "set", "ISP", "Login", "bob"});
    RunOk({"profile", "set", "ISP", "Homepage", "%HOME%/other"});
    EXPECT_EQ(Query("Homepage"), (json{{"type", "REG_EXPAND_SZ"}, {"data", "%HOME%/other"}}));
    EXPECT_EQ(Query("PingFreq"), (json{{"type", "REG_SZ"}, {"data", "15"}}));
    EXPECT_EQ(Query("Password")["data"], std::string(50, 'x'));
    EXPECT_EQ(Query("Login")["data"], "bob");

    // 39 characters, each two bytes of UTF-8 but one in the stored code page.
    std::string accents;
    for (int i = 0; i < 39; ++i)
        accents += "\u00e9";
    RunOk({"profile", "set", "ISP", "EPassword", accents});
    EXPECT_EQ(RunJson({"profile", "show", "ISP", "--json", "--show-passwords"})["EPassword"],
              accents);
    const CtlResult tooLong = Run({"profile", "set", "ISP", "EPassword", accents + "e"});
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_NE(tooLong.err.find("39 characters"), std::string::npos) << tooLong;

    const std::string ctl = LINKVANECTL_PATH;
    for (int round = 0; round < 8; ++round) {
        const std::string n = std::to_string(round);
        const std::string both = ctl + " profile set ISP SMTPHost s" + n + " & " + ctl +
                                 " profile set ISP POP3Host p" + n + " & wait";
        ASSERT_EQ(std::system(both.c_str()), 0);
        const json shown = RunJson({"profile", "show", "ISP", "--json"});
        EXPECT_EQ(shown["SMTPHost"], "s" + n);
        EXPECT_EQ(shown["POP3Host"], "p" + n);
    }
}

TEST_F(CtlHostileInput, CaseVariantsAreOneEntryAndImportsCheckBeforeTheyChangeAnything) {
    RunOk({"phonebook", "add", "ISP", "--phone", "1"});
    RunOk({"profile", "set", "ISP", "Password", "secret"});
    const fs::path lower = FileNaming("isp");
    const fs::path wide = FileNaming(std::string(85, '\x80') + "a");  // 256 bytes of UTF-8
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const Case refused[] = {
        {{"profile", "import", lower.string()}, "exists"},
        {{"phonebook", "add", "isp", "--phone", "2"}, "exists"},
        {{"profile", "import", wide.string(), "--yes"}, "(code 123)"},
        {{"phonebook", "add", std::string(256, 'n'), "--phone", "2"}, "(code 123)"},
    };
    for (const Case& c : refused) {
        const CtlResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 1) << c.args[2] << "\n" << result;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result;
    }
    EXPECT_EQ(RunJson({"phonebook", "list", "--json"})["entries"], json::array({"ISP"}));
    EXPECT_EQ(RunJson({"profile", "list", "--json"})["profiles"].size(), 1u);
    EXPECT_EQ(RunJson({"profile", "show", "isp", "--json", "--show-passwords"})["Password"],
              "secret");
    // Confirmed, the file in other case overwrites the one entry, which keeps its name.
    RunOk({"profile", "import", lower.string(), "--yes"});
    EXPECT_EQ(RunJson({"phonebook", "list", "--json"})["entries"], json::array({"ISP"}));

    // A phonebook that cannot be read is an error, not a missing entry.
    std::ofstream(linkvaneDir() / "phonebook.json") << "{ damaged";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"profile", "export", "ISP", (scratch() / "never.idf").string()}, {"apply", "ISP"}}) {
        const CtlResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << result;
        EXPECT_TRUE(result.err.ends_with("(code 625)\n")) << result;
    }
    EXPECT_FALSE(fs::exists(scratch() / "never.idf"));

    fs::remove_all(linkvaneDir());
    std::ofstream(linkvaneDir()) << "a file where the settings folder belongs";
    for (const char* group : {"phonebook", "profile"})
        EXPECT_EQ(Run({group, "list"}).exitCode, 1) << group;
}

TEST_F(CtlHostileInput, NamesARegistryFileCannotCarryStayOutAndEveryExportReadsBack) {
    for (const std::string& path :
         {std::string("\\Software\\T\\line\nbreak"), std::string("\\Software\\key\r\\V"),
          std::string("\\Software\\esc\x1b[0m\\V")}) {
        const CtlResult result = Run({"reg", "add", path, "REG_SZ", "x"});
        EXPECT_EQ(result.exitCode, 1) << result;
        EXPECT_TRUE(result.err.ends_with("(code 87)\n")) << result;
    }
    for (const char* odd : {"]", "=x", ";c", "-lead", "@", "[k]", "q\"uote", " pad "})
        RunOk({"reg", "add", std::string("\\Software\\T\\") + odd + "\\" + odd, "REG_SZ", odd});
    // A hostile profile's mail host reaches key names through the client writers.
    RunOk({"phonebook", "add", "ISP", "--phone", "1"});
    RunOk({"profile", "set", "ISP", "SetIE", "1"});
    RunOk({"profile", "set", "ISP", "POP3Host", "evil\n[HKEY_LOCAL_MACHINE\\Injected]"});
    Run({"apply", "ISP"});

    const std::string exported = Run({"reg", "export", "-"}).out;
    EXPECT_EQ(exported.find("\n[HKEY_LOCAL_MACHINE\\Injected]"), std::string::npos);
    UseConfigHome(scratch() / "restored");
    const CtlResult imported = Run({"reg", "import", "-"}, exported);
    ASSERT_EQ(imported.exitCode, 0) << imported;
    EXPECT_EQ(Run({"reg", "export", "-"}).out, exported);
}

TEST_F(CtlHostileInput, HumanOutputEscapesControlCharactersWhileJsonStaysExact) {
    const std::string hostile =
        "\x1b]0;owned\x07\x1b[2J\nfake: line\r\xc2\x9b"
        "31m\x7f";
    RunOk({"phonebook", "add", "ISP", "--phone", "1"});
    RunOk({"profile", "set", "ISP", "Homepage", hostile});
    RunOk({"reg", "add", "\\Software\\T\\V", "REG_SZ", hostile});
    json book = {{"entries", {{{"name", "ISP"}, {"dialParams", {{"userName", hostile}}}}}}};
    std::ofstream(linkvaneDir() / "phonebook.json") << book.dump();
    struct Case {
        std::vector<std::string> args;
        const char* jsonPointer;
    };
    const Case cases[] = {
        {{"profile", "show", "ISP"}, "/Homepage"},
        {{"reg", "query", "\\Software\\T\\V"}, "/data"},
        {{"reg", "query", "\\Software\\T\\"}, "/values/V/data"},
        {{"phonebook", "show", "ISP"}, "/dialParams/userName"},
    };
    for (const Case& c : cases) {
        const CtlResult human = Run(c.args);
        ASSERT_EQ(human.exitCode, 0) << human;
        for (std::size_t i = 0; i < human.out.size(); ++i) {
            const auto byte = static_cast<unsigned char>(human.out[i]);
            EXPECT_TRUE((byte >= 0x20 && byte != 0x7f && byte != 0xc2) || byte == '\n' ||
                        (byte == 0xc2 && static_cast<unsigned char>(human.out[i + 1]) >= 0xa0))
                << c.args[1] << " prints byte " << int{byte} << ":\n"
                << human.out;
        }
        EXPECT_EQ(human.out.find("\nfake: line"), std::string::npos) << human.out;
        std::vector<std::string> asJson = c.args;
        asJson.push_back("--json");
        EXPECT_EQ(RunJson(asJson)[json::json_pointer(c.jsonPointer)], hostile) << c.args[1];
    }
}

TEST_F(CtlHostileInput, EveryCommandFailsWhenItsOutputCannotBeWritten) {
    RunOk({"phonebook", "add", "ISP", "--phone", "1"});
    RunOk({"profile", "set", "ISP", "UseLan", "1"});
    for (const char* args :
         {"profile list --json", "profile list", "phonebook list", "phonebook show ISP --json",
          "reg query \\\\Software\\\\ --json", "reg export -", "--help"}) {
        const fs::path err = scratch() / "err";
        const std::string command =
            std::string(LINKVANECTL_PATH) + " " + args + " >/dev/full 2>" + err.string();
        const int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1) << args;
        EXPECT_NE(ReadFileText(err).find("cannot write to standard output"), std::string::npos)
            << args << ": " << ReadFileText(err);
    }
}

}  // namespace
}  // namespace linkvane::testing
