#pragma once

// The call log: a text file with one line per finished call,
//   "ENTRY - DATE TIME (H:MM:SS)\n"
// DATE in the user's long date format, TIME in the user's time format with 24-hour clock, the
// duration's hours not capped at 23. Beside it, its companion (call_record.h) keeps each
// call's start in a locale-free form and its volume.
//
// The log is opened as OpenRegularFile opens (no blocking, no link followed, nothing but a
// regular file) by the writer, the viewer and the reader alike, and read line by line with
// every line cut at kMaxLogLineLength bytes, so no node at its path can hang a reader or
// make its memory grow with the file. A line is appended with O_APPEND under an exclusive
// advisory lock (flock, waited for at most kLogLockWait), so lines of several programs never
// interleave; its record follows under the same lock. The viewer shows pieces of at most 254
// bytes.
//
// Entry names come from outside (pppd's command line, pid file names): a control character in
// one is written as '?', so that one call is always one line and no line can be forged.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/connection/call_record.h"
#include "core/util/result.h"

namespace linkvane {

inline constexpr std::size_t kLogPieceLength = 254;
// Far above any line the writer makes (an entry name of 256 bytes, a date and a time).
inline constexpr std::size_t kMaxLogLineLength = 4096;
inline constexpr std::chrono::milliseconds kLogLockWait{2000};

std::string FormatCallLogLine(std::string_view entryName, std::string_view date,
                              std::string_view time, std::int32_t durationSeconds);

// Appends the line, and the record of facts (when given, with a start) to the companion. A
// last line without its line end is closed first, so that two calls never share a line.
// Creates the log (mode 0600) and its folder when they are missing. The result is the line's;
// a record that cannot be written leaves the line without one.
Status AppendCallLog(const std::filesystem::path& path, std::string_view line,
                     const std::optional<CallFacts>& facts = std::nullopt);

// What a reader does when there is no log: read it as empty, or create it empty first.
enum class MissingLog { kEmpty, kCreate };

// One line of the log: where it starts, its text without the line end (cut at
// kMaxLogLineLength bytes, `cut` then set).
struct LogLine {
    std::uint64_t offset = 0;
    std::string_view text;
    bool cut = false;
};

// Calls visit with each line of the log in file order. Fails with a message naming the path
// when the log is not a regular file or cannot be read.
Status ForEachCallLogLine(const std::filesystem::path& path, MissingLog missing,
                          const std::function<void(const LogLine&)>& visit);

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

// A line of the log with the call it records (nullopt for a line that is no call, or one cut)
// and the record its companion holds for it.
struct LoggedCall {
    LogLine line;
    std::optional<CallLogLine> call;
    std::optional<CallRecord> record;
};
// ForEachCallLogLine over an existing log (a missing one is empty), with the companion read
// alongside.
Status ForEachLoggedCall(const std::filesystem::path& path,
                         const std::function<void(const LoggedCall&)>& visit);

// The month of a log date, "YYYY-MM": a four-digit year with a month name (English, or the
// C library's names for the user's LC_TIME, full or abbreviated), a year with its month's
// number after it (ISO, or with the year sign of Chinese, Japanese and Korean dates); Arabic-
// Indic digits count as digits. nullopt when no month can be recognised; a date whose month
// is not recognised is never given another month.
std::optional<std::string> MonthOfLogDate(std::string_view date);

// Calls, time online and volume per entry and month, for the providers' bills.
struct MonthlyCalls {
    std::string entryName;
    std::string month;  // "YYYY-MM", or "" when unknown
    std::int64_t calls = 0;
    std::int64_t seconds = 0;
    // Summed over the calls whose volume was recorded; nullopt when none was.
    std::optional<LinkVolume> volume;

    bool operator==(const MonthlyCalls&) const = default;
};

// Adds calls up as they are read. The month comes from the call's record when it has one,
// else from its log date. Sums stop at the largest value their type holds instead of
// overflowing. Memory grows with the number of entries and months, not of calls.
class CallSummary {
  public:
    void Add(const CallLogLine& call, const std::optional<CallRecord>& record);
    // Sorted by entry, then month (unknown first).
    std::vector<MonthlyCalls> Totals() const;

  private:
    std::map<std::pair<std::string, std::string>, MonthlyCalls> m_totals;
};

// "H:MM:SS", hours not capped.
std::string DurationText(std::int64_t seconds);

// A time format of the GUI's locale (Qt's notation: h, hh, H, HH, mm, ss, AP, ap, t, '...')
// forced to 24-hour notation: hours as H or HH, no AM/PM marker and no time zone, nor the
// brackets that held only those. Spaces become no-break spaces (U+00A0), so that the time
// is one word of the log line and can be told from the date when the line is read back.
std::string Force24HourTimeFormat(std::string_view format);

}  // namespace linkvane
