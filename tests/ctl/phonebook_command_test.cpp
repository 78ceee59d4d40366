#include "ctl_test_support.h"
#include "platform/phonebook_file.h"

namespace linkvane::testing {
namespace {

using nlohmann::json;

class CtlPhonebook : public CtlTest {};

TEST_F(CtlPhonebook, AddShowListAndRemoveAnEntry) {
    PseudoTerminal modem;
    RunOk({"phonebook", "add", "Demon Dial", "--phone", "0798888", "--area", "0845", "--country",
           "44", "--device", modem.path()});
    RunOk({"phonebook", "add", "LAN", "--phone", "0", "--device", modem.path()});
    EXPECT_EQ(RunJson({"phonebook", "list", "--json"}), (json{{"entries", {"Demon Dial", "LAN"}}}));

    const json entry = RunJson({"phonebook", "show", "Demon Dial", "--json"});
    EXPECT_EQ(entry["name"], "Demon Dial");
    const json& properties = entry["properties"];
    EXPECT_EQ(properties.size(), 27u);
    EXPECT_EQ(properties["size"], 1768);
    EXPECT_EQ(properties["options"], 1);  // dial the country and area codes
    EXPECT_EQ(properties["countryCode"], 44);
    EXPECT_EQ(properties["areaCode"], "0845");
    EXPECT_EQ(properties["localPhoneNumber"], "0798888");
    EXPECT_EQ(properties["deviceType"], "modem");
    EXPECT_EQ(properties["deviceName"], modem.path());
    EXPECT_EQ(properties["ipAddressDns"], "0.0.0.0");
    EXPECT_EQ(entry["lineSpeed"], 115200);
    EXPECT_EQ(entry["initString"], "ATZ");
    EXPECT_EQ(entry["dialParams"], nullptr);

    // An existing name is replaced only on request, keeping the dial parameters.
    ASSERT_TRUE(PhonebookFile().SetDialParams("Demon Dial", {"demon-user", "dial-secret"}).ok());
    const CtlResult exists = Run({"phonebook", "add", "Demon Dial", "--phone", "1"});
    EXPECT_EQ(exists.exitCode, 1);
    EXPECT_NE(exists.err.find("--replace"), std::string::npos) << exists;
    RunOk(
        {"phonebook", "add", "Demon Dial", "--phone", "1", "--device", modem.path(), "--replace"});
    const json replaced = RunJson({"phonebook", "show", "Demon Dial", "--json"});
    EXPECT_EQ(replaced["properties"]["localPhoneNumber"], "1");
    EXPECT_EQ(replaced["properties"]["areaCode"], "");
    EXPECT_EQ(replaced["properties"]["options"], 0);
    EXPECT_EQ(replaced["dialParams"], (json{{"userName", "demon-user"}, {"password", "********"}}));
    EXPECT_EQ(RunJson({"phonebook", "show", "Demon Dial", "--json",
                       "--show-passwords"})["dialParams"]["password"],
              "dial-secret");
    const CtlResult text = Run({"phonebook", "show", "Demon Dial"});
    EXPECT_NE(text.out.find("  password: ********\n"), std::string::npos) << text;
    EXPECT_EQ(text.out.find("dial-secret"), std::string::npos) << text;

    RunOk({"phonebook", "remove", "Demon Dial"});
    EXPECT_EQ(Run({"phonebook", "list"}).out, "LAN\n");
    const CtlResult again = Run({"phonebook", "remove", "Demon Dial"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.ends_with("(code 623)\n")) << again;
    const CtlResult show = Run({"phonebook", "show", "Demon Dial", "--json"});
    EXPECT_EQ(show.exitCode, 1);
    EXPECT_TRUE(show.err.ends_with("(code 623)\n")) << show;
}

TEST_F(CtlPhonebook, AddRefusesInvalidNamesNumbersAndDevicesWithClearMessages) {
    PseudoTerminal modem;
    struct Case {
        std::vector<std::string> args;
        std::string ending;
    };
    const Case cases[] = {
        {{"a/b", "--phone", "1"}, "(code 123)\n"},
        {{"a\\b", "--phone", "1"}, "(code 123)\n"},
        {{"a\nb", "--phone", "1"}, "(code 123)\n"},
        {{"tab\there", "--phone", "1"}, "(code 123)\n"},
        {{"..", "--phone", "1"}, "(code 123)\n"},
        {{"", "--phone", "1"}, "(code 123)\n"},
        {{std::string(257, 'n'), "--phone", "1"}, "(code 123)\n"},
        {{"ok", "--phone", "1\rATH0"}, "(code 87)\n"},
        {{"ok", "--phone", "1", "--area", "1\n"}, "(code 87)\n"},
        {{"ok", "--phone", std::string(129, '1'), "--device", modem.path()}, "(code 87)\n"},
        {{"ok", "--phone", "1", "--device", "/nonexistent/ttyUSB9"}, "(code 608)\n"},
        {{"ok", "--phone", "1", "--device", "ttyS0"}, "(code 87)\n"},
        {{"ok", "--phone", "1", "--device", "/etc/hostname"}, "(code 608)\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"phonebook", "add"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CtlResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << result;
        ASSERT_EQ(result.ErrLines().size(), 1u) << result;
        EXPECT_TRUE(result.err.ends_with(c.ending)) << result;
    }
    EXPECT_EQ(RunJson({"phonebook", "list", "--json"}), (json{{"entries", json::array()}}));
    EXPECT_EQ(Run({"phonebook", "add", "ok", "--phone", "1", "--country", "UK"}).exitCode, 2);
}

TEST_F(CtlPhonebook, DevicesListsAPseudoTerminalAddedByPathUntilRemoved) {
    PseudoTerminal modem;
    RunOk({"phonebook", "devices", "--add", modem.path()});
    const json devices = RunJson({"phonebook", "devices", "--json"});
    EXPECT_NE(std::find(devices["devices"].begin(), devices["devices"].end(),
                        json{{"type", "modem"}, {"name", modem.path()}}),
              devices["devices"].end())
        << devices;
    RunOk({"phonebook", "devices", "--remove", modem.path()});
    EXPECT_EQ(Run({"phonebook", "devices"}).out.find(modem.path()), std::string::npos);
    const CtlResult notAdded = Run({"phonebook", "devices", "--remove", modem.path()});
    EXPECT_EQ(notAdded.exitCode, 1);
    EXPECT_TRUE(notAdded.err.ends_with("(code 608)\n")) << notAdded;
}

TEST_F(CtlPhonebook, DamagedPhonebookIsReportedAndLeftAsItIs) {
    std::filesystem::create_directories(linkvaneDir());
    const auto file = linkvaneDir() / "phonebook.json";
    { std::ofstream(file) << "{\"version\": 1, \"entries\": [ {\"name\": 5} ]}"; }
    const std::string before = ReadFileText(file);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"phonebook", "list"},
                                                 {"phonebook", "add", "X", "--phone", "1"},
                                                 {"profile", "list", "--json"}}) {
        const CtlResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << result;
        EXPECT_TRUE(result.err.ends_with("(code 625)\n")) << result;
    }
    EXPECT_EQ(ReadFileText(file), before);
}

}  // namespace
}  // namespace linkvane::testing
