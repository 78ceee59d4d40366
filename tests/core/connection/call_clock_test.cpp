#include "core/connection/call_clock.h"

#include <gtest/gtest.h>

#include "support/golden.h"

namespace linkvane {
namespace {

// Seconds into the call and the clock's hours, minutes and seconds; a system clock set back
// during a call reads as a call just begun.
TEST(CallClock, PadsBelowTenAndNeverWrapsHours) {
    testing::ExpectGoldenAnswers(
        "core/connection/golden/call_clock.txt", [](const std::string& elapsed) {
            const CallClockText shown = FormatCallClock(std::stoll(elapsed));
            return shown.hours + ":" + shown.minutes + ":" + shown.seconds;
        });
}

}  // namespace
}  // namespace linkvane
