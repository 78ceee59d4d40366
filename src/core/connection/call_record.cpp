#include "core/connection/call_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace linkvane {

namespace {

constexpr std::string_view kMagic = "LVC1";
constexpr std::size_t kFieldCount = 7;
constexpr std::size_t kStartLength = 25;

// FNV-1a over the bytes, in 64 bits for keys and 32 for checks.
template <typename Hash>
Hash Fnv1a(std::string_view bytes, Hash basis, Hash prime) {
    Hash hash = basis;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= prime;
    }
    return hash;
}

std::uint64_t Fnv1a64(std::string_view bytes) {
    return Fnv1a<std::uint64_t>(bytes, 14695981039346656037u, 1099511628211u);
}

std::uint32_t Fnv1a32(std::string_view bytes) {
    return Fnv1a<std::uint32_t>(bytes, 2166136261u, 16777619u);
}

template <typename Number>
std::string LowerHex(Number value) {
    std::array<char, sizeof(Number) * 2> digits{};
    for (auto i = digits.size(); i-- > 0; value >>= 4)
        digits[i] = "0123456789abcdef"[value & 0xF];
    return std::string(digits.data(), digits.size());
}

// A number in exactly the field's form (decimal digits, or lower-case hex of a fixed width);
// nullopt for anything else, including a value that does not fit.
template <typename Number>
std::optional<Number> ParseField(std::string_view text, int base, std::size_t width = 0) {
    if (text.empty() || (width != 0 && text.size() != width))
        return std::nullopt;
    const bool digitsOnly = std::all_of(text.begin(), text.end(), [&](char c) {
        return (c >= '0' && c <= '9') || (base == 16 && c >= 'a' && c <= 'f');
    });
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (!digitsOnly || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Two digits at text[at] that lie within [low, high].
bool TwoDigitsWithin(std::string_view text, std::size_t at, int low, int high) {
    const auto value = ParseField<int>(text.substr(at, 2), 10, 2);
    return value && *value >= low && *value <= high;
}

bool IsCallStart(std::string_view start) {
    if (start.size() != kStartLength || !ParseField<int>(start.substr(0, 4), 10, 4))
        return false;
    for (const auto& [at, separator] : std::initializer_list<std::pair<std::size_t, char>>{
             {4, '-'}, {7, '-'}, {10, 'T'}, {13, ':'}, {16, ':'}, {22, ':'}}) {
        if (start[at] != separator)
            return false;
    }
    return TwoDigitsWithin(start, 5, 1, 12) && TwoDigitsWithin(start, 8, 1, 31) &&
           TwoDigitsWithin(start, 11, 0, 23) && TwoDigitsWithin(start, 14, 0, 59) &&
           TwoDigitsWithin(start, 17, 0, 60) && (start[19] == '+' || start[19] == '-') &&
           TwoDigitsWithin(start, 20, 0, 23) && TwoDigitsWithin(start, 23, 0, 59);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0; fields.size() <= kFieldCount;) {
        const auto space = line.find(' ', at);
        fields.push_back(line.substr(at, space - at));
        if (space == std::string_view::npos)
            break;
        at = space + 1;
    }
    return fields;
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

// The last whole record of the companion, read from its tail.
std::optional<CallRecord> LastRecord(int fd, off_t size, bool& partialTail) {
    std::string tail(static_cast<std::size_t>(std::min<off_t>(size, 2 * kMaxCallRecordLength)),
                     '\0');
    const ssize_t got =
        ::pread(fd, tail.data(), tail.size(), size - static_cast<off_t>(tail.size()));
    if (got != static_cast<ssize_t>(tail.size()))
        return std::nullopt;
    partialTail = !tail.empty() && tail.back() != '\n';
    const auto end = tail.rfind('\n');
    if (end == std::string::npos)
        return std::nullopt;
    const auto start = tail.rfind('\n', end == 0 ? std::string::npos : end - 1);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    // A tail that does not begin at a line's start gives a fragment, which does not decode.
    return DecodeCallRecord(std::string_view(tail).substr(from, end - from));
}

}  // namespace

std::filesystem::path CallRecordPath(const std::filesystem::path& logPath) {
    std::filesystem::path path = logPath;
    path += ".calls";
    return path;
}

std::uint64_t CallLineKey(std::string_view line) {
    return Fnv1a64(WithoutLineEnd(line));
}

std::string CallStartText(std::time_t time) {
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr)
        return {};
    std::array<char, 32> text{};
    if (std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &local) != 19)
        return {};
    const long offset = local.tm_gmtoff;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    std::string start(text.data());
    start += offset < 0 ? '-' : '+';
    const auto twoDigits = [](long value) {
        return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
               static_cast<char>('0' + value % 10);
    };
    start += twoDigits(minutes / 60) + ":" + twoDigits(minutes % 60);
    return IsCallStart(start) ? start : std::string();
}

std::optional<std::string> MonthOfCallStart(std::string_view start) {
    if (!IsCallStart(start))
        return std::nullopt;
    return std::string(start.substr(0, 7));
}

std::string EncodeCallRecord(const CallRecord& record) {
    std::string text = std::string(kMagic) + " " + std::to_string(record.lineOffset) + " " +
                       LowerHex(record.lineKey) + " " + record.facts.start + " ";
    if (record.facts.volume) {
        text += std::to_string(record.facts.volume->bytesIn) + " " +
                std::to_string(record.facts.volume->bytesOut);
    } else {
        text += "- -";
    }
    return text + " " + LowerHex(Fnv1a32(text)) + "\n";
}

std::optional<CallRecord> DecodeCallRecord(std::string_view line) {
    if (line.size() >= kMaxCallRecordLength)
        return std::nullopt;
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() != kFieldCount || fields[0] != kMagic)
        return std::nullopt;
    const auto checked = line.substr(0, line.size() - fields[6].size() - 1);
    const auto check = ParseField<std::uint32_t>(fields[6], 16, 8);
    const auto offset = ParseField<std::uint64_t>(fields[1], 10);
    const auto key = ParseField<std::uint64_t>(fields[2], 16, 16);
    if (!check || *check != Fnv1a32(checked) || !offset || !key || !IsCallStart(fields[3]))
        return std::nullopt;
    CallRecord record{*offset, *key, {std::string(fields[3]), std::nullopt}};
    if (fields[4] == "-" && fields[5] == "-")
        return record;
    const auto bytesIn = ParseField<std::uint64_t>(fields[4], 10);
    const auto bytesOut = ParseField<std::uint64_t>(fields[5], 10);
    if (!bytesIn || !bytesOut)
        return std::nullopt;
    record.facts.volume = LinkVolume{*bytesIn, *bytesOut};
    return record;
}

CallRecordCursor::CallRecordCursor(const std::filesystem::path& logPath) {
    auto file = OpenRegularFile(CallRecordPath(logPath), O_RDONLY);
    if (!file)
        return;
    m_file = std::move(*file);
    m_reader.emplace(m_file.get(), kMaxCallRecordLength);
    Advance();
}

bool CallRecordCursor::Advance() {
    m_next.reset();
    while (m_reader) {
        const auto line = m_reader->Next();
        if (!line)
            return false;
        if (line->terminated && !line->cut && (m_next = DecodeCallRecord(line->text)))
            return true;
    }
    return false;
}

std::optional<CallRecord> CallRecordCursor::Find(std::uint64_t lineOffset, std::string_view line) {
    // Records of lines that are no longer in the log are passed by.
    while (m_next && m_next->lineOffset < lineOffset)
        Advance();
    if (!m_next || m_next->lineOffset != lineOffset || m_next->lineKey != CallLineKey(line))
        return std::nullopt;
    std::optional<CallRecord> found = std::move(m_next);
    Advance();
    return found;
}

Status AppendCallRecord(const std::filesystem::path& logPath, const CallRecord& record) {
    const std::filesystem::path path = CallRecordPath(logPath);
    auto file = OpenRegularFile(path, O_RDWR | O_CREAT | O_APPEND);
    if (!file)
        return file.error();
    const int fd = file->get();
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return Fail("Cannot read " + path.string());
    bool partialTail = false;
    const auto last = info.st_size > 0 ? LastRecord(fd, info.st_size, partialTail) : std::nullopt;
    std::string text = EncodeCallRecord(record);
    if (last && last->lineOffset >= record.lineOffset) {
        if (::ftruncate(fd, 0) != 0)
            return Fail("Cannot start " + path.string() + " afresh");
    } else if (partialTail) {
        text.insert(text.begin(), '\n');
    }
    if (!WriteAll(fd, text.data(), text.size()))
        return Fail("Cannot write " + path.string());
    return Success();
}

}  // namespace linkvane
