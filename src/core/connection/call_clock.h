#pragma once

// The main window's call clock: the elapsed time of a call as the three texts of its hours,
// minutes and seconds labels. Each is decimal with a leading "0" below 10; hours are not
// wrapped ("100" after a hundred hours).

#include <cstdint>
#include <string>

namespace linkvane {

struct CallClockText {
    std::string hours;
    std::string minutes;
    std::string seconds;

    bool operator==(const CallClockText&) const = default;
};

// A negative elapsed time (the system clock was set back during the call) reads as zero.
CallClockText FormatCallClock(std::int64_t elapsedSeconds);

}  // namespace linkvane
