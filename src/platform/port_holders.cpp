#include "platform/port_holders.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "core/util/file_descriptor.h"

namespace linkvane {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kProcFileLimit = 4096;

// At most kProcFileLimit bytes of a file under /proc; "" when it cannot be read.
std::string ReadProcFile(const fs::path& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        return {};
    std::array<char, kProcFileLimit> buffer{};
    const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
    return got > 0 ? std::string(buffer.data(), static_cast<std::size_t>(got)) : std::string();
}

std::optional<pid_t> PidOf(const fs::path& entry) {
    const std::string name = entry.filename().string();
    if (name.empty() || name.size() > 9 ||
        name.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<pid_t>(std::stol(name));
}

bool HasOpen(pid_t pid, const std::string& target) {
    std::error_code error;
    for (const fs::directory_entry& fd :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        std::array<char, 512> link{};
        const ssize_t size = ::readlink(fd.path().c_str(), link.data(), link.size());
        if (size > 0 && std::string_view(link.data(), static_cast<std::size_t>(size)) == target)
            return true;
    }
    return false;
}

}  // namespace

std::string ProcessCommand(pid_t pid) {
    const fs::path dir = "/proc/" + std::to_string(pid);
    std::string command = ReadProcFile(dir / "cmdline");
    command = command.substr(0, command.find('\0'));
    command = command.substr(command.rfind('/') + 1);
    if (command.empty()) {
        command = ReadProcFile(dir / "comm");
        command = command.substr(0, command.find('\n'));
    }
    return command;
}

std::optional<PortHolder> FindOpenHolder(const fs::path& device) {
    std::error_code error;
    const std::string target = fs::canonical(device, error).string();
    if (error)
        return std::nullopt;
    const pid_t self = ::getpid();
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        const std::optional<pid_t> pid = PidOf(process.path());
        if (pid && *pid != self && HasOpen(*pid, target))
            return PortHolder{*pid, ProcessCommand(*pid)};
    }
    return std::nullopt;
}

std::string DeviceGroup(const fs::path& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return {};
    std::array<char, 1024> buffer{};
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return {};
    return found->gr_name;
}

}  // namespace linkvane
