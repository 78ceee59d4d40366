// Hostile text and odd states as a script meets them through linkvanectl.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "ctl_test_support.h"

namespace linkvane::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Args = std::vector<std::string>;

const std::string kKey = "\\Software\\Kestrom\\Linkvane\\DialEntry\\ISP\\";
const std::string kCtl = LINKVANECTL_PATH;

class CtlHostileInput : public CtlTest {
  protected:
    void SetUp() override {
        CtlTest::SetUp();
        RunOk({"phonebook", "add", "ISP", "--phone", "1"});
    }
    json Query(const std::string& value) {
        return RunJson({"reg", "query", kKey + value, "--json"});
    }
    void Fails(const Args& args, const std::string& said) {
        const CtlResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << result;
        EXPECT_NE(result.err.find(said), std::string::npos) << result;
    }
};

TEST_F(CtlHostileInput, ProfileSetWritesOnlyItsValueWithItsTypeEvenWhileAnotherSets) {
    RunOk({"reg", "add", kKey + "Homepage", "REG_EXPAND_SZ", "%HOME%/start"});
    RunOk({"reg", "add", kKey + "PingFreq", "REG_SZ", "15"});
    RunOk({"reg", "add", kKey + "Password", "REG_SZ", std::string(50, 'x')});
    RunOk({"profile", "set", "ISP", "Login", "bob"});
    RunOk({"profile", "set", "ISP", "Homepage", "%HOME%/other"});
    EXPECT_EQ(Query("Homepage"), (json{{"type", "REG_EXPAND_SZ"}, {"data", "%HOME%/other"}}));
    EXPECT_EQ(Query("PingFreq"), (json{{"type", "REG_SZ"}, {"data", "15"}}));
    EXPECT_EQ(Query("Password")["data"], std::string(50, 'x'));
    std::string accents;  // 39 characters: 78 bytes of UTF-8, 39 in the stored code page
    for (int i = 0; i < 39; ++i)
        accents += "\u00e9";
    RunOk({"profile", "set", "ISP", "EPassword", accents});
    EXPECT_EQ(RunJson({"profile", "show", "ISP", "--json", "--show-passwords"})["EPassword"],
              accents);
    Fails({"profile", "set", "ISP", "EPassword", accents + "e"}, "39 characters");
    // A value naming a large variable many times expands to nothing rather than without bound.
    setenv("LV_BIG", std::string(1 << 16, 'b').c_str(), 1);
    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += "%LV_BIG%";
    RunOk({"reg", "add", kKey + "Homepage", "REG_EXPAND_SZ", many});
    EXPECT_EQ(RunJson({"profile", "show", "ISP", "--json"})["Homepage"], "");
    unsetenv("LV_BIG");

    for (int round = 0; round < 8; ++round) {
        const std::string n = std::to_string(round);
        ASSERT_EQ(std::system((kCtl + " profile set ISP SMTPHost s" + n + " & " + kCtl +
                               " profile set ISP POP3Host p" + n + " & wait")
                                  .c_str()),
                  0);
        const json shown = RunJson({"profile", "show", "ISP", "--json"});
        EXPECT_EQ(shown["SMTPHost"].get<std::string>() + shown["POP3Host"].get<std::string>(),
                  "s" + n + "p" + n);
    }
}

TEST_F(CtlHostileInput, CaseVariantsAreOneEntryAndImportsCheckBeforeTheyChangeAnything) {
    RunOk({"profile", "set", "ISP", "Password", "secret"});
    auto fileNaming = [&](const std::string& name) {  // ISP's profile file under another name
        const fs::path file = scratch() / (std::to_string(name.size()) + ".idf");
        RunOk({"profile", "export", "ISP", file.string()});
        std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
        io.seekp(1768).write(name.c_str(), static_cast<std::streamsize>(name.size() + 1));
        return file.string();
    };
    const std::string lower = fileNaming("isp");
    Fails({"profile", "import", lower}, "exists");
    Fails({"phonebook", "add", "isp", "--phone", "2"}, "exists");
    // 85 euro signs and a letter: 86 bytes in the file, 256 in UTF-8, one more than a key holds.
    Fails({"profile", "import", fileNaming(std::string(85, '\x80') + "a"), "--yes"}, "(code 123)");
    EXPECT_EQ(RunJson({"profile", "list", "--json"})["profiles"].size(), 1u);
    EXPECT_EQ(RunJson({"profile", "show", "isp", "--json", "--show-passwords"})["Password"],
              "secret");
    RunOk({"profile", "import", lower, "--yes"});
    EXPECT_EQ(RunJson({"phonebook", "list", "--json"})["entries"], json::array({"ISP"}));

    std::ofstream(linkvaneDir() / "phonebook.json") << "{ damaged";
    Fails({"profile", "export", "ISP", (scratch() / "never.idf").string()}, "(code 625)");
    Fails({"apply", "ISP"}, "(code 625)");
    EXPECT_FALSE(fs::exists(scratch() / "never.idf"));
    fs::remove_all(linkvaneDir());
    std::ofstream(linkvaneDir()) << "a file where the settings folder belongs";
    Fails({"phonebook", "list"}, "not a folder");
    Fails({"profile", "list"}, "not a folder");
}

TEST_F(CtlHostileInput, NamesARegistryFileCannotCarryStayOutAndEveryExportReadsBack) {
    for (const std::string path : {"\\Software\\T\\line\nbreak", "\\Software\\esc\x1b[0m\\V"})
        Fails({"reg", "add", path, "REG_SZ", "x"}, "(code 87)");
    for (const char* odd : {"]", "=x", ";c", "-lead", "@", "[k]", "q\"uote", " pad "})
        RunOk({"reg", "add", std::string("\\Software\\T\\") + odd + "\\" + odd, "REG_SZ", odd});
    RunOk({"profile", "set", "ISP", "SetIE", "1"});  // the mail host becomes a key name
    RunOk({"profile", "set", "ISP", "POP3Host", "evil\n[HKEY_LOCAL_MACHINE\\Injected]"});
    Run({"apply", "ISP"});
    const std::string exported = Run({"reg", "export", "-"}).out;
    EXPECT_EQ(exported.find("\n[HKEY_LOCAL_MACHINE\\Injected]"), std::string::npos);
    UseConfigHome(scratch() / "restored");
    ASSERT_EQ(Run({"reg", "import", "-"}, exported).exitCode, 0);
    EXPECT_EQ(Run({"reg", "export", "-"}).out, exported);
}

TEST_F(CtlHostileInput, HumanOutputEscapesControlCharactersWhileJsonStaysExact) {
    const std::string hostile =
        "\x1b]0;owned\x07\x1b[2J\nfake: line\r\xc2\x9b"
        "31m\x7f";
    RunOk({"profile", "set", "ISP", "Homepage", hostile});
    RunOk({"reg", "add", "\\Software\\T\\V", "REG_SZ", hostile});
    std::ofstream(linkvaneDir() / "phonebook.json")
        << json{{"entries", {{{"name", "ISP"}, {"dialParams", {{"userName", hostile}}}}}}}.dump();
    const std::pair<Args, const char*> cases[] = {
        {{"profile", "show", "ISP"}, "/Homepage"},
        {{"reg", "query", "\\Software\\T\\V"}, "/data"},
        {{"reg", "query", "\\Software\\T\\"}, "/values/V/data"},
        {{"phonebook", "show", "ISP"}, "/dialParams/userName"},
    };
    for (const auto& [args, pointer] : cases) {
        const std::string out = Run(args).out;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto byte = static_cast<unsigned char>(out[i]);
            const bool c1 = byte == 0xc2 && static_cast<unsigned char>(out[i + 1]) < 0xa0;
            EXPECT_TRUE((byte >= 0x20 && byte != 0x7f && !c1) || byte == '\n') << args[1] << out;
        }
        EXPECT_EQ(out.find("\nfake: line"), std::string::npos) << out;
        Args asJson = args;
        asJson.push_back("--json");
        EXPECT_EQ(RunJson(asJson)[json::json_pointer(pointer)], hostile) << args[1];
    }
}

TEST_F(CtlHostileInput, EveryCommandFailsWhenItsOutputCannotBeWritten) {
    RunOk({"profile", "set", "ISP", "UseLan", "1"});
    const fs::path err = scratch() / "err";
    for (const char* args : {"profile list --json", "profile list", "phonebook show ISP",
                             "reg query \\\\Software\\\\ --json", "reg export -", "--help"}) {
        const int status =
            std::system((kCtl + " " + args + " >/dev/full 2>" + err.string()).c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1) << args;
        EXPECT_NE(ReadFileText(err).find("cannot write to standard output"), std::string::npos)
            << args;
    }
}

}  // namespace
}  // namespace linkvane::testing
