#include "core/profiles/profile_transfer.h"

#include <gtest/gtest.h>

#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

// The user at the import's questions: scripted answers, and a record of what was asked.
class ScriptedUser final : public ImportQuestions {
  public:
    bool overwrite = true;
    std::optional<std::string> modem;
    int overwriteQuestions = 0;
    std::vector<std::uint32_t> entryErrors;

    bool ConfirmOverwrite(std::string_view) override {
        ++overwriteQuestions;
        return overwrite;
    }
    void EntryNotCreated(std::uint32_t error) override { entryErrors.push_back(error); }
    std::optional<std::string> ChooseModem(const ModemList&) override { return modem; }
};

class ProfileTransferTest : public testing::ConfigHomeTest {
  protected:
    SqliteRegistryStore registry{linkvaneDir()};
    ProfileStore store{registry};
    PhonebookFile phonebook{linkvaneDir() / "phonebook.json", configHome() / "dev"};
    EntryCreator creator{phonebook};
    ScriptedUser user;

    std::filesystem::path FilePath(const std::string& name) const { return configHome() / name; }

    PhonebookEntry Entry(const std::string& name) {
        PhonebookEntry e;
        e.name = name;
        e.properties.countryCode = 44;
        e.properties.areaCode = "0161";
        e.properties.localPhoneNumber = "4960000";
        e.properties.deviceType = "modem";
        e.properties.deviceName = "/dev/ttyS0";
        e.properties.options = 0x10;
        e.properties.ipAddressDns = {10, 0, 0, 53};
        return e;
    }

    // The shared sample, with text beyond ASCII and a value the file does not carry.
    ProfileRecord Profile(const std::string& name) {
        ProfileRecord r = testing::DialUpProfile(name);
        r.realname = "Zo\u00eb Caf\u00e9";
        r.tweak = 9;
        return r;
    }
};

TEST_F(ProfileTransferTest, ExportThenImportRestoresTheProfileAndTheEntryButItsDevice) {
    ASSERT_TRUE(phonebook.WriteEntry(Entry("Home ISP")));
    const ProfileRecord original = Profile("Home ISP");
    ASSERT_TRUE(store.SaveProfile(original, false));
    GlobalSettings globals;
    globals.enableRedial = 1;
    globals.redialTimeout = 45;
    globals.url1Label = "Search";
    ASSERT_TRUE(ExportProfile(original, globals, phonebook, FilePath("home.idf")));

    ASSERT_TRUE(store.ClearProfile("Home ISP"));
    user.modem = "/dev/ttyUSB3";
    auto imported = ImportProfile(FilePath("home.idf"), store, phonebook, creator, user, 9);
    ASSERT_TRUE(imported) << imported.error().message;
    ASSERT_TRUE(imported->has_value());
    EXPECT_EQ(user.overwriteQuestions, 1);
    EXPECT_EQ((*imported)->entryError, 0u);
    EXPECT_EQ((*imported)->profile, original);
    EXPECT_EQ(store.LoadProfile("Home ISP"), original);

    GlobalSettings applied;
    ApplyFileToGlobals((*imported)->file, applied);
    EXPECT_EQ(applied.redialTimeout, 45);
    EXPECT_EQ(applied.url1Label, "Search");

    auto entry = phonebook.ReadEntry("Home ISP");
    ASSERT_TRUE(entry && entry->has_value());
    PhonebookEntry expected = Entry("Home ISP");
    expected.properties.deviceName = "/dev/ttyUSB3";
    EXPECT_EQ((*entry)->properties, expected.properties);
}

TEST_F(ProfileTransferTest, TheOverwriteQuestionComparesNamesWithCase) {
    ASSERT_TRUE(phonebook.WriteEntry(Entry("home isp")));
    ASSERT_TRUE(phonebook.WriteEntry(Entry("Home ISP")));
    ASSERT_TRUE(ExportProfile(Profile("Home ISP"), {}, phonebook, FilePath("home.idf")));
    ASSERT_TRUE(phonebook.RemoveEntry("Home ISP"));
    auto imported = ImportProfile(FilePath("home.idf"), store, phonebook, creator, user, 0);
    ASSERT_TRUE(imported && imported->has_value());
    EXPECT_EQ(user.overwriteQuestions, 0);
    EXPECT_TRUE(EntryExists(phonebook, "home isp"));
    EXPECT_TRUE(EntryExists(phonebook, "Home ISP"));
}

TEST_F(ProfileTransferTest, BadFilesAreRefusedClearlyAndNoFileIsWrittenForABadValue) {
    auto missing = ImportProfile(FilePath("missing.idf"), store, phonebook, creator, user, 0);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "File open failed.");

    ProfileRecord evil = Profile("../../escape");
    ASSERT_TRUE(ExportProfile(evil, {}, phonebook, FilePath("evil.idf")));
    auto refused = ImportProfile(FilePath("evil.idf"), store, phonebook, creator, user, 0);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("cannot be used"), std::string::npos)
        << refused.error().message;
    EXPECT_FALSE(EntryExists(phonebook, "../../escape"));

    ProfileRecord tooLong = Profile("Long");
    tooLong.realname = std::string(100, 'n');
    auto status = ExportProfile(tooLong, {}, phonebook, FilePath("long.idf"));
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().message.find("Realname"), std::string::npos) << status.error().message;
    EXPECT_FALSE(std::filesystem::exists(FilePath("long.idf")));
}

}  // namespace
}  // namespace linkvane
