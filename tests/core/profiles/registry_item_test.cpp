#include "core/profiles/registry_item.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

class RegistryItemTest : public testing::ConfigHomeTest {
  protected:
    SqliteRegistryStore store{linkvaneDir()};
};

TEST_F(RegistryItemTest, SettingPartsNormalisesThemAndRecomposes) {
    COXRegistryItem item(store, "\\Software\\Kestrom\\Run\\Linkvaner");
    item.SetRoot("LocalMachine");
    EXPECT_EQ(item.GetPath(), "\\LocalMachine\\Software\\Kestrom\\Run\\Linkvaner");
    item.SetKeyPath("Other");
    EXPECT_EQ(item.GetKeyPath(), "\\Other\\");
    EXPECT_EQ(item.GetPath(), "\\LocalMachine\\Other\\Linkvaner");
    item.SetRoot("");
    item.SetKeyPath("Again");
    EXPECT_EQ(item.GetRoot(), "\\CurrentUser");  // a key path needs a root
    item.SetPath("Plain");
    EXPECT_EQ(item.GetPath(), "\\Plain");

    // A new path leaves nothing of the old parts behind, and a cleared item takes new parts.
    item.SetPath("\\LocalMachine\\Software\\X");
    EXPECT_EQ(item.GetRoot(), "\\LocalMachine");
    item.SetPath("\\\\Server");
    EXPECT_EQ(item.GetRoot(), "");
    EXPECT_EQ(item.GetPath(), "\\\\Server");
    item.Clear();
    item.SetRoot("LocalMachine");
    EXPECT_EQ(item.GetRoot(), "\\LocalMachine");
}

TEST_F(RegistryItemTest, TypedValuesRoundTripAndMismatchesReadAsEmpty) {
    COXRegistryItem item(store, "\\Software\\Test\\");
    ASSERT_TRUE(item.SetStringValue("hello", "Text", false));
    ASSERT_TRUE(item.SetNumberValue(0x12345678, "Number", true));
    ASSERT_TRUE(item.SetNumberValue(7, "Big", false));
    ASSERT_TRUE(item.SetBinaryValue({1, 0, 0, 0}, "Bytes"));

    EXPECT_EQ(item.GetStringValue("Text"), "hello");
    EXPECT_EQ(item.LastResult(), 0);
    EXPECT_EQ(item.GetNumberValue("Number", true), 0x12345678u);
    EXPECT_EQ(item.GetNumberValue("Big", false), 7u);  // bytes as they stand, no swapping

    EXPECT_EQ(item.GetStringValue("Number"), "");
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x8007000Du);
    EXPECT_EQ(item.GetNumberValue("Text", true), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x8007000Du);
    EXPECT_EQ(item.GetNumberValue("Big", true), 0u);  // big-endian is another type
    EXPECT_EQ(item.GetStringValue("Missing"), "");
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x80070002u);
    EXPECT_EQ(item.GetNumberValue("Missing"), 0u);
    EXPECT_FALSE(item.GetStringValue("Bytes").size());
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x8007000Du);

    auto raw = item.GetRawValue("Text");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, RegType::Sz);
    EXPECT_EQ(raw->data.size(), 6u);  // the text and its terminating zero
}

TEST_F(RegistryItemTest, ExpandableStringsExpandFromTheEnvironment) {
    setenv("LINKVANE_TEST_DIR", "/opt/mail", 1);
    unsetenv("LINKVANE_TEST_UNSET");
    COXRegistryItem item(store, "\\Software\\Test\\");
    ASSERT_TRUE(
        item.SetStringValue("%LINKVANE_TEST_DIR%/bin %LINKVANE_TEST_UNSET% 100%", "Path", true));
    EXPECT_EQ(item.GetStringValue("Path", true, true), "/opt/mail/bin %LINKVANE_TEST_UNSET% 100%");
    EXPECT_EQ(item.GetStringValue("Path", true, false),
              "%LINKVANE_TEST_DIR%/bin %LINKVANE_TEST_UNSET% 100%");
    EXPECT_EQ(item.GetStringValue("Path", false, true), "");
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x8007000Du);
    ASSERT_TRUE(item.SetStringValue("%LINKVANE_TEST_DIR%", "Plain"));
    EXPECT_EQ(item.GetStringValue("Plain", true, true), "%LINKVANE_TEST_DIR%") << "not expandable";
}

TEST_F(RegistryItemTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    COXRegistryItem writer(store, "\\Software\\MiXeD\\Value");
    ASSERT_TRUE(writer.SetStringValue("one"));
    COXRegistryItem reader(store, "\\SOFTWARE\\mixed\\VALUE");
    EXPECT_EQ(reader.GetStringValue(), "one");
    ASSERT_TRUE(reader.SetStringValue("two"));
    COXRegistryItem key(store, "\\Software\\");
    auto subkeys = key.GetSubkeyNames();
    ASSERT_TRUE(subkeys.has_value());
    EXPECT_EQ(*subkeys, std::vector<std::string>{"MiXeD"});
    COXRegistryItem values(store, "\\Software\\Mixed\\");
    auto all = values.GetValues();
    ASSERT_TRUE(all.has_value());
    ASSERT_EQ(all->size(), 1u);
    EXPECT_EQ((*all)[0].name, "Value");
    EXPECT_EQ(StringFromData((*all)[0].value.data), "two");
}

TEST_F(RegistryItemTest, AnOpenHandleToADeletedKeyFailsInsteadOfWritingElsewhere) {
    COXRegistryItem held(store, "\\Software\\Gone\\");
    ASSERT_TRUE(held.SetNumberValue(1, "Before"));
    ASSERT_TRUE(COXRegistryItem(store, "\\Software\\Gone\\").Delete());
    ASSERT_TRUE(COXRegistryItem(store, "\\Software\\Gone\\")
                    .SetNumberValue(2, "Other"));  // same name, new key
    EXPECT_FALSE(held.SetNumberValue(3, "After"));
    EXPECT_EQ(static_cast<std::uint32_t>(held.LastResult()), 0x800703FAu);  // 1018, key deleted
    EXPECT_EQ(COXRegistryItem(store, "\\Software\\Gone\\").GetNumberValue("After"), 0u);
}

TEST_F(RegistryItemTest, EmptyPathIsTheUserRootEmptyComponentsAndRemoteMachinesAreRefused) {
    COXRegistryItem root(store, "");
    EXPECT_TRUE(root.Open(false));
    ASSERT_TRUE(root.SetStringValue("at the root", "RootValue"));
    EXPECT_EQ(COXRegistryItem(store, "\\CurrentUser\\").GetStringValue("RootValue"), "at the root");
    EXPECT_FALSE(root.Delete());  // a root cannot be deleted

    COXRegistryItem remote(store, "\\\\server\\LocalMachine\\Software\\X");
    EXPECT_EQ(remote.GetStringValue(), "");
    EXPECT_EQ(static_cast<std::uint32_t>(remote.LastResult()),
              0x80070035u);  // 53, bad network path
    EXPECT_FALSE(remote.SetStringValue("x"));

    COXRegistryItem item(store, "\\Software\\\\Double\\V");
    EXPECT_FALSE(item.SetStringValue("x"));
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x800700A1u);  // 161, bad path name
}

}  // namespace
}  // namespace linkvane
