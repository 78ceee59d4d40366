#include "core/connection/call_clock.h"

#include <gtest/gtest.h>

namespace linkvane {
namespace {

TEST(CallClock, PadsBelowTenAndNeverWrapsHours) {
    const struct {
        std::int64_t elapsed;
        CallClockText shown;
    } cases[] = {
        {0, {"00", "00", "00"}},
        {9, {"00", "00", "09"}},
        {10, {"00", "00", "10"}},
        {59, {"00", "00", "59"}},
        {60, {"00", "01", "00"}},
        {3599, {"00", "59", "59"}},
        {3600, {"01", "00", "00"}},
        {100 * 3600 + 3599, {"100", "59", "59"}},
        // The system clock set back during a call reads as a call just begun.
        {-5, {"00", "00", "00"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatCallClock(c.elapsed), c.shown) << c.elapsed;
}

}  // namespace
}  // namespace linkvane
