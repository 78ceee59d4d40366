#include "core/connection/call_log.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <thread>

#include "core/util/file_descriptor.h"
#include "core/util/regular_file.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

namespace fs = std::filesystem;

std::string SafeEntryName(std::string_view name) {
    std::string safe(name);
    std::replace_if(
        safe.begin(), safe.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, '?');
    return safe;
}

std::string TwoDigits(std::int64_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string ErrnoText() {
    return std::strerror(errno);
}

// The end of the longest prefix of text of at most limit bytes that does not cut a UTF-8
// character in two.
std::size_t PieceEnd(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text.size();
    std::size_t end = limit;
    // Continuation bytes are 10xxxxxx; back off to the start of the character they belong to.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end == 0 ? limit : end;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A word of a date: a run of letters (any non-ASCII byte counts as one) or of digits, lower
// case, Arabic-Indic digits (U+0660-0669, U+06F0-06F9) as ASCII ones.
using Words = std::vector<std::string>;

Words WordsOf(std::string_view text) {
    enum class Kind { kOther, kLetter, kDigit };
    Words words;
    Kind current = Kind::kOther;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c == 0xD9 && next >= 0xA0 && next <= 0xA9) ||
            (c == 0xDB && next >= 0xB0 && next <= 0xB9)) {
            c = static_cast<unsigned char>('0' + (next & 0x0F));
            ++i;
        }
        Kind kind = Kind::kOther;
        if (std::isdigit(c) != 0)
            kind = Kind::kDigit;
        else if (std::isalpha(c) != 0 || c >= 0x80)
            kind = Kind::kLetter;
        if (kind != Kind::kOther && kind != current)
            words.emplace_back();
        if (kind != Kind::kOther)
            words.back() += static_cast<char>(std::tolower(c));
        current = kind;
    }
    return words;
}

bool HasLetters(const Words& words) {
    return std::any_of(words.begin(), words.end(), [](const std::string& word) {
        return !std::isdigit(static_cast<unsigned char>(word[0]));
    });
}

// Month names as runs of words, 1-based: English, and those of the user's LC_TIME (full,
// abbreviated, and the standalone forms some languages use in dates; "12月", "tháng 12").
std::array<std::vector<Words>, 13> MonthNames() {
    static constexpr const char* kEnglish[] = {"january",   "february", "march",    "april",
                                               "may",       "june",     "july",     "august",
                                               "september", "october",  "november", "december"};
    std::array<std::vector<Words>, 13> names;
    for (std::size_t month = 1; month <= 12; ++month) {
        names[month].push_back({kEnglish[month - 1]});
        names[month].push_back({std::string(kEnglish[month - 1]).substr(0, 3)});
    }
    if (locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) {
        for (std::size_t month = 1; month <= 12; ++month) {
            for (const nl_item first : {MON_1, ABMON_1, ALTMON_1}) {
                const auto item = static_cast<nl_item>(first + static_cast<nl_item>(month) - 1);
                Words name = WordsOf(nl_langinfo_l(item, user));
                // A name of digits alone would be taken for the day.
                if (HasLetters(name))
                    names[month].push_back(std::move(name));
            }
        }
        freelocale(user);
    }
    return names;
}

bool Contains(const Words& words, const Words& run) {
    return !run.empty() &&
           std::search(words.begin(), words.end(), run.begin(), run.end()) != words.end();
}

bool IsYear(const std::string& word) {
    return word.size() == 4 && AllDigits(word);
}

// The year signs of Chinese and Japanese (年) and Korean (년) dates.
bool IsYearSign(const std::string& word) {
    return word == "\xE5\xB9\xB4" || word == "\xEB\x85\x84";
}

// year: the date's four digits as written ("0999" stays four digits).
std::string YearMonth(const std::string& year, int month) {
    return year + "-" + TwoDigits(month);
}

template <typename Number>
Number SaturatingAdd(Number a, Number b) {
    Number sum{};
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<Number>::max() : sum;
}

// The log's own name in messages, with what is wrong with it.
Error LogError(const Error& error) {
    return Fail("The call log: " + error.message, error.code);
}

// Waits for the exclusive lock for at most kLogLockWait; a writer that holds it longer is
// stuck, and the line is given up rather than the caller held.
bool LockWithin(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kLogLockWait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (line.ends_with('\r'))
        line.remove_suffix(1);  // a log written on a system with CR LF line ends
    return line;
}

}  // namespace

std::string DurationText(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(0, seconds);
    return std::to_string(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
           TwoDigits(seconds % 60);
}

std::string FormatCallLogLine(std::string_view entryName, std::string_view date,
                              std::string_view time, std::int32_t durationSeconds) {
    return SafeEntryName(entryName) + " - " + std::string(date) + " " + std::string(time) + " (" +
           DurationText(durationSeconds) + ")\n";
}

void CallSummary::Add(const CallLogLine& call, const std::optional<CallRecord>& record) {
    std::optional<std::string> month;
    if (record)
        month = MonthOfCallStart(record->facts.start);
    if (!month)
        month = MonthOfLogDate(call.date);
    MonthlyCalls& total = m_totals[{call.entryName, month.value_or("")}];
    if (total.calls == 0) {
        total.entryName = call.entryName;
        total.month = month.value_or("");
    }
    total.calls = SaturatingAdd<std::int64_t>(total.calls, 1);
    total.seconds = SaturatingAdd<std::int64_t>(total.seconds, call.durationSeconds);
    if (record && record->facts.volume) {
        const LinkVolume sum = total.volume.value_or(LinkVolume{});
        total.volume = LinkVolume{SaturatingAdd(sum.bytesIn, record->facts.volume->bytesIn),
                                  SaturatingAdd(sum.bytesOut, record->facts.volume->bytesOut)};
    }
}

std::vector<MonthlyCalls> CallSummary::Totals() const {
    std::vector<MonthlyCalls> summary;
    summary.reserve(m_totals.size());
    for (const auto& [key, total] : m_totals)
        summary.push_back(total);
    return summary;
}

Status AppendCallLog(const fs::path& path, std::string_view line,
                     const std::optional<CallFacts>& facts) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    auto log = OpenRegularFile(path, O_RDWR | O_CREAT | O_APPEND);
    if (!log)
        return LogError(log.error());
    const int fd = log->get();
    // Held until the descriptor closes; another writer waits rather than interleaving.
    if (!LockWithin(fd))
        return Fail("Cannot lock the call log " + path.string() + ": " + ErrnoText());
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return Fail("Cannot read the call log " + path.string() + ": " + ErrnoText());
    // A last line left without its line end (a writer cut short, an edit) is closed first, so
    // the new line stays a line of its own.
    char last = '\n';
    std::string text(line);
    if (info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
        text.insert(text.begin(), '\n');
    if (!WriteAll(fd, text.data(), text.size()))
        return Fail("Cannot write the call log " + path.string() + ": " + ErrnoText());
    if (facts && !facts->start.empty()) {
        const auto offset = static_cast<std::uint64_t>(info.st_size) + text.size() - line.size();
        (void)AppendCallRecord(path, CallRecord{offset, CallLineKey(line), *facts});
    }
    return Success();
}

Status ForEachCallLogLine(const fs::path& path, MissingLog missing,
                          const std::function<void(const LogLine&)>& visit) {
    if (missing == MissingLog::kCreate) {
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
    }
    auto log = OpenRegularFile(path, O_RDONLY | (missing == MissingLog::kCreate ? O_CREAT : 0));
    if (!log && missing == MissingLog::kEmpty && log.error().code == win::kFileNotFound)
        return Success();
    if (!log)
        return LogError(log.error());
    LineReader reader(log->get(), kMaxLogLineLength);
    while (const auto line = reader.Next())
        visit({line->offset, WithoutCarriageReturn(line->text), line->cut});
    if (reader.failed())
        return Fail("Cannot read the call log " + path.string() + ": " + ErrnoText());
    return Success();
}

Result<std::vector<std::string>> ReadCallLogPieces(const fs::path& path) {
    std::vector<std::string> pieces;
    const Status read = ForEachCallLogLine(path, MissingLog::kCreate, [&](const LogLine& line) {
        std::string_view rest = line.text;
        while (!rest.empty()) {
            const std::size_t end = PieceEnd(rest, kLogPieceLength);
            pieces.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end);
        }
    });
    if (!read)
        return read.error();
    return pieces;
}

Status ForEachLoggedCall(const fs::path& path,
                         const std::function<void(const LoggedCall&)>& visit) {
    CallRecordCursor records(path);
    return ForEachCallLogLine(path, MissingLog::kEmpty, [&](const LogLine& line) {
        LoggedCall logged{line, std::nullopt, std::nullopt};
        if (!line.cut)
            logged.call = ParseCallLogLine(line.text);
        if (logged.call)
            logged.record = records.Find(line.offset, line.text);
        visit(logged);
    });
}

std::optional<CallLogLine> ParseCallLogLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (!line.ends_with(')'))
        return std::nullopt;
    const auto open = line.rfind(" (");
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::string_view duration = line.substr(open + 2, line.size() - open - 3);
    const auto firstColon = duration.find(':');
    const auto secondColon = duration.rfind(':');
    if (firstColon == std::string_view::npos || secondColon != firstColon + 3)
        return std::nullopt;
    const std::string_view hours = duration.substr(0, firstColon);
    const std::string_view minutes = duration.substr(firstColon + 1, 2);
    const std::string_view seconds = duration.substr(secondColon + 1);
    if (!AllDigits(hours) || hours.size() > 9 || !AllDigits(minutes) || seconds.size() != 2 ||
        !AllDigits(seconds) || minutes >= "60" || seconds >= "60")
        return std::nullopt;

    const std::string_view head = line.substr(0, open);
    const auto timeStart = head.rfind(' ');
    const auto dash = head.rfind(" - ", timeStart);
    if (timeStart == std::string_view::npos || dash == std::string_view::npos || dash >= timeStart)
        return std::nullopt;
    CallLogLine parsed;
    parsed.entryName = std::string(head.substr(0, dash));
    parsed.date = std::string(head.substr(dash + 3, timeStart - dash - 3));
    parsed.time = std::string(head.substr(timeStart + 1));
    parsed.durationSeconds = std::stoll(std::string(hours)) * 3600 +
                             std::stoll(std::string(minutes)) * 60 +
                             std::stoll(std::string(seconds));
    return parsed;
}

std::optional<std::string> MonthOfLogDate(std::string_view date) {
    const Words words = WordsOf(date);
    const auto year = std::find_if(words.begin(), words.end(), IsYear);
    if (year == words.end())
        return std::nullopt;
    static const std::array<std::vector<Words>, 13> kNames = MonthNames();
    for (std::size_t month = 1; month <= 12; ++month) {
        for (const Words& name : kNames[month]) {
            if (Contains(words, name))
                return YearMonth(*year, static_cast<int>(month));
        }
    }
    // The month's number after the year: "2026-12-07", "2026年12月7日", "2026년 12월 7일".
    for (auto it = year; it != words.end(); ++it) {
        if (!IsYear(*it))
            continue;
        auto number = std::next(it);
        if (number != words.end() && IsYearSign(*number))
            ++number;
        if (number != words.end() && number->size() <= 2 && AllDigits(*number)) {
            const int month = std::stoi(*number);
            if (month >= 1 && month <= 12)
                return YearMonth(*it, month);
        }
    }
    return std::nullopt;
}

namespace {

// The length of an AM/PM or time-zone marker at format[at] ("AP", "ap", "A", "a", "t" to
// "tttt"), 0 when there is none.
std::size_t MarkerLength(std::string_view format, std::size_t at) {
    const char c = format[at];
    if (c == 'A' || c == 'a')
        return at + 1 < format.size() && (format[at + 1] == 'P' || format[at + 1] == 'p') ? 2 : 1;
    if (c != 't')
        return 0;
    std::size_t end = at;
    while (end < format.size() && format[end] == 't')
        ++end;
    return end - at;
}

// The length of a bracketed group at format[at] that holds nothing but markers and spaces,
// "(t)" or "[AP]"; 0 when there is none.
std::size_t MarkerGroupLength(std::string_view format, std::size_t at) {
    const char close = format[at] == '(' ? ')' : format[at] == '[' ? ']' : '\0';
    if (close == '\0')
        return 0;
    std::size_t i = at + 1;
    bool marker = false;
    while (i < format.size() && format[i] != close) {
        const std::size_t length = MarkerLength(format, i);
        if (length == 0 && format[i] != ' ')
            return 0;
        marker = marker || length > 0;
        i += std::max<std::size_t>(length, 1);
    }
    return i < format.size() && marker ? i - at + 1 : 0;
}

}  // namespace

std::string Force24HourTimeFormat(std::string_view format) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '\'') {
            // Quoted text is copied as it is, quotes included.
            const auto close = format.find('\'', i + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close + 1;
            out.append(format.substr(i, end - i));
            i = end - 1;
        } else if (const std::size_t group = MarkerGroupLength(format, i); group > 0) {
            i += group - 1;
        } else if (const std::size_t marker = MarkerLength(format, i); marker > 0) {
            i += marker - 1;
        } else {
            out += c == 'h' ? 'H' : c;
        }
    }
    // What separated the dropped markers from the time goes with them; the spaces that stay
    // do not break.
    std::string tidy;
    for (const char c : out) {
        if (c == ' ' && (tidy.empty() || tidy.ends_with(' ')))
            continue;
        tidy += c;
    }
    while (tidy.ends_with(' '))
        tidy.pop_back();
    std::string unbroken;
    for (const char c : tidy)
        unbroken += c == ' ' ? std::string("\xC2\xA0") : std::string(1, c);
    return unbroken;
}

}  // namespace linkvane
