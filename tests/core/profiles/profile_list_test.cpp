#include "core/profiles/profile_list.h"

#include <gtest/gtest.h>

namespace linkvane {
namespace {

// The rest of sorting and finding the default: startup_plan_test.
TEST(ProfileList, NamesEqualButForCaseSortTheSameWayAndAnEmptyDefaultFindsNothing) {
    EXPECT_EQ(SortProfileNames({"alpha", "Alpha"}), (std::vector<std::string>{"Alpha", "alpha"}));
    EXPECT_EQ(SortProfileNames({"Alpha", "alpha"}), (std::vector<std::string>{"Alpha", "alpha"}));
    EXPECT_EQ(FindDefaultProfile({"alpha", "beta"}, ""), std::nullopt);
}

}  // namespace
}  // namespace linkvane
