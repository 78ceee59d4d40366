#include "core/profiles/profile_list.h"

#include <gtest/gtest.h>

namespace linkvane {
namespace {

TEST(ProfileList, SortsWithoutCaseAndSelectsTheDefaultByPrefix) {
    const std::vector<std::string> sorted =
        SortProfileNames({"zeta", "Beta net", "alpha", "beta", "Alpha", "10 Mbit LAN"});
    EXPECT_EQ(sorted, (std::vector<std::string>{"10 Mbit LAN", "Alpha", "alpha", "beta", "Beta net",
                                                "zeta"}));
    EXPECT_EQ(SortProfileNames({"alpha", "Alpha"}), SortProfileNames({"Alpha", "alpha"}));

    const struct {
        const char* defaultName;
        std::optional<std::size_t> index;
    } cases[] = {{"beta", 3},   {"BETA N", 4}, {"Be", 3},     {"zeta", 5},
                 {"zetas", {}}, {"", {}},      {"gamma", {}}, {"alpha", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(FindDefaultProfile(sorted, c.defaultName), c.index) << c.defaultName;
    EXPECT_EQ(FindDefaultProfile({}, "beta"), std::nullopt);
}

}  // namespace
}  // namespace linkvane
