#pragma once

// The call log: a text file with one line per finished call,
//   "ENTRY - DATE TIME (H:MM:SS)\n"
// DATE in the user's long date format, TIME in the user's time format with 24-hour clock, the
// duration's hours not capped at 23. The line is appended with O_APPEND under an exclusive
// advisory lock (flock), so lines of several programs never interleave. The viewer reads the
// file as pieces of at most 254 bytes.
//
// Entry names come from outside (pppd's command line, pid file names): a control character in
// one is written as '?', so that one call is always one line and no line can be forged.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/result.h"

namespace linkvane {

inline constexpr std::size_t kLogPieceLength = 254;

std::string FormatCallLogLine(std::string_view entryName, std::string_view date,
                              std::string_view time, std::int32_t durationSeconds);

// Appends text to the file, creating it (mode 0600: private to the user) and its folder when
// they are missing.
Status AppendCallLogLine(const std::filesystem::path& path, std::string_view line);

// The log as the viewer lists it, in file order: each line without its line ending, split
// into pieces of at most kLogPieceLength bytes (never inside a UTF-8 character); empty lines
// give nothing. A missing file is created empty.
Result<std::vector<std::string>> ReadCallLogPieces(const std::filesystem::path& path);

// One line taken apart. The entry is what comes before the last " - ", the time is the last
// word before the duration; a line without "(H:MM:SS)" at its end is not a call line.
struct CallLogLine {
    std::string entryName;
    std::string date;
    std::string time;
    std::int64_t durationSeconds = 0;

    bool operator==(const CallLogLine&) const = default;
};
std::optional<CallLogLine> ParseCallLogLine(std::string_view line);

// The month of a log date, "YYYY-MM": a four-digit year with a month name (English, or the
// C library's names for the user's LC_TIME, full or abbreviated), or an ISO date. nullopt when
// the text names no month that can be recognised.
std::optional<std::string> MonthOfLogDate(std::string_view date);

// Calls and time online per entry and month, for the providers' bills: sorted by entry, then
// month; lines whose month cannot be recognised count under an empty month.
struct MonthlyCalls {
    std::string entryName;
    std::string month;  // "YYYY-MM", or "" when unknown
    std::int64_t calls = 0;
    std::int64_t seconds = 0;

    bool operator==(const MonthlyCalls&) const = default;
};
std::vector<MonthlyCalls> SummariseCalls(const std::vector<CallLogLine>& calls);

// "H:MM:SS", hours not capped.
std::string DurationText(std::int64_t seconds);

// A time format of the GUI's locale (Qt's notation: h, hh, H, HH, mm, ss, AP, ap, t, '...')
// forced to 24-hour notation: hours as H or HH, no AM/PM marker and no time zone.
std::string Force24HourTimeFormat(std::string_view format);

}  // namespace linkvane
