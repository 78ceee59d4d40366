#include "platform/proc_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <string_view>

#include "core/util/file_descriptor.h"

namespace linkvane {

namespace {

const std::filesystem::path kProc = "/proc";

std::filesystem::path ProcOf(pid_t pid) {
    return kProc / std::to_string(pid);
}

// The pieces of text between separators; a separator at the end ends the last piece.
std::vector<std::string_view> Split(std::string_view rest, char separator) {
    std::vector<std::string_view> pieces;
    while (!rest.empty()) {
        const auto end = rest.find(separator);
        pieces.push_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return pieces;
}

// The fields after the command name of /proc/PID/stat, which may itself hold spaces and ')'.
std::optional<std::vector<std::string_view>> StatFields(const std::string& stat) {
    const auto paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 >= stat.size())
        return std::nullopt;
    return Split(std::string_view(stat).substr(paren + 2), ' ');
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::size_t limit) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::string text;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return text;
        text.append(buffer.data(), static_cast<std::size_t>(got));
        if (text.size() > limit)
            return std::nullopt;
    }
}

std::vector<std::string> CommandLineOf(pid_t pid) {
    const auto cmdline = ReadSmallFile(ProcOf(pid) / "cmdline", 65536);
    const std::string_view text = cmdline ? std::string_view(*cmdline) : std::string_view();
    std::vector<std::string> args;
    for (const std::string_view arg : Split(text, '\0'))
        args.emplace_back(arg);
    return args;
}

std::string OptionValue(const std::vector<std::string>& args, std::string_view option) {
    std::string value;
    for (std::size_t i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == option)
            value = args[i + 1];
    }
    return value;
}

std::optional<std::uint64_t> ProcessStartTime(pid_t pid) {
    const auto stat = ReadSmallFile(ProcOf(pid) / "stat", 4096);
    const auto fields = stat ? StatFields(*stat) : std::nullopt;
    // Field 22 of the whole line is the 20th after the name and the state.
    constexpr std::size_t kStartTime = 22 - 3;
    if (!fields || fields->size() <= kStartTime)
        return std::nullopt;
    std::uint64_t start = 0;
    const std::string_view text = (*fields)[kStartTime];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), start);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return start;
}

bool ProcessGone(pid_t pid) {
    const auto stat = ReadSmallFile(ProcOf(pid) / "stat", 4096);
    const auto fields = stat ? StatFields(*stat) : std::nullopt;
    return !fields || fields->empty() || (*fields)[0] == "Z" || (*fields)[0] == "X";
}

std::optional<uid_t> RealUidOf(pid_t pid) {
    const auto status = ReadSmallFile(ProcOf(pid) / "status", 16384);
    const std::string_view key = "\nUid:\t";
    const auto at = status ? status->find(key) : std::string::npos;
    if (at == std::string::npos)
        return std::nullopt;
    const char* begin = status->data() + at + key.size();
    uid_t uid = 0;
    const auto [end, error] = std::from_chars(begin, status->data() + status->size(), uid);
    if (error != std::errc() || end == begin)
        return std::nullopt;
    return uid;
}

bool InThisNetworkNamespace(pid_t pid) {
    struct stat theirs {};
    struct stat ours {};
    return ::stat((ProcOf(pid) / "net" / "dev").c_str(), &theirs) == 0 &&
           ::stat("/proc/self/net/dev", &ours) == 0 && theirs.st_ino == ours.st_ino &&
           theirs.st_dev == ours.st_dev;
}

}  // namespace linkvane
