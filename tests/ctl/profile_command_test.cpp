#include <sys/stat.h>

#include "ctl_test_support.h"

namespace linkvane::testing {
namespace {

using nlohmann::json;

constexpr const char* kProfileKey = "\\Software\\Kestrom\\Linkvane\\DialEntry\\Demon Dial\\";

class CtlProfile : public CtlTest {
  protected:
    void Set(const std::string& value, const std::string& data) {
        RunOk({"profile", "set", "Demon Dial", value, data});
    }
    json Show(bool passwords = false) {
        std::vector<std::string> args = {"profile", "show", "Demon Dial", "--json"};
        if (passwords)
            args.push_back("--show-passwords");
        return RunJson(args);
    }
    // A profile with every kind of value set, and its phonebook entry on the given device.
    void MakeProfile(const std::string& device) {
        RunOk({"phonebook", "add", "Demon Dial", "--phone", "0845 0798888", "--area", "0845",
               "--country", "44", "--device", device});
        Set("Login", "demon-user");
        Set("Password", "dial-secret");
        Set("EPassword", "mail \"secret\"");
        Set("UseLan", "0");
        Set("POP3Host", "pop3.demon.co.uk");
        Set("Homepage", "http://www.demon.net/");
        Set("PingFreq", "5");
        Set("PopMinutes", "4294967295");
        Set("Tweak", "3");
        Set("SetIE", "1");
    }
};

TEST_F(CtlProfile, SetKeepsEachValuesTypeAndShowMasksPasswordsUnlessAsked) {
    Set("UseLan", "-5");
    Set("PingFreq", "0x10");
    Set("PopMinutes", "4294967295");
    Set("homepage", "http://example.org/");  // value names match without case
    Set("Password", "dial-secret");
    const json shown = Show();
    EXPECT_EQ(shown["UseLan"], -5);
    EXPECT_EQ(shown["PingFreq"], 16);
    EXPECT_EQ(shown["PopMinutes"], 4294967295u);
    EXPECT_EQ(shown["Homepage"], "http://example.org/");
    EXPECT_EQ(shown["Password"], "********");
    EXPECT_EQ(shown["EPassword"], "");
    EXPECT_EQ(shown.size(), 27u);
    EXPECT_EQ(Show(true)["Password"], "dial-secret");

    // The registry holds the numbers as REG_DWORD and the password enciphered.
    EXPECT_EQ(RunJson({"reg", "query", std::string(kProfileKey) + "UseLan", "--json"}),
              (json{{"type", "REG_DWORD"}, {"data", 4294967291u}}));
    const json stored = RunJson({"reg", "query", std::string(kProfileKey) + "Password", "--json"});
    EXPECT_EQ(stored["type"], "REG_SZ");
    EXPECT_NE(stored["data"], "dial-secret");
    EXPECT_EQ(stored["data"].get<std::string>().size(), std::string("dial-secret").size());

    const CtlResult text = Run({"profile", "show", "Demon Dial"});
    EXPECT_TRUE(text.out.starts_with("UseLan: -5\nLogin: \nPassword: ********\n")) << text;
    EXPECT_NE(text.out.find("\nPassword: ********\n"), std::string::npos) << text;
    EXPECT_NE(text.out.find("\nPopMinutes: 4294967295\n"), std::string::npos) << text;
}

TEST_F(CtlProfile, SetRefusesUnknownNamesBadNumbersAndLongPasswords) {
    Set("Password", std::string(39, 'p'));
    struct Case {
        std::string value, data;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"Passwd", "x", 2, "the values are: UseLan, Login, Password,"},
        {"Default", "x", 2, "is not a profile value"},
        {"Password", std::string(40, 'q'), 1, "at most 39"},
        {"EPassword", std::string(40, 'q'), 1, "at most 39"},
        {"UseLan", "2147483648", 2, "between -2147483648 and 2147483647"},
        {"PingFreq", "five", 2, "whole number"},
        {"PopMinutes", "-1", 2, "between 0 and 4294967295"},
    };
    for (const Case& c : cases) {
        const CtlResult result = Run({"profile", "set", "Demon Dial", c.value, c.data});
        EXPECT_EQ(result.exitCode, c.exitCode) << result;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result;
    }
    const CtlResult badName = Run({"profile", "set", "a/b", "UseLan", "1"});
    EXPECT_EQ(badName.exitCode, 1);
    EXPECT_TRUE(badName.err.ends_with("(code 123)\n")) << badName;

    const json shown = Show(true);
    EXPECT_EQ(shown["Password"], std::string(39, 'p'));
    EXPECT_EQ(shown["EPassword"], "");
    EXPECT_EQ(shown["UseLan"], 0);
}

TEST_F(CtlProfile, ListMarksTheExactDefaultAndTheProfilesWithStoredSettings) {
    for (const char* name : {"Demon Dial", "Demon"})
        RunOk({"phonebook", "add", name, "--phone", "1"});
    RunOk({"profile", "set", "Demon", "SetIE", "1"});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\Default", "REG_SZ", "Demon Dial"});
    const json expected = {
        {"default", "Demon Dial"},
        {"profiles",
         {{{"name", "Demon Dial"}, {"default", true}, {"hasSettings", false}},
          {{"name", "Demon"}, {"default", false}, {"hasSettings", true}}}},
    };
    EXPECT_EQ(RunJson({"profile", "list", "--json"}), expected);
    EXPECT_EQ(Run({"profile", "list"}).out,
              "* Demon Dial    (no stored settings)\n"
              "  Demon\n");

    RunOk({"profile", "clear", "Demon"});
    EXPECT_EQ(RunJson({"profile", "list", "--json"})["profiles"][1]["hasSettings"], false);
    RunOk({"profile", "clear", "Demon"});  // already clear
    RunOk({"phonebook", "remove", "Demon"});
    const CtlResult gone = Run({"profile", "show", "Demon", "--json"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_TRUE(gone.out.empty());
    EXPECT_TRUE(gone.err.ends_with("(code 2)\n")) << gone;
}

TEST_F(CtlProfile, ExportThenImportRestoresTheProfileAndTheEntry) {
    PseudoTerminal modem;
    MakeProfile(modem.path());
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\Url1Label", "REG_SZ", "Demon"});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\EnableRedial", "REG_DWORD", "1"});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\RedialAttempts", "REG_DWORD", "9"});
    const json profile = Show(true);
    const json entry = RunJson({"phonebook", "show", "Demon Dial", "--json"});
    const auto file = scratch() / "demon.idf";
    RunOk({"profile", "export", "Demon Dial", file.string()});
    EXPECT_EQ(std::filesystem::file_size(file), 7136u);

    // Into a fresh config home, with the modem named by its path.
    TempDir fresh;
    UseConfigHome(fresh.path());
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\Url1Label", "REG_SZ", "Local"});
    const CtlResult imported = Run({"profile", "import", file.string(), "--device", modem.path()});
    EXPECT_EQ(imported.exitCode, 0) << imported;
    json restored = Show(true);
    EXPECT_EQ(restored["Tweak"], 0);  // not in the file: a new profile starts without it
    restored["Tweak"] = profile["Tweak"];
    EXPECT_EQ(restored, profile);
    EXPECT_EQ(RunJson({"phonebook", "show", "Demon Dial", "--json"}), entry);
    const json devices = RunJson({"phonebook", "devices", "--json"})["devices"];
    EXPECT_NE(
        std::find(devices.begin(), devices.end(), json{{"type", "modem"}, {"name", modem.path()}}),
        devices.end())
        << "a device given by path is added to the list: " << devices;
    // The program-wide values stay as they were without --with-settings.
    EXPECT_EQ(
        RunJson({"reg", "query", "\\Software\\Kestrom\\Linkvane\\Url1Label", "--json"})["data"],
        "Local");

    // Over an existing entry: only with --yes, keeping the stored Tweak.
    Set("Homepage", "http://changed/");
    Set("Tweak", "3");
    const CtlResult refused = Run({"profile", "import", file.string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("--yes"), std::string::npos) << refused;
    EXPECT_EQ(Show()["Homepage"], "http://changed/");
    const CtlResult noDevice =
        Run({"profile", "import", file.string(), "--yes", "--device", "/nonexistent/tty"});
    EXPECT_EQ(noDevice.exitCode, 1);
    EXPECT_TRUE(noDevice.err.ends_with("(code 608)\n")) << noDevice;
    EXPECT_EQ(Show()["Homepage"], "http://changed/");

    // On a terminal the user is asked, and any answer but yes keeps the entry.
    PseudoTerminal terminal;
    terminal.Type("n\n");
    const CtlResult declined = RunWithStdin({"profile", "import", file.string()}, terminal.path());
    EXPECT_EQ(declined.exitCode, 1) << declined;
    EXPECT_NE(declined.err.find("This entry currently exists."), std::string::npos) << declined;
    EXPECT_EQ(Show()["Homepage"], "http://changed/");
    terminal.Type("y\n");
    const CtlResult confirmed = RunWithStdin({"profile", "import", file.string()}, terminal.path());
    EXPECT_EQ(confirmed.exitCode, 0) << confirmed;
    EXPECT_EQ(Show()["Homepage"], "http://www.demon.net/");
    Set("Homepage", "http://changed/");

    RunOk({"profile", "import", file.string(), "--yes", "--with-settings"});
    EXPECT_EQ(Show(true), profile);
    // Without --device the modem choice is cancelled: the entry gets no device.
    EXPECT_EQ(RunJson({"phonebook", "show", "Demon Dial", "--json"})["properties"]["deviceName"],
              "");
    const json globals = RunJson({"reg", "query", "\\Software\\Kestrom\\Linkvane\\", "--json"});
    EXPECT_EQ(globals["values"]["Url1Label"]["data"], "Demon");
    EXPECT_EQ(globals["values"]["RedialAttempts"]["data"], 9);

    const CtlResult notAFile = Run({"profile", "import", "/etc/hostname", "--yes"});
    EXPECT_EQ(notAFile.exitCode, 1);
    EXPECT_EQ(notAFile.ErrLines().size(), 1u) << notAFile;

    // A file naming no profile imports nothing and says nothing, even when its other fields
    // could not be read (0xFF is no terminated string).
    const auto unnamed = configHome() / "unnamed.idf";
    std::string bytes(7136, '\xFF');
    bytes[1768] = '\0';
    { std::ofstream(unnamed, std::ios::binary) << bytes; }
    const std::string phonebookBefore = ReadFileText(linkvaneDir() / "phonebook.json");
    const CtlResult silent = Run({"profile", "import", unnamed.string(), "--yes"});
    EXPECT_EQ(silent.exitCode, 0) << silent;
    EXPECT_TRUE(silent.out.empty() && silent.err.empty()) << silent;
    EXPECT_EQ(ReadFileText(linkvaneDir() / "phonebook.json"), phonebookBefore);
}

TEST_F(CtlProfile, DamagedStoreGivesOneLineWithCode1009AndStaysUntouched) {
    std::filesystem::create_directories(linkvaneDir());
    const auto db = linkvaneDir() / "current_user.db";
    std::string garbage(4096, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919) % 251);
    { std::ofstream(db, std::ios::binary) << garbage; }
    // Private already, so that no warning about loose modes joins the one line.
    std::filesystem::permissions(linkvaneDir(), std::filesystem::perms::owner_all);
    std::filesystem::permissions(
        db, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    struct stat before {};
    ASSERT_EQ(stat(db.c_str(), &before), 0);

    const std::vector<std::vector<std::string>> commands = {
        {"reg", "query", "\\Software\\", "--json"},
        {"reg", "add", "\\Software\\X\\Y", "REG_SZ", "y"},
        {"reg", "export", "-"},
        {"reg", "import", "-"},
        {"profile", "list", "--json"},
        {"profile", "show", "Demon Dial", "--json"},
        {"profile", "set", "Demon Dial", "UseLan", "1"},
        {"apply", "Demon Dial"},
    };
    for (const auto& command : commands) {
        const CtlResult result = Run(command, "REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n");
        EXPECT_EQ(result.exitCode, 1) << command[1] << "\n" << result;
        EXPECT_TRUE(result.out.empty()) << result;
        ASSERT_EQ(result.ErrLines().size(), 1u) << result;
        EXPECT_TRUE(result.err.ends_with("(code 1009)\n")) << result;
        EXPECT_NE(result.err.find(db.string()), std::string::npos) << result;
    }
    struct stat after {};
    ASSERT_EQ(stat(db.c_str(), &after), 0);
    EXPECT_EQ(ReadFileText(db), garbage);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

}  // namespace
}  // namespace linkvane::testing
