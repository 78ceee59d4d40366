#include "core/profiles/host_rules.h"

#include <gtest/gtest.h>

#include "support/golden.h"

namespace linkvane {
namespace {

// Characters, not bytes: "\xC3\xA9" is one.
TEST(HostRules, AHostCountsAboveThreeCharactersAndSwitchesKeepAliveOnFromThree) {
    testing::ExpectGoldenAnswers(
        "core/profiles/golden/host_rules.txt", [](const std::string& host) {
            return std::string(HostCounts(host) ? "counts" : "too short") +
                   (HostEnablesKeepAlive(host) ? ", keeps keep-alive" : ", no keep-alive");
        });
}

}  // namespace
}  // namespace linkvane
