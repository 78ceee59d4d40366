#include "core/connection/call_log.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

#include "core/util/file_descriptor.h"

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

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Month names, 1-based, English and those of the user's LC_TIME (full, abbreviated, and the
// standalone forms some languages use in dates).
std::array<std::vector<std::string>, 13> MonthNames() {
    static constexpr const char* kEnglish[] = {"january",   "february", "march",    "april",
                                               "may",       "june",     "july",     "august",
                                               "september", "october",  "november", "december"};
    std::array<std::vector<std::string>, 13> names;
    for (std::size_t month = 1; month <= 12; ++month) {
        names[month].push_back(kEnglish[month - 1]);
        names[month].push_back(std::string(kEnglish[month - 1]).substr(0, 3));
    }
    if (locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) {
        for (std::size_t month = 1; month <= 12; ++month) {
            for (const nl_item first : {MON_1, ABMON_1, ALTMON_1}) {
                const auto item = static_cast<nl_item>(first + static_cast<nl_item>(month) - 1);
                std::string name = Lower(nl_langinfo_l(item, user));
                if (!name.empty() && name.back() == '.')
                    name.pop_back();
                if (!name.empty())
                    names[month].push_back(std::move(name));
            }
        }
        freelocale(user);
    }
    return names;
}

// The date's words, lower case: runs of letters (any non-ASCII byte counts as one) and runs
// of digits.
std::vector<std::string> Words(std::string_view text) {
    enum class Kind { kOther, kLetter, kDigit };
    const auto kindOf = [](unsigned char c) {
        if (std::isdigit(c) != 0)
            return Kind::kDigit;
        return std::isalpha(c) != 0 || c >= 0x80 ? Kind::kLetter : Kind::kOther;
    };
    std::vector<std::string> words;
    Kind current = Kind::kOther;
    for (const char c : text) {
        const Kind kind = kindOf(static_cast<unsigned char>(c));
        if (kind != Kind::kOther && kind != current)
            words.emplace_back();
        if (kind != Kind::kOther)
            words.back() += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        current = kind;
    }
    return words;
}

std::string YearMonth(int year, int month) {
    return std::to_string(year) + "-" + TwoDigits(month);
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

std::vector<MonthlyCalls> SummariseCalls(const std::vector<CallLogLine>& calls) {
    std::map<std::pair<std::string, std::string>, MonthlyCalls> totals;
    for (const CallLogLine& call : calls) {
        std::string month = MonthOfLogDate(call.date).value_or("");
        MonthlyCalls& total = totals[{call.entryName, month}];
        total.entryName = call.entryName;
        total.month = std::move(month);
        ++total.calls;
        total.seconds += call.durationSeconds;
    }
    std::vector<MonthlyCalls> summary;
    for (auto& [key, total] : totals)
        summary.push_back(std::move(total));
    return summary;
}

Status AppendCallLogLine(const fs::path& path, std::string_view line) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (!fd.valid())
        return Fail("Cannot open the call log " + path.string() + ": " + ErrnoText());
    // Held until the descriptor closes; another writer waits rather than interleaving.
    if (::flock(fd.get(), LOCK_EX) != 0)
        return Fail("Cannot lock the call log " + path.string() + ": " + ErrnoText());
    if (!WriteAll(fd.get(), line.data(), line.size()))
        return Fail("Cannot write the call log " + path.string() + ": " + ErrnoText());
    return Success();
}

Result<std::vector<std::string>> ReadCallLogPieces(const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const FileDescriptor created(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600));
    std::ifstream in(path, std::ios::binary);
    if (!created.valid() || !in)
        return Fail("Cannot read the call log " + path.string() + ": " + ErrnoText());
    std::vector<std::string> pieces;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();  // a log written on a system with CR LF line ends
        std::string_view rest = line;
        while (!rest.empty()) {
            const std::size_t end = PieceEnd(rest, kLogPieceLength);
            pieces.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end);
        }
    }
    return pieces;
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
    const std::vector<std::string> words = Words(date);
    std::optional<int> year;
    for (const std::string& word : words) {
        if (word.size() == 4 && AllDigits(word))
            year = std::stoi(word);
    }
    if (!year)
        return std::nullopt;
    static const std::array<std::vector<std::string>, 13> kNames = MonthNames();
    for (const std::string& word : words) {
        for (std::size_t month = 1; month <= 12; ++month) {
            const auto& names = kNames[month];
            if (std::find(names.begin(), names.end(), word) != names.end())
                return YearMonth(*year, static_cast<int>(month));
        }
    }
    // An ISO date: the year followed by the month number.
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i].size() == 4 && AllDigits(words[i]) && AllDigits(words[i + 1]) &&
            words[i + 1].size() <= 2) {
            const int month = std::stoi(words[i + 1]);
            if (month >= 1 && month <= 12)
                return YearMonth(std::stoi(words[i]), month);
        }
    }
    return std::nullopt;
}

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
        } else if (c == 'h') {
            out += 'H';
        } else if (c == 'A' || c == 'a' || c == 't') {
            if ((c == 'A' || c == 'a') && i + 1 < format.size() &&
                (format[i + 1] == 'P' || format[i + 1] == 'p'))
                ++i;
        } else {
            out += c;
        }
    }
    // What separated the dropped markers from the time goes with them.
    std::string tidy;
    for (const char c : out) {
        if (c == ' ' && (tidy.empty() || tidy.back() == ' '))
            continue;
        tidy += c;
    }
    while (!tidy.empty() && tidy.back() == ' ')
        tidy.pop_back();
    return tidy;
}

}  // namespace linkvane
