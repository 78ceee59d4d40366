// Export and import whole, their questions and the program-wide values: profile_transfer.t.
#include "core/profiles/profile_transfer.h"

#include <gtest/gtest.h>

#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

// A user who says yes to everything and has no modem; what the import tells is noted.
class YesUser final : public ImportQuestions {
  public:
    bool ConfirmOverwrite(std::string_view) override { return true; }
    void EntryNotCreated(std::uint32_t error) override { notCreated.push_back(error); }
    std::vector<std::uint32_t> notCreated;
    std::optional<std::string> ChooseModem(const ModemList&) override { return std::nullopt; }
};

class ProfileTransferTest : public testing::ConfigHomeTest {
  protected:
    SqliteRegistryStore registry{linkvaneDir()};
    ProfileStore store{registry};
    PhonebookFile phonebook{linkvaneDir() / "phonebook.json"};
    EntryCreator creator{phonebook};
    YesUser user;

    std::filesystem::path FilePath(const std::string& name) const { return configHome() / name; }
};

// Bad files are refused clearly and no file is written for a bad value; the user is told of an
// entry only when the phonebook refused it, and the profile still comes in.
TEST_F(ProfileTransferTest, BadFilesAreRefusedClearlyAndOnlyAnEntryThePhonebookRefusesIsTold) {
    const ProfileRecord evil = testing::DialUpProfile("../../escape");
    ASSERT_TRUE(ExportProfile(evil, {}, phonebook, FilePath("evil.idf")));
    auto refused = ImportProfile(FilePath("evil.idf"), store, phonebook, creator, user, 0);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("cannot be used"), std::string::npos)
        << refused.error().message;
    EXPECT_FALSE(EntryExists(phonebook, "../../escape"));

    ProfileRecord tooLong = testing::DialUpProfile("Long");
    tooLong.realname = std::string(100, 'n');
    auto status = ExportProfile(tooLong, {}, phonebook, FilePath("long.idf"));
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().message.find("Realname"), std::string::npos) << status.error().message;
    EXPECT_FALSE(std::filesystem::exists(FilePath("long.idf")));

    ASSERT_TRUE(ExportProfile(testing::DialUpProfile(), {}, phonebook, FilePath("demon.idf")));
    ASSERT_TRUE(ImportProfile(FilePath("demon.idf"), store, phonebook, creator, user, 0));
    EXPECT_TRUE(user.notCreated.empty());
    testing::WriteFileText(phonebook.path(), "{");
    ASSERT_TRUE(ImportProfile(FilePath("demon.idf"), store, phonebook, creator, user, 0));
    EXPECT_EQ(user.notCreated, std::vector<std::uint32_t>{625});
}

}  // namespace
}  // namespace linkvane
