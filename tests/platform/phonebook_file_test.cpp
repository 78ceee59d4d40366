#include "platform/phonebook_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "support/temp_dir.h"

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

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

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
    entry.dialParams = DialParams{"user@isp", "p\xC3\xA4ss \"\\\n"};
    return entry;
}

TEST_F(PhonebookFileTest, EveryMemberRoundTripsThroughAPrivateFileWrittenInOnePiece) {
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
    Result<std::optional<PhonebookEntry>> read = phonebook.ReadEntry(first.name);
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->has_value());
    EXPECT_EQ(**read, first);
    read = phonebook.ReadEntry("Second");
    ASSERT_TRUE(read && read->has_value());
    EXPECT_EQ(**read, second);

    // Replacing keeps the entry's place; the order is the phonebook's.
    PhonebookEntry changed = first;
    changed.properties.localPhoneNumber = "0845 0798000";
    ASSERT_TRUE(phonebook.WriteEntry(changed));
    EXPECT_EQ(*phonebook.ListEntries(), (std::vector<std::string>{first.name, "Second"}));
    EXPECT_EQ(phonebook.ReadEntry(first.name)->value().properties.localPhoneNumber, "0845 0798000");

    struct stat info {};
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));

    ASSERT_TRUE(phonebook.RemoveEntry(first.name));
    EXPECT_EQ(*phonebook.ListEntries(), (std::vector<std::string>{"Second"}));
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));
}

TEST_F(PhonebookFileTest, AFileMadeReadableByOthersBecomesPrivateAgainOnTheNextWrite) {
    PhonebookFile phonebook;
    ASSERT_TRUE(phonebook.WriteEntry(RichEntry("A")));
    ASSERT_EQ(chmod(file().c_str(), 0644), 0);
    ASSERT_TRUE(phonebook.SetDialParams("A", DialParams{"u", "secret"}));
    struct stat info {};
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(PhonebookFileTest, MissingFileIsAnEmptyPhonebook) {
    PhonebookFile phonebook;
    Result<std::vector<std::string>> names = phonebook.ListEntries();
    ASSERT_TRUE(names);
    EXPECT_TRUE(names->empty());
    Result<std::optional<PhonebookEntry>> read = phonebook.ReadEntry("Any");
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->has_value());
    EXPECT_EQ(phonebook.RemoveEntry("Any").error().code, 623u);
    EXPECT_EQ(phonebook.SetDialParams("Any", DialParams{}).error().code, 623u);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

// Names share one registry key whatever their case, so they are one entry: a write in other
// case replaces the entry, which keeps its name, and a file with both is damaged.
TEST_F(PhonebookFileTest, NamesDifferingInCaseAreOneEntry) {
    PhonebookFile phonebook;
    ASSERT_TRUE(phonebook.WriteEntry(RichEntry("MyISP")));
    PhonebookEntry other = RichEntry("myisp");
    other.properties.localPhoneNumber = "0800";
    ASSERT_TRUE(phonebook.WriteEntry(other));
    EXPECT_EQ(*phonebook.ListEntries(), (std::vector<std::string>{"MyISP"}));
    EXPECT_EQ(phonebook.ReadEntry("MYISP")->value().properties.localPhoneNumber, "0800");
    ASSERT_TRUE(phonebook.RemoveEntry("myisp"));
    EXPECT_TRUE(phonebook.ListEntries()->empty());

    WriteAll(file(), R"({"entries":[{"name":"ISP"},{"name":"isp"}]})");
    EXPECT_EQ(phonebook.ListEntries().error().code, 625u);
}

TEST_F(PhonebookFileTest, BadNamesAreRefusedAndNothingIsWritten) {
    const std::vector<std::string> badNames = {
        "",
        ".",
        "..",
        "dir/name",
        "back\\slash",
        "tab\there",
        "line\nbreak",
        "del\x7F",
        "c1\xC2\x85",           // NEL, a C1 control
        std::string(256, 'n'),  // a registry key name holds 255
        "bad\xFF",
        "overlong\xC0\xAF",
        "surrogate\xED\xA0\x80",
        "cut\xE2\x82",
        std::string("zero\0byte", 9),
    };
    PhonebookFile phonebook;
    for (const std::string& name : badNames) {
        Status written = phonebook.WriteEntry(RichEntry(name));
        ASSERT_FALSE(written) << name;
        EXPECT_EQ(written.error().code, 123u) << name;
        EXPECT_FALSE(ValidateEntryName(name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(file()));

    for (const std::string& name :
         {std::string(255, 'n'), std::string("Caf\xC3\xA9 \xE6\x97\xA5 ...")}) {
        EXPECT_TRUE(phonebook.WriteEntry(RichEntry(name))) << name;
    }
}

TEST_F(PhonebookFileTest, EntriesThatCannotBeStoredAreRefused) {
    PhonebookFile phonebook;
    PhonebookEntry entry = RichEntry("E");
    entry.properties.areaCode = std::string(11, '0');
    EXPECT_EQ(phonebook.WriteEntry(entry).error().code, 87u);
    entry = RichEntry("E");
    entry.lineSpeed = 0;
    EXPECT_FALSE(phonebook.WriteEntry(entry));
    entry = RichEntry("E");
    entry.initString = "ATZ\rATDT999";  // a second command hidden in the init string
    EXPECT_FALSE(phonebook.WriteEntry(entry));
    entry = RichEntry("E");
    entry.properties.localPhoneNumber = "555\rATH";  // the number ends up in the dial command
    EXPECT_EQ(phonebook.WriteEntry(entry).error().code, 87u);
    entry = RichEntry("E");
    entry.properties.areaCode = "01\n";
    EXPECT_EQ(phonebook.WriteEntry(entry).error().code, 87u);
    entry = RichEntry("E");
    entry.dialParams->password = std::string(257, 'p');
    EXPECT_FALSE(phonebook.WriteEntry(entry));
    EXPECT_FALSE(std::filesystem::exists(file()));

    ASSERT_TRUE(phonebook.WriteEntry(RichEntry("E")));
    EXPECT_FALSE(phonebook.SetDialParams("E", DialParams{"u", std::string("a\0b", 3)}));
    EXPECT_EQ(phonebook.ReadEntry("E")->value(), RichEntry("E"));
}

TEST_F(PhonebookFileTest, DamagedFileIsReportedAndNeverOverwritten) {
    const std::string damaged = "{\"version\": 1, \"entries\": [ {\"name\": \"A\", ";
    WriteAll(file(), damaged);
    PhonebookFile phonebook;

    Result<std::vector<std::string>> names = phonebook.ListEntries();
    ASSERT_FALSE(names);
    EXPECT_EQ(names.error().code, 625u);
    EXPECT_NE(names.error().message.find(file().string()), std::string::npos);
    EXPECT_NE(names.error().message.find("not valid JSON"), std::string::npos)
        << names.error().message;
    EXPECT_EQ(phonebook.ReadEntry("A").error().code, 625u);
    EXPECT_EQ(phonebook.EnumDevices().error().code, 625u);

    EXPECT_EQ(phonebook.WriteEntry(RichEntry("B")).error().code, 625u);
    EXPECT_EQ(phonebook.RemoveEntry("A").error().code, 625u);
    EXPECT_EQ(phonebook.SetDialParams("A", DialParams{}).error().code, 625u);
    EXPECT_EQ(phonebook.AddDevice("/dev/null").error().code, 625u);
    EXPECT_EQ(ReadAll(file()), damaged);
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));
}

TEST_F(PhonebookFileTest, UnreadableFileIsReportedAsNotOpened) {
    std::filesystem::create_directories(file());  // a directory where the file should be
    PhonebookFile phonebook;
    Result<std::vector<std::string>> names = phonebook.ListEntries();
    ASSERT_FALSE(names);
    EXPECT_EQ(names.error().code, 621u);
    EXPECT_FALSE(phonebook.WriteEntry(RichEntry("A")));
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

TEST(ParsePhonebook, RefusesContentThatIsNotAPhonebookSayingWhere) {
    struct Case {
        std::string text;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"", "not valid JSON"},
        {"[]", "must be a JSON object"},
        {"{\"version\": 2}", "format version"},
        {"{\"entries\": {}}", "entries must be an array"},
        {"{\"entries\": [{}]}", "entries[0].name must be a string"},
        {"{\"entries\": [{\"name\": \"A\", \"options\": \"1\"}]}",
         "entries[0].options must be a whole"},
        {"{\"entries\": [{\"name\": \"A\", \"options\": -1}]}", "options must be a whole"},
        {"{\"entries\": [{\"name\": \"A\", \"options\": 4294967296}]}", "options must be a whole"},
        {"{\"entries\": [{\"name\": \"A\", \"frameSize\": 1.5}]}", "frameSize must be a whole"},
        {"{\"entries\": [{\"name\": \"A\", \"ipAddressDns\": \"1.2.3\"}]}",
         "ipAddressDns must be an IPv4"},
        {"{\"entries\": [{\"name\": \"A\", \"ipAddress\": \"1.2.3.256\"}]}",
         "ipAddress must be an IPv4"},
        {"{\"entries\": [{\"name\": \"A\", \"ipAddress\": \"1.2.3.4 \"}]}",
         "ipAddress must be an IPv4"},
        {"{\"entries\": [{\"name\": \"A\", \"areaCode\": \"01234567890\"}]}", "areaCode is longer"},
        {"{\"entries\": [{\"name\": \"a/b\"}]}", "entries[0]: The entry name must not contain"},
        {"{\"entries\": [{\"name\": \"A\"}, {\"name\": \"A\"}]}", "two entries named \"A\""},
        {"{\"entries\": [{\"name\": \"A\", \"dialParams\": []}]}", "dialParams must be an object"},
        {"{\"entries\": [{\"name\": \"A\", \"dialParams\": {\"password\": 5}}]}",
         "dialParams.password must be a string"},
        {"{\"devices\": [\"dev/ttyS0\"]}", "devices[0]: A device is added by its absolute path"},
        {"{\"devices\": \"/dev/ttyS0\"}", "devices must be an array"},
        {"{\"x\": " + std::string(100, '[') + std::string(100, ']') + "}", "deeper"},
        {"{\"entries\": [{\"name\": \"\xFF\"}]}", "not valid JSON"},
    };
    for (const Case& c : cases) {
        Result<PhonebookData> data = ParsePhonebook(c.text);
        ASSERT_FALSE(data) << c.text;
        EXPECT_NE(data.error().message.find(c.says), std::string::npos)
            << c.text << " -> " << data.error().message;
    }
}

TEST(ParsePhonebook, MissingMembersTakeTheirDefaultsAndSerialisingRoundTrips) {
    Result<PhonebookData> data = ParsePhonebook(
        "{\"entries\": [{\"name\": \"Min\"}], \"devices\": [\"/dev/a\", \"/dev/a\"]}");
    ASSERT_TRUE(data) << data.error().message;
    PhonebookData expected;
    expected.entries.push_back(PhonebookEntry{});
    expected.entries.back().name = "Min";
    expected.addedDevices = {"/dev/a"};
    EXPECT_EQ(*data, expected);

    expected.entries.push_back(RichEntry("Rich"));
    Result<std::string> text = SerializePhonebook(expected);
    ASSERT_TRUE(text);
    Result<PhonebookData> again = ParsePhonebook(*text);
    ASSERT_TRUE(again) << again.error().message;
    EXPECT_EQ(*again, expected);
}

TEST_F(PhonebookFileTest, ConcurrentWritersLoseNoChange) {
    constexpr int kPerWriter = 15;
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
    EXPECT_EQ(DirectoryNames(), (std::set<std::string>{"phonebook.json"}));
}

// A /dev of plain files: the names decide, except for ttyS*, which must be real UARTs.
class PhonebookDevicesTest : public PhonebookFileTest {
  protected:
    void SetUp() override {
        PhonebookFileTest::SetUp();
        const auto& dev = m_dev.path();
        for (const char* name : {"ttyS0", "ttyS1", "ttyUSB0", "ttyUSB12", "ttyACM3", "ttyUSBx",
                                 "ttyACM", "tty0", "console", "ttyprintk"}) {
            WriteAll(dev / name, "");
        }
        std::filesystem::create_directories(dev / "serial" / "by-id");
        std::filesystem::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-Zoom_56K-if00");
        std::filesystem::create_symlink("../../ttyGone", dev / "serial/by-id/usb-unplugged");
    }

    std::string Dev(const std::string& name) const { return (m_dev.path() / name).string(); }

    testing::TempDir m_dev;
};

TEST_F(PhonebookDevicesTest, ListsTheModemsOfTheMachineAndTheDevicesTheUserAdded) {
    PhonebookFile phonebook(file(), m_dev.path());
    Result<std::vector<DeviceInfo>> devices = phonebook.EnumDevices();
    ASSERT_TRUE(devices) << devices.error().message;
    std::vector<DeviceInfo> expected = {
        {"modem", Dev("serial/by-id/usb-Zoom_56K-if00")},
        {"modem", Dev("ttyACM3")},
        {"modem", Dev("ttyUSB0")},
        {"modem", Dev("ttyUSB12")},
    };
    EXPECT_EQ(*devices, expected);

    // A pseudo-terminal, as a simulated modem is, added by its path.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string pty = ptsname(master);
    ASSERT_TRUE(phonebook.AddDevice(pty));
    ASSERT_TRUE(phonebook.AddDevice(pty));  // once is enough
    expected.insert(expected.begin(), DeviceInfo{"modem", pty});
    EXPECT_EQ(*phonebook.EnumDevices(), expected);

    // The added device is remembered by the file, and listed while it is gone.
    close(master);
    EXPECT_EQ(*PhonebookFile(file(), m_dev.path()).EnumDevices(), expected);
    ASSERT_TRUE(phonebook.RemoveDevice(pty));
    EXPECT_EQ(phonebook.RemoveDevice(pty).error().code, 608u);
    EXPECT_EQ(phonebook.EnumDevices()->size(), 4u);
}

TEST_F(PhonebookDevicesTest, AddingAnythingButADevicePathIsRefused) {
    PhonebookFile phonebook(file(), m_dev.path());
    EXPECT_EQ(phonebook.AddDevice(Dev("ttyUSB0")).error().code, 608u);  // a plain file
    EXPECT_EQ(phonebook.AddDevice("/dev/nonexistent-modem").error().code, 608u);
    EXPECT_EQ(phonebook.AddDevice("ttyUSB0").error().code, 87u);
    EXPECT_EQ(phonebook.AddDevice("/dev/" + std::string(124, 'x')).error().code, 87u);
    EXPECT_EQ(phonebook.AddDevice("/dev/tty\n").error().code, 87u);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(PhonebookDevicesTest, SerialPortsAreListedOnlyWhenTheyAreRealUarts) {
    // ttyS names that are not character devices, or whose port type is unknown, are no modems.
    std::filesystem::create_symlink("/dev/null", m_dev.path() / "ttyS7");
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::filesystem::create_symlink(ptsname(master), m_dev.path() / "ttyS8");
    // The machine's first serial port, when it has one, and what the kernel says of its UART
    // type in sysfs (0 is unknown).
    const bool haveUart = std::filesystem::exists("/dev/ttyS0") &&
                          std::filesystem::exists("/sys/class/tty/ttyS0/type");
    if (haveUart)
        std::filesystem::create_symlink("/dev/ttyS0", m_dev.path() / "ttyS9");
    Result<std::vector<DeviceInfo>> devices = PhonebookFile(file(), m_dev.path()).EnumDevices();
    close(master);
    ASSERT_TRUE(devices);
    std::vector<std::string> serialPorts;
    for (const DeviceInfo& device : *devices) {
        if (device.name.find("ttyS") != std::string::npos)
            serialPorts.push_back(device.name);
    }
    std::vector<std::string> expected;
    if (haveUart && std::stoi(ReadAll("/sys/class/tty/ttyS0/type")) != 0)
        expected.push_back(Dev("ttyS9"));
    EXPECT_EQ(serialPorts, expected);
}

}  // namespace
}  // namespace linkvane
