#include "core/connection/call_clock.h"

namespace linkvane {

namespace {

std::string TwoDigits(std::int64_t value) {
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

}  // namespace

CallClockText FormatCallClock(std::int64_t elapsedSeconds) {
    const std::int64_t elapsed = elapsedSeconds < 0 ? 0 : elapsedSeconds;
    return {TwoDigits(elapsed / 3600), TwoDigits((elapsed / 60) % 60), TwoDigits(elapsed % 60)};
}

}  // namespace linkvane
