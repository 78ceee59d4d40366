#include "core/profiles/regedit_file.h"

#include <gtest/gtest.h>

#include "core/profiles/registry_item.h"
#include "platform/sqlite_registry_store.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

class RegeditFileTest : public testing::ConfigHomeTest {
  protected:
    SqliteRegistryStore store{linkvaneDir() / "a"};
    SqliteRegistryStore other{linkvaneDir() / "b"};
};

TEST_F(RegeditFileTest, AWholeExportReportsARootItCannotReadInsteadOfLeavingItOut) {
    COXRegistryItem(store, "\\LocalMachine\\Software\\V").SetNumberValue(1);
    COXRegistryItem(store, "\\Software\\V").SetNumberValue(1);
    SqliteRegistryStore reopened{linkvaneDir() / "a"};
    std::filesystem::resize_file(reopened.FileOf(RegistryRoot::LocalMachine), 10);
    std::filesystem::remove(reopened.FileOf(RegistryRoot::LocalMachine).string() + "-wal");
    auto text = ExportAllRoots(reopened);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().code, 1009u);
}

TEST_F(RegeditFileTest, ExportThenImportReproducesTheSubtreeExactly) {
    COXRegistryItem key(store, "\\Software\\T\\Sub\\");
    std::vector<std::uint8_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i);
    key.SetBinaryValue(big, "Big");
    key.SetBinaryValue({}, "EmptyBinary");
    key.SetNumberValue(0xDEADBEEF, "BigEndian", false);
    key.SetStringValue("", "EmptyString");
    key.SetStringValue("é ü €", "Unicode");
    COXRegistryItem machine(store, "\\LocalMachine\\Software\\M\\V");
    machine.SetNumberValue(5);

    auto text = ExportAllRoots(store);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("\\\n  "), std::string::npos)
        << "long hex data continues on the next line";
    auto parsed = ParseRegFile(text.value());
    ASSERT_TRUE(parsed) << parsed.error().message;
    ASSERT_TRUE(ApplyRegFile(other, parsed.value()));
    EXPECT_EQ(ExportAllRoots(other).value(), text.value());
}

TEST_F(RegeditFileTest, ImportDeletesWhatTheFileMarksForDeletion) {
    COXRegistryItem(store, "\\Software\\Old\\Deep\\V").SetNumberValue(1);
    COXRegistryItem(store, "\\Software\\Keep\\Gone").SetNumberValue(1);
    COXRegistryItem(store, "\\Software\\Keep\\Stay").SetNumberValue(2);
    auto parsed = ParseRegFile(
        "REGEDIT4\r\n\r\n; a comment\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
        "[HKCU\\Software\\Keep]\r\n\"Gone\"=-\r\n\"New\"=\"x\"\r\n[-HKEY_CURRENT_"
        "USER\\Software\\NeverWas]\r\n");
    ASSERT_TRUE(parsed) << parsed.error().message;
    ASSERT_TRUE(ApplyRegFile(store, parsed.value()));
    EXPECT_FALSE(COXRegistryItem(store, "\\Software\\Old\\").Open(false));
    COXRegistryItem keep(store, "\\Software\\Keep\\");
    EXPECT_EQ(keep.GetNumberValue("Gone"), 0u);
    EXPECT_EQ(keep.GetNumberValue("Stay"), 2u);
    EXPECT_EQ(keep.GetStringValue("New"), "x");
}

// golden/regedit_refusals.txt: texts that are no REGEDIT4 file, and the line each is refused at.
TEST(RegeditFile, MalformedFilesAreRefusedWithTheLine) {
    testing::ExpectGoldenAnswers("core/profiles/golden/regedit_refusals.txt", [](auto& text) {
        const auto parsed = ParseRegFile(text);
        return parsed ? std::string("accepted") : parsed.error().message;
    });
}

}  // namespace
}  // namespace linkvane
