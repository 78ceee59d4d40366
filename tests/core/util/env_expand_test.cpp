#include "core/util/env_expand.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "core/profiles/registry_item.h"
#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

class ExpansionBound : public testing::ConfigHomeTest {};

// The result is bounded however it would grow, and an expandable registry string beyond the
// bound reads as empty with the buffer error, as the registry's expansion fails.
TEST_F(ExpansionBound, StopsAtThe32767thCharacterWhateverMakesItGrow) {
    setenv("LV_BIG", std::string(1 << 20, 'b').c_str(), 1);
    setenv("LV_SMALL", std::string(100, 's').c_str(), 1);
    std::string manyBig;
    for (int i = 0; i < 5000; ++i)
        manyBig += "%LV_BIG%";
    std::string fits;
    for (int i = 0; i < 327; ++i)
        fits += "%LV_SMALL%";
    const struct {
        std::string text;
        std::optional<std::size_t> length;
    } cases[] = {
        {fits + std::string(67, 't'), 32767},
        {fits + std::string(68, 't'), std::nullopt},
        {std::string(32768, '%'), std::nullopt},  // unexpanded text counts as well
        {"%LV_BIG%", std::nullopt},
        {manyBig, std::nullopt},
        {"%LV_UNSET_NAME%", 15},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> expanded = ExpandEnvironmentStrings(c.text);
        EXPECT_EQ(expanded ? std::optional(expanded->size()) : std::nullopt, c.length)
            << c.text.substr(0, 40);
    }

    SqliteRegistryStore store(linkvaneDir());
    COXRegistryItem item(store, "\\Software\\X\\Big");
    ASSERT_TRUE(item.SetStringValue(manyBig, {}, true));
    EXPECT_EQ(item.GetStringValue(), "");
    EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x8007007Au);
    unsetenv("LV_BIG");
    unsetenv("LV_SMALL");
}

}  // namespace
}  // namespace linkvane
