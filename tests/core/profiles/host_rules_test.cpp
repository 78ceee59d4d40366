#include "core/profiles/host_rules.h"

#include <gtest/gtest.h>

namespace linkvane {
namespace {

TEST(HostRules, AHostCountsAboveThreeCharactersAndSwitchesKeepAliveOnFromThree) {
    const struct {
        const char* host;
        bool counts;
        bool keepAlive;
    } cases[] = {
        {"", false, false},
        {"ab", false, false},
        {"abc", false, true},
        {"abcd", true, true},
        {"\xC3\xA9\xC3\xA9", false, false},  // two characters in four bytes
        {"\xC3\xA9\xC3\xA9\xC3\xA9", false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HostCounts(c.host), c.counts) << c.host;
        EXPECT_EQ(HostEnablesKeepAlive(c.host), c.keepAlive) << c.host;
    }
}

}  // namespace
}  // namespace linkvane
