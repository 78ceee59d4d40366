#include "core/profiles/phonebook_entries.h"

#include <gtest/gtest.h>

#include "core/profiles/registry_item.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

namespace linkvane {
namespace {

// Plays the user at the modem dialog: answers from a script, then cancels, and remembers what
// it was shown.
struct ScriptedChooser : ModemChooser {
    explicit ScriptedChooser(std::vector<std::optional<std::string>> script)
        : answers(std::move(script)) {}
    std::optional<std::string> ChooseModem(const ModemList& modems) override {
        shown.push_back(modems);
        return shown.size() <= answers.size() ? answers[shown.size() - 1] : std::nullopt;
    }
    std::vector<std::optional<std::string>> answers;
    std::vector<ModemList> shown;
};

// Stored properties as a profile file from another machine carries them.
RasEntry StoredEntry(const std::string& number) {
    RasEntry stored;
    stored.size = 2088;  // the size another system's service reported
    stored.options = 0x00000210;
    stored.countryId = 44;
    stored.countryCode = 44;
    stored.areaCode = "0845";
    stored.localPhoneNumber = number;
    stored.ipAddressDns = {194, 168, 4, 100};
    stored.netProtocols = 4;
    stored.framingProtocol = 1;
    stored.deviceType = "modem";
    stored.deviceName = "Sportster 28800";  // never used: the user picks this machine's modem
    stored.x25Address = "x25";
    stored.channels = 2;
    stored.reserved2 = 9;
    return stored;
}

class PhonebookEntriesTest : public testing::ConfigHomeTest {
  protected:
    PhonebookFile OpenPhonebook() const {
        return PhonebookFile(DefaultPhonebookPath(),
                             std::make_shared<testing::RecordedUdev>(m_ports));
    }
    static std::string Dev(const std::string& name) { return "/dev/" + name; }

    std::vector<TtyDevice> m_ports{{.name = "ttyUSB0", .node = Dev("ttyUSB0")},
                                   {.name = "ttyACM0", .node = Dev("ttyACM0")}};
};

// Dial parameters are stored through the phonebook: profile_editor_test and
// phonebook_file_test.
TEST_F(PhonebookEntriesTest, LookupsIgnoreCaseAndADamagedFileFindsNothing) {
    PhonebookFile phonebook = OpenPhonebook();
    EXPECT_FALSE(EntryExists(phonebook, "Demon"));
    EXPECT_FALSE(EntryExists(phonebook, ""));
    EXPECT_TRUE(ListEntryNames(phonebook).empty());

    PhonebookEntry entry;
    entry.name = "Demon";
    entry.properties = StoredEntry("0798000");
    ASSERT_TRUE(phonebook.WriteEntry(entry));
    entry.name = "Zetnet";
    ASSERT_TRUE(phonebook.WriteEntry(entry));
    EXPECT_TRUE(EntryExists(phonebook, "Demon"));
    EXPECT_TRUE(EntryExists(phonebook, "demon"));  // the same registry key
    EXPECT_FALSE(EntryExists(phonebook, "Demon "));
    EXPECT_EQ(ListEntryNames(phonebook), (std::vector<std::string>{"Demon", "Zetnet"}));
    const RasEntryBytes bytes = ReadEntryProperties(phonebook, "Demon");
    EXPECT_EQ(*DecodeRasEntry(bytes), entry.properties);
    EXPECT_EQ(ReadEntryProperties(phonebook, "demon"), bytes);
    EXPECT_EQ(ReadEntryProperties(phonebook, "Demo"), RasEntryBytes{});

    testing::WriteFileText(phonebook.path(), "{ damaged");
    EXPECT_FALSE(EntryExists(phonebook, "Demon"));
    EXPECT_TRUE(ListEntryNames(phonebook).empty());
    EXPECT_EQ(ReadEntryProperties(phonebook, "Demon"), RasEntryBytes{});
}

TEST_F(PhonebookEntriesTest, CreatedEntryGetsTheConfirmedModemOrKeepsTheLastOneOfTheRun) {
    PhonebookFile phonebook = OpenPhonebook();
    PhonebookEntry old;  // an overwrite keeps the line settings and dial parameters
    old.name = "Demon";
    old.lineSpeed = 38400;
    old.initString = "AT&F1";
    old.dialParams = DialParams{"me", "pw"};
    ASSERT_TRUE(phonebook.WriteEntry(old));
    EntryCreator creator(phonebook);
    ScriptedChooser chooser({std::nullopt, Dev("ttyACM0"), std::nullopt, std::nullopt});
    // The first import of the run is cancelled: no device yet. The second confirms a modem,
    // which the cancelled ones after it keep, also into an overwrite.
    const struct {
        const char* name;
        const char* number;
        std::string device;
    } imports[] = {{"Demon", "0798000", ""},
                   {"Zetnet", "0845 1", Dev("ttyACM0")},
                   {"Other", "1", Dev("ttyACM0")},
                   {"Demon", "2", Dev("ttyACM0")}};
    for (const auto& i : imports) {
        ASSERT_EQ(creator.CreateEntry(i.name, StoredEntry(i.number), chooser), 0u);
        PhonebookEntry expected = i.name == old.name ? old : PhonebookEntry{};
        expected.name = i.name;
        expected.properties = StoredEntry(i.number);
        expected.properties.size = 1768;
        expected.properties.deviceName = i.device;
        EXPECT_EQ(phonebook.ReadEntry(i.name)->value(), expected) << i.name << " " << i.number;
    }
    EXPECT_EQ(chooser.shown.at(0).Names(),
              (std::vector<std::string>{Dev("ttyACM0"), Dev("ttyUSB0")}));
    EXPECT_EQ(chooser.shown.at(0).message, "");
    EXPECT_EQ(creator.entry().deviceName, Dev("ttyACM0"));

    // A second creator (a new run) starts again with no device.
    EntryCreator nextRun(phonebook);
    ASSERT_EQ(nextRun.CreateEntry("Fresh", StoredEntry("1"), chooser), 0u);
    EXPECT_EQ(phonebook.ReadEntry("Fresh")->value().properties.deviceName, "");
}

TEST_F(PhonebookEntriesTest, CreateEntryAnswersWithTheServicesErrorNumber) {
    PhonebookFile phonebook = OpenPhonebook();
    EntryCreator creator(phonebook);
    ScriptedChooser chooser({});

    // An invalid name is refused before the user is asked for a modem.
    EXPECT_EQ(creator.CreateEntry("a\\b", StoredEntry("1"), chooser), 123u);
    EXPECT_TRUE(chooser.shown.empty());

    RasEntry tooLong = StoredEntry("1");
    tooLong.areaCode = std::string(11, '0');  // as a record without a terminator decodes
    EXPECT_EQ(creator.CreateEntry("A", tooLong, chooser), 87u);

    testing::WriteFileText(phonebook.path(), "not json");
    EXPECT_EQ(creator.CreateEntry("A", StoredEntry("1"), chooser), 625u);
    // The dialog says why there is nothing to choose from.
    EXPECT_NE(chooser.shown.back().message.find("damaged"), std::string::npos);
    EXPECT_TRUE(chooser.shown.back().choices.empty());
}

TEST_F(PhonebookEntriesTest, ModemListIsSortedWithoutCaseAndSaysWhenThereAreNone) {
    PhonebookFile none(DefaultPhonebookPath(), std::make_shared<testing::RecordedUdev>());
    ModemList list = BuildModemList(none);
    EXPECT_TRUE(list.choices.empty());
    EXPECT_EQ(list.message, "No modems found!");

    for (const char* id : {"usb-Zoom", "usb-acme", "usb-Acme"}) {
        m_ports.push_back({.name = "ttyUSB" + std::to_string(m_ports.size()),
                           .links = {Dev("serial/by-path/x"), Dev("serial/by-id/") + id}});
    }
    PhonebookFile phonebook = OpenPhonebook();
    list = BuildModemList(phonebook);
    EXPECT_EQ(list.Names(), (std::vector<std::string>{
                                Dev("serial/by-id/usb-Acme"), Dev("serial/by-id/usb-acme"),
                                Dev("serial/by-id/usb-Zoom"), Dev("ttyACM0"), Dev("ttyUSB0")}));
    EXPECT_EQ(list.choices.front().detail, "ttyUSB4");
    EXPECT_EQ(list.message, "");
}

// The block that Connect writes (terminal off) is connect_controller_test's.
TEST_F(PhonebookEntriesTest, SetEntryTerminalSwitchesTheTerminalOnButNeverUnderAnotherKey) {
    SqliteRegistryStore store(linkvaneDir());
    ASSERT_TRUE(SetEntryTerminal(store, "Demon Internet", true));
    EXPECT_FALSE(SetEntryTerminal(store, "a\\b", false));
    COXRegistryItem profiles(store, "\\RemoteAccess\\Profile\\");
    EXPECT_EQ(profiles.GetSubkeyNames(), (std::vector<std::string>{"Demon Internet"}));
    COXRegistryItem item(store, "\\RemoteAccess\\Profile\\Demon Internet\\Terminal");
    EXPECT_EQ(item.GetRawValue()->data.at(8), 1);
}

}  // namespace
}  // namespace linkvane
