#include "platform/phonebook_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <thread>

#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

namespace linkvane {
namespace {

class PhonebookFileTest : public testing::ConfigHomeTest {
  protected:
    std::filesystem::path file() const { return linkvaneDir() / "phonebook.json"; }

    std::set<std::string> DirectoryNames() const {
        std::set<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(linkvaneDir())) {
            names.insert(item.path().filename().string());
        }
        return names;
    }
};

// An entry whose every member differs from its default.
PhonebookEntry RichEntry(const std::string& name) {
    PhonebookEntry entry;
    entry.name = name;
    std::uint32_t number = 4000000000u;
    for (const RasNumberField& field : kRasNumberFields)
        entry.properties.*field.member = number++;
    for (const RasTextField& field : kRasTextFields) {
        // "é€" are bytes of the code page; quote and backslash test the JSON escapes.
        const std::string special = "\xC3\xA9\xE2\x82\xAC\"\\";
        entry.properties.*field.member =
            special + std::string(field.name.substr(0, field.size - 5));
    }
    std::uint8_t byte = 1;
    for (const RasAddressField& field : kRasAddressFields) {
        entry.properties.*field.member = {byte, 255, 0, static_cast<std::uint8_t>(byte * 10)};
        ++byte;
    }
    entry.lineSpeed = 57600;
    entry.initString = "AT&F E0 V1";
    entry.alternateNumbers = {"0845 \"1\"", std::string(kRasMaxPhoneNumber, '9'), "3", "4"};
    entry.dialParams = DialParams{"user@isp", "p\xC3\xA4ss \"\\\n"};
    return entry;
}

TEST_F(PhonebookFileTest, EveryMemberRoundTripsThroughAPrivateFileWrittenInOnePiece) {
    {  // A missing file is an empty phonebook, and stays missing.
        PhonebookFile phonebook;
        EXPECT_TRUE(phonebook.ListEntries()->empty());
        EXPECT_FALSE(phonebook.ReadEntry("Any")->has_value());
        EXPECT_EQ(phonebook.RemoveEntry("Any").error().code, 623u);
        EXPECT_EQ(phonebook.SetDialParams("Any", DialParams{}).error().code, 623u);
        EXPECT_FALSE(std::filesystem::exists(file()));
    }
    const PhonebookEntry first = RichEntry("Demon Internet \xE2\x98\x8E");
    PhonebookEntry second = RichEntry("Second");
    second.dialParams.reset();
    {
        PhonebookFile phonebook;
        EXPECT_EQ(phonebook.path(), file());
        ASSERT_TRUE(phonebook.WriteEntry(first));
        ASSERT_TRUE(phonebook.WriteEntry(second));
    }
    PhonebookFile phonebook;  // a fresh reader sees only what is on disk
    errno = EINTR;            // left over from before: only a read that failed is retried
    for (const PhonebookEntry& entry : {first, second}) {
        const Result<std::optional<PhonebookEntry>> read = phonebook.ReadEntry(entry.name);
        ASSERT_TRUE(read && read->has_value()) << entry.name;
        EXPECT_EQ(**read, entry);
    }
    // The dial password is kept enciphered, never as clear text.
    const std::string text = testing::ReadFileText(file());
    EXPECT_EQ(text.find("p\u00e4ss"), std::string::npos) << text;
    EXPECT_NE(text.find("\"encipheredPassword\": \""), std::string::npos) << text;

    // Replacing keeps the entry's place; the order is the phonebook's. A file made readable by
    // others becomes private again.
    ASSERT_EQ(chmod(file().c_str(), 0644), 0);
    PhonebookEntry changed = first;
    changed.properties.localPhoneNumber = "0845 0798000";
    ASSERT_TRUE(phonebook.WriteEntry(changed));
    EXPECT_EQ(*phonebook.ListEntries(), (std::vector<std::string>{first.name, "Second"}));
    EXPECT_EQ(phonebook.ReadEntry(first.name)->value().properties.localPhoneNumber, "0845 0798000");

    EXPECT_EQ(std::filesystem::status(file()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));

    ASSERT_TRUE(phonebook.RemoveEntry(first.name));
    EXPECT_EQ(*phonebook.ListEntries(), (std::vector<std::string>{"Second"}));
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));
}

// golden/entry_names.txt: names ("*N": N letters), and whether an entry of that name is stored;
// a refused one writes nothing. A registry key's name holds 255 characters, without controls
// or slashes.
TEST_F(PhonebookFileTest, BadNamesAreRefusedAndNothingIsWritten) {
    PhonebookFile phonebook;
    testing::ExpectGoldenAnswers("platform/golden/entry_names.txt", [&](std::string name) {
        name = name.starts_with("*") ? std::string(std::stoul(name.substr(1)), 'n') : name;
        const bool existed = std::filesystem::exists(file());
        const Status written = phonebook.WriteEntry(RichEntry(name));
        if (static_cast<bool>(written) != static_cast<bool>(ValidateEntryName(name)))
            return std::string("the check and the write disagree");
        if (written)
            return std::string("stored");
        return "refused " + std::to_string(written.error().code) +
               (std::filesystem::exists(file()) == existed ? "" : ", but written");
    });
}

TEST_F(PhonebookFileTest, EntriesThatCannotBeStoredAreRefused) {
    PhonebookFile phonebook;
    const std::pair<void (*)(PhonebookEntry&), std::uint32_t> changes[] = {
        {[](PhonebookEntry& e) { e.properties.areaCode = std::string(11, '0'); }, 87},
        {[](PhonebookEntry& e) { e.lineSpeed = 0; }, 0},
        // A second command hidden in the init string or in the number, which is dialled.
        {[](PhonebookEntry& e) { e.initString = "ATZ\rATDT999"; }, 0},
        {[](PhonebookEntry& e) { e.properties.localPhoneNumber = "555\rATH"; }, 87},
        {[](PhonebookEntry& e) { e.properties.areaCode = "01\n"; }, 87},
        // The cipher keeps at most 39 characters of Windows-1252.
        {[](PhonebookEntry& e) { e.dialParams->password = std::string(40, 'p'); }, 87},
        {[](PhonebookEntry& e) { e.dialParams->password = "\xE2\x98\x8E"; }, 87},
    };
    for (const auto& [change, code] : changes) {
        PhonebookEntry entry = RichEntry("E");
        change(entry);
        const Status written = phonebook.WriteEntry(entry);
        ASSERT_FALSE(written) << code;
        EXPECT_TRUE(code == 0 || written.error().code == code) << written.error().message;
    }
    EXPECT_FALSE(std::filesystem::exists(file()));

    ASSERT_TRUE(phonebook.WriteEntry(RichEntry("E")));
    EXPECT_FALSE(phonebook.SetDialParams("E", DialParams{"u", std::string("a\0b", 3)}));
    EXPECT_EQ(phonebook.ReadEntry("E")->value(), RichEntry("E"));
}

TEST_F(PhonebookFileTest, ClearTextPasswordsOfEarlierFilesLoadAndTheNextChangeEnciphersThem) {
    testing::WriteFileText(file(), R"({"entries": [
        {"name": "Old", "dialParams": {"userName": "jo", "password": "clear-secret"}},
        {"name": "Long", "dialParams": {"userName": "al", "password": ")" +
                                       std::string(40, 'x') + R"("}}]})");
    PhonebookFile phonebook;
    EXPECT_EQ(phonebook.ReadEntry("Old")->value().dialParams, (DialParams{"jo", "clear-secret"}));
    EXPECT_EQ(phonebook.ReadEntry("Long")->value().dialParams, (DialParams{"al", ""}));
    ASSERT_TRUE(phonebook.AddDevice("/dev/null"));
    EXPECT_EQ(testing::ReadFileText(file()).find("\"password\""), std::string::npos);
    EXPECT_EQ(phonebook.ReadEntry("Old")->value().dialParams, (DialParams{"jo", "clear-secret"}));
}

TEST_F(PhonebookFileTest, DamagedFileIsReportedAndNeverOverwritten) {
    const std::string damaged = "{\"version\": 1, \"entries\": [ {\"name\": \"A\", ";
    testing::WriteFileText(file(), damaged);
    PhonebookFile phonebook;

    Result<std::vector<std::string>> names = phonebook.ListEntries();
    EXPECT_EQ(names.error().code, 625u);
    EXPECT_NE(names.error().message.find(file().string()), std::string::npos);
    EXPECT_NE(names.error().message.find("not valid JSON"), std::string::npos)
        << names.error().message;
    EXPECT_EQ(phonebook.ReadEntry("A").error().code, 625u);

    EXPECT_EQ(phonebook.WriteEntry(RichEntry("B")).error().code, 625u);
    EXPECT_EQ(testing::ReadFileText(file()), damaged);
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));

    // A folder where the file belongs cannot be opened, and stays.
    std::filesystem::remove(file());
    std::filesystem::create_directories(file());
    EXPECT_EQ(phonebook.ListEntries().error().code, 621u);
    EXPECT_FALSE(phonebook.WriteEntry(RichEntry("A")));
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

// The golden file holds texts, each followed by what the parser says of it: the member at
// fault, or the entries (those with every other member at its default marked so) and devices.
TEST(ParsePhonebook, RefusesContentThatIsNotAPhonebookSayingWhere) {
    testing::ExpectGoldenAnswers("platform/golden/phonebook_refusals.txt",
                                 [](const std::string& text) {
                                     const Result<PhonebookData> data = ParsePhonebook(text);
                                     if (!data)
                                         return data.error().message;
                                     std::string said = "accepted:";
                                     for (PhonebookEntry entry : data->entries) {
                                         said += " " + entry.name;
                                         entry.name.clear();
                                         said += entry == PhonebookEntry{} ? " (defaults)" : "";
                                     }
                                     for (const std::string& device : data->addedDevices)
                                         said += " device " + device;
                                     return said;
                                 });
}

// Writers at once lose no change, and writers killed while writing leave nothing that stays.
TEST_F(PhonebookFileTest, ConcurrentWritersLoseNoChangeAndKilledOnesLeaveNoDebris) {
    constexpr int kPerWriter = 5;
    auto writer = [](const std::string& prefix) {
        PhonebookFile phonebook;
        for (int i = 0; i < kPerWriter; ++i) {
            EXPECT_TRUE(phonebook.WriteEntry(RichEntry(prefix + std::to_string(i))));
        }
    };
    std::thread a(writer, "a");
    std::thread b(writer, "b");
    a.join();
    b.join();
    Result<std::vector<std::string>> names = PhonebookFile().ListEntries();
    ASSERT_TRUE(names);
    EXPECT_EQ(names->size(), 2u * kPerWriter);
    for (unsigned round = 0; round < 5; ++round) {
        const pid_t pid = fork();
        for (int i = 0; pid == 0; ++i)
            (void)PhonebookFile().WriteEntry(RichEntry("E" + std::to_string(i % 50)));
        usleep(20000u + 7000u * round);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_TRUE(PhonebookFile().WriteEntry(RichEntry("After")));
    EXPECT_TRUE(PhonebookFile().ReadEntry("after")->has_value());
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));
}

// The machine's serial ports come from the port source; devices the user added are listed
// beside them, whether or not they exist now.
TEST_F(PhonebookFileTest, ListsTheSerialPortsOfTheMachineAndTheDevicesTheUserAdded) {
    const std::vector<TtyDevice> machine = {
        {.name = "ttyS0", .node = "/dev/ttyS0", .uartType = 4, .driver = "serial"},
        {.name = "ttyS1", .node = "/dev/ttyS1", .uartType = 0},  // no UART behind it
        {.name = "ttyUSB0",
         .node = "/dev/ttyUSB0",
         .links = {"/dev/serial/by-id/usb-Zoom_56K-if00"},
         .driver = "pl2303"},
        {.name = "ttyACM3", .node = "/dev/ttyACM3"},
        {.name = "tty0", .node = "/dev/tty0"},
    };
    PhonebookFile phonebook(file(), std::make_shared<testing::RecordedUdev>(machine));
    std::vector<DeviceInfo> expected = {
        {"modem", "/dev/serial/by-id/usb-Zoom_56K-if00", "ttyUSB0 (pl2303)"},
        {"modem", "/dev/ttyACM3", "ttyACM3"},
        {"modem", "/dev/ttyS0", "ttyS0 (serial)"},
    };
    EXPECT_EQ(*phonebook.EnumDevices(), expected);

    // A pseudo-terminal added by its path, and a listed port added as well: each once.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const std::string pty = ptsname(master);
    ASSERT_TRUE(phonebook.AddDevice(pty));
    ASSERT_TRUE(phonebook.AddDevice(pty));
    ASSERT_TRUE(phonebook.AddDevice("/dev/ttyS0"));
    expected.insert(expected.begin(), DeviceInfo{"modem", pty, ""});
    EXPECT_EQ(*phonebook.EnumDevices(), expected);

    // The added device is remembered by the file, and listed while it is gone.
    close(master);
    PhonebookFile again(file(), std::make_shared<testing::RecordedUdev>(machine));
    EXPECT_EQ(*again.EnumDevices(), expected);
    ASSERT_TRUE(phonebook.RemoveDevice(pty));
    EXPECT_EQ(phonebook.RemoveDevice(pty).error().code, 608u);
    EXPECT_EQ(phonebook.EnumDevices()->size(), expected.size() - 1);
}

}  // namespace
}  // namespace linkvane
