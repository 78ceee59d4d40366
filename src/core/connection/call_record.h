#pragma once

// The call log's companion: "connect.log.calls" beside "connect.log", one record per logged
// call, with what the log line cannot carry in a form that needs no locale to read back: when
// the call started, and how many bytes crossed the link. The log line stays as it is; the
// record names it by where it stands in the log and by a hash of its text.
//
// Byte layout: ASCII text, one record a line, fields apart by one space:
//
//   record  = "LVC1" SP offset SP key SP start SP volume SP check LF
//   offset  = 1*20DIGIT        byte offset in connect.log at which the call's line starts
//   key     = 16LOWERHEX       FNV-1a 64 of the call's line without its line end
//   start   = YYYY "-" MM "-" DD "T" hh ":" mm ":" ss ("+" / "-") hh ":" mm
//                              the call's start in local time with its offset from UTC
//                              (ISO 8601, always 25 bytes)
//   volume  = bytes-in SP bytes-out / "-" SP "-"
//                              octets received and sent on the link (decimal, 64-bit),
//                              "- -" when they are not known
//   check   = 8LOWERHEX        FNV-1a 32 of the record's bytes before the space before it
//
// No record is longer than kMaxCallRecordLength bytes with its line feed. Records are
// appended after their line under the log's lock, so they stand in the order of their lines
// and their offsets rise; when the log has been emptied or replaced by a shorter one, the
// next append starts the companion afresh.
//
// Reading never trusts the companion: a record that does not parse whole (a field out of its
// grammar, a wrong check, no line feed, too long) is skipped, and a record is taken for a
// line only when both its offset and its key are the line's. A missing, damaged, truncated
// or foreign companion therefore only leaves lines without a record.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/connection/connections.h"
#include "core/util/file_descriptor.h"
#include "core/util/regular_file.h"

namespace linkvane {

inline constexpr std::size_t kMaxCallRecordLength = 128;

// What the companion knows of a call beyond its log line.
struct CallFacts {
    std::string start;  // ISO 8601 local time with offset, as in the record
    std::optional<LinkVolume> volume;

    bool operator==(const CallFacts&) const = default;
};

struct CallRecord {
    std::uint64_t lineOffset = 0;
    std::uint64_t lineKey = 0;
    CallFacts facts;

    bool operator==(const CallRecord&) const = default;
};

std::filesystem::path CallRecordPath(const std::filesystem::path& logPath);

// FNV-1a 64 of a log line; a line end ("\n" or "\r\n") at its end is not part of it.
std::uint64_t CallLineKey(std::string_view line);

// The time as the record's start field, in the C library's local time zone.
std::string CallStartText(std::time_t time);
// "YYYY-MM" of a start field that is in the record's grammar, else nullopt.
std::optional<std::string> MonthOfCallStart(std::string_view start);

// The record with its line feed; and one line of the companion (without its line feed) taken
// apart, nullopt when it is not a whole record.
std::string EncodeCallRecord(const CallRecord& record);
std::optional<CallRecord> DecodeCallRecord(std::string_view line);

// Walks the companion beside the log while the log is read from start to end, and hands out
// each line's record. Memory stays the same whatever either file's size. A companion that
// is missing or cannot be opened as a regular file gives no records.
class CallRecordCursor {
  public:
    explicit CallRecordCursor(const std::filesystem::path& logPath);

    // The record of the log line at lineOffset with the text line; lines are asked for in
    // the order of the log.
    std::optional<CallRecord> Find(std::uint64_t lineOffset, std::string_view line);

  private:
    bool Advance();

    FileDescriptor m_file;
    std::optional<LineReader> m_reader;
    std::optional<CallRecord> m_next;
};

// Appends the record to the companion of the log whose lock the caller holds. A log that has
// become shorter than the offsets already recorded starts the companion afresh; a partial
// last record (a write cut short) is closed first, so the new record stays whole.
Status AppendCallRecord(const std::filesystem::path& logPath, const CallRecord& record);

}  // namespace linkvane
