#include "platform/ppp_links.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "core/profiles/phonebook.h"
#include "core/util/regular_file.h"
#include "core/util/win_error.h"
#include "platform/proc_files.h"

namespace linkvane {

namespace {

namespace fs = std::filesystem;

// Visits each entry of dir. A folder that cannot be read, or stops being readable partway,
// ends the walk with its error instead of an exception.
template <class Visit>
std::error_code ForEachEntry(const fs::path& dir, Visit visit) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        visit(*it);
    return ec;
}

constexpr std::size_t kMaxPidFileSize = 256;
constexpr std::size_t kMaxInterfaceName = 15;  // IFNAMSIZ - 1
constexpr pid_t kPidLimit = 4194304;           // PID_MAX_LIMIT on 64-bit kernels
constexpr std::chrono::milliseconds kKillWait{2000};
const fs::path kProc = "/proc";

bool IsInterfaceName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxInterfaceName && name != "." && name != ".." &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == '.';
           });
}

std::string_view TrimLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// A pidfd for pid, or -1 when the kernel has none (ENOSYS) or the process is gone (ESRCH).
int OpenPidFd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int SendSignal(int pidFd, pid_t pid, int signal) {
    if (pidFd >= 0)
        return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidFd, signal, nullptr, 0));
    return ::kill(pid, signal);
}

// Waits until the process has exited or `wait` has passed; true when it has exited.
bool WaitForExit(int pidFd, pid_t pid, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (pidFd >= 0) {
            pollfd entry{pidFd, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const int ready =
                ::poll(&entry, 1, static_cast<int>(std::max<long long>(0, left.count())));
            if (ready > 0)
                return true;
            if (ready == 0)
                return false;
            if (errno != EINTR)
                return ProcessGone(pid);
        } else {
            if (ProcessGone(pid))
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            ::usleep(20000);
        }
    }
}

class FdCloser {
  public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

  private:
    int m_fd;
};

// The IPv4 address of an interface of this network namespace; empty when it has none.
std::string InterfaceAddress(const std::string& interfaceName) {
    ifaddrs* all = nullptr;
    if (interfaceName.empty() || ::getifaddrs(&all) != 0)
        return {};
    std::string address;
    for (const ifaddrs* it = all; it != nullptr && address.empty(); it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET ||
            interfaceName != it->ifa_name)
            continue;
        std::array<char, INET_ADDRSTRLEN> text{};
        sockaddr_in in{};
        std::memcpy(&in, it->ifa_addr, sizeof in);
        if (::inet_ntop(AF_INET, &in.sin_addr, text.data(), text.size()) != nullptr)
            address = text.data();
    }
    ::freeifaddrs(all);
    return address;
}

bool UsableAsEntryName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxEntryNameLength &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// One of an interface's counters: decimal digits and a line feed, as the kernel writes them.
std::optional<std::uint64_t> ReadCounter(const fs::path& file) {
    auto fd = OpenRegularFile(file, O_RDONLY);
    if (!fd)
        return std::nullopt;
    std::array<char, 32> text{};
    const ssize_t got = ::read(fd->get(), text.data(), text.size());
    const auto length = static_cast<std::size_t>(std::max<ssize_t>(got, 0));
    if (length <= 1 || length == text.size() || text[length - 1] != '\n')
        return std::nullopt;
    const char* digitsEnd = text.data() + length - 1;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), digitsEnd, value);
    if (error != std::errc() || end != digitsEnd)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<LinkVolume> InterfaceVolume(const fs::path& netDir, const std::string& ifname) {
    if (!IsInterfaceName(ifname))
        return std::nullopt;
    const fs::path statistics = netDir / ifname / "statistics";
    const auto in = ReadCounter(statistics / "rx_bytes");
    const auto out = ReadCounter(statistics / "tx_bytes");
    if (!in || !out)
        return std::nullopt;
    return LinkVolume{*in, *out};
}

std::optional<PppPidFile> ParsePppPidFile(std::string_view text) {
    if (text.size() > kMaxPidFileSize)
        return std::nullopt;
    const auto newline = text.find('\n');
    const std::string_view first = TrimLine(text.substr(0, newline));
    std::string_view second;
    if (newline != std::string_view::npos) {
        std::string_view rest = text.substr(newline + 1);
        const auto end = rest.find('\n');
        second = TrimLine(rest.substr(0, end));
        if (end != std::string_view::npos && !TrimLine(rest.substr(end + 1)).empty())
            return std::nullopt;  // pppd writes two lines at most
    }
    if (first.empty() || first.size() > 7 ||
        !std::all_of(first.begin(), first.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const pid_t pid = static_cast<pid_t>(std::stol(std::string(first)));
    if (pid < 2 || pid > kPidLimit)
        return std::nullopt;
    if (!second.empty() && !IsInterfaceName(second))
        return std::nullopt;
    return PppPidFile{pid, std::string(second)};
}

PppLinks::PppLinks(PppLinkOptions options) : m_options(std::move(options)) {}

bool PppLinks::IsPppd(pid_t pid) const {
    if (ProcessGone(pid))
        return false;
    const fs::path proc = kProc / std::to_string(pid);
    if (const auto comm = ReadSmallFile(proc / "comm", 64); comm && *comm == "pppd\n")
        return true;
    // A pppd under another name: by its command line, which anyone may read, else by its
    // executable, which only its owner (or root) may.
    std::error_code ec;
    const fs::path configured = fs::weakly_canonical(m_options.pppdPath, ec);
    const std::vector<std::string> args = CommandLineOf(pid);
    if (!ec && !args.empty() && fs::weakly_canonical(args[0], ec) == configured && !ec)
        return true;
    const fs::path exe = fs::read_symlink(proc / "exe", ec);
    return !ec && exe == configured;
}

std::string PppLinks::SerialLineOf(pid_t pid) const {
    // The device pppd was given on its command line ("pppd /dev/ttyS0 115200 ..."), else the
    // line it was handed on its standard input, as after a modem dialogue of the dialler (only
    // its owner may look there).
    for (const std::string& arg : CommandLineOf(pid)) {
        if (arg.starts_with("/dev/") && arg.size() > 5)
            return arg;
    }
    std::error_code ec;
    const std::string input =
        fs::read_symlink(kProc / std::to_string(pid) / "fd" / "0", ec).string();
    if (!ec &&
        (input.starts_with("/dev/tty") || input.starts_with("/dev/pts/") ||
         input.starts_with("/dev/rfcomm")) &&
        input != "/dev/tty")
        return input;
    return {};
}

bool PppLinks::RecordHolds(const LinkRecord& record) const {
    return IsPppd(record.pid) && ProcessStartTime(record.pid) == record.start &&
           OptionValue(CommandLineOf(record.pid), "ipparam") == record.entry;
}

// A pid file counts when it names a live pppd of this network namespace (a pppd elsewhere,
// such as a provider's on the same machine, writes the same names into the same folder) whose
// own linkname, where its command line gives one, is the file's.
bool PppLinks::PidFileHolds(const PppPidFile& file, const std::string& linkname) const {
    if (!IsPppd(file.pid) || !InThisNetworkNamespace(file.pid))
        return false;
    const std::string given = OptionValue(CommandLineOf(file.pid), "linkname");
    return linkname.empty() || given.empty() || given == linkname;
}

ActiveConnection PppLinks::Describe(pid_t pid, const std::string& fallbackName,
                                    const std::string& interfaceName,
                                    const LinkRecord* record) const {
    ActiveConnection link;
    link.handle = static_cast<std::uint64_t>(pid);
    link.interfaceName = interfaceName;
    link.localAddress = InterfaceAddress(interfaceName);
    const std::string ipparam = OptionValue(CommandLineOf(pid), "ipparam");
    link.entryName = UsableAsEntryName(ipparam) ? ipparam : fallbackName;
    const std::string line =
        record != nullptr && !record->device.empty() ? record->device : SerialLineOf(pid);
    link.deviceType = line.empty() ? "ppp" : "modem";
    link.deviceName = line.empty() ? interfaceName : line;
    if (record != nullptr)
        link.nameServers = record->nameServers;
    return link;
}

Result<std::vector<ActiveConnection>> PppLinks::EnumConnections() {
    struct Found {
        std::string linkname;
        std::string interfaceName;
        const LinkRecord* record = nullptr;
    };
    std::map<pid_t, Found> byPid;

    // Linkvane's own records first: they know which pppd is which entry's.
    const std::vector<LinkRecord> records = ReadLinkRecords(m_options.recordDir);
    for (const LinkRecord& record : records) {
        if (!RecordHolds(record)) {
            std::error_code ignored;
            if (ProcessGone(record.pid))  // left by a dialler that was killed
                fs::remove(m_options.recordDir / (std::to_string(record.pid) + ".json"), ignored);
            continue;
        }
        byPid[record.pid] = {{}, record.interfaceName, &record};
    }

    std::map<std::string, pid_t> interfacePids;  // from <ifname>.pid files
    const std::error_code ec = ForEachEntry(m_options.runDir, [&](const fs::directory_entry& file) {
        const std::string name = file.path().filename().string();
        std::error_code typeError;
        if (!name.ends_with(".pid") || !file.is_regular_file(typeError))
            return;
        const std::string stem = name.substr(0, name.size() - 4);
        const bool linknameFile = stem.starts_with("ppp-") && stem.size() > 4;
        if (!linknameFile && !(stem.starts_with("ppp") && IsInterfaceName(stem)))
            return;
        const auto text = ReadSmallFile(file.path(), kMaxPidFileSize);
        const auto parsed = text ? ParsePppPidFile(*text) : std::nullopt;
        const std::string linkname = linknameFile ? stem.substr(4) : "";
        if (!parsed || !PidFileHolds(*parsed, linkname))
            return;
        if (!linknameFile) {
            interfacePids[stem] = parsed->pid;
            return;
        }
        // Several files may name one pppd: the first name in byte order wins, whatever order
        // the folder lists them in.
        Found& found = byPid[parsed->pid];
        if (!found.linkname.empty() && found.linkname < linkname)
            return;
        found.linkname = linkname;
        if (!parsed->interfaceName.empty())
            found.interfaceName = parsed->interfaceName;
    });
    if (ec) {
        return Fail("Cannot read " + m_options.runDir.string() + ": " + ec.message(),
                    ec == std::errc::permission_denied ? win::kAccessDenied : win::kFileNotFound);
    }

    for (const auto& [ifname, pid] : interfacePids) {
        if (auto it = byPid.find(pid); it != byPid.end() && it->second.interfaceName.empty())
            it->second.interfaceName = ifname;
    }
    // An interface a link has already is not listed again, whatever pid file names it.
    std::set<std::string> claimed;
    std::vector<ActiveConnection> links;
    for (const auto& [pid, found] : byPid) {
        if (!found.interfaceName.empty())
            claimed.insert(found.interfaceName);
        const std::string fallback = !found.linkname.empty()   ? found.linkname
                                     : found.record != nullptr ? found.record->entry
                                                               : found.interfaceName;
        links.push_back(Describe(pid, fallback, found.interfaceName, found.record));
    }
    // Interfaces are a second source; without /sys the pid files still tell.
    ForEachEntry(m_options.netDir, [&](const fs::directory_entry& netIf) {
        const std::string ifname = netIf.path().filename().string();
        if (!ifname.starts_with("ppp") || !IsInterfaceName(ifname) || claimed.contains(ifname))
            return;
        const auto pid = interfacePids.find(ifname);
        if (pid == interfacePids.end()) {
            links.push_back(
                {ifname, "ppp", ifname, 0, ifname, std::nullopt, InterfaceAddress(ifname), {}});
            return;
        }
        links.push_back(Describe(pid->second, ifname, ifname, nullptr));
    });
    for (ActiveConnection& link : links)
        link.volume = InterfaceVolume(m_options.netDir, link.interfaceName);
    std::sort(links.begin(), links.end(), [](const auto& a, const auto& b) {
        return a.entryName != b.entryName ? a.entryName < b.entryName : a.handle < b.handle;
    });
    return links;
}

std::vector<LinkvanePppd> PppLinks::FindLinkvanePppds() const {
    std::vector<LinkvanePppd> found;
    ForEachEntry(kProc, [&](const fs::directory_entry& process) {
        const std::string name = process.path().filename().string();
        if (name.empty() || name.size() > 7 ||
            name.find_first_not_of("0123456789") != std::string::npos)
            return;
        const auto pid = static_cast<pid_t>(std::stol(name));
        if (RealUidOf(pid) != ::getuid() || !IsPppd(pid))
            return;
        const std::vector<std::string> args = CommandLineOf(pid);
        const auto call = std::adjacent_find(
            args.begin(), args.end(),
            [](const auto& a, const auto& b) { return a == "call" && b == "linkvane"; });
        if (call != args.end())
            found.push_back({pid, OptionValue(args, "ipparam")});
    });
    return found;
}

Status PppLinks::HangUp(std::uint64_t handle) {
    if (handle < 2 || handle > static_cast<std::uint64_t>(kPidLimit))
        return Fail("No pppd is known for this link", win::kInvalidHandle);
    const auto pid = static_cast<pid_t>(handle);
    const int pidFd = OpenPidFd(pid);
    const FdCloser closer(pidFd);
    if (pidFd < 0 && errno != ENOSYS)
        return Fail("The link has ended already", win::kInvalidHandle);
    // Checked after the pidfd is open, so a pid reused since then cannot be signalled.
    if (!IsPppd(pid))
        return Fail("Process " + std::to_string(pid) + " is not pppd", win::kInvalidHandle);

    if (SendSignal(pidFd, pid, SIGTERM) != 0) {
        if (errno == ESRCH)
            return Success();
        return Fail("Cannot end pppd " + std::to_string(pid),
                    errno == EPERM ? win::kAccessDenied : win::kInvalidHandle);
    }
    if (WaitForExit(pidFd, pid, m_options.termGrace))
        return Success();
    if (SendSignal(pidFd, pid, SIGKILL) != 0 && errno != ESRCH)
        return Fail("Cannot kill pppd " + std::to_string(pid), win::kAccessDenied);
    if (!WaitForExit(pidFd, pid, kKillWait))
        return Fail("pppd " + std::to_string(pid) + " did not end", win::kTimeout);
    // pppd had no chance to remove its pid files; stale ones would name a pid that is reused.
    RemovePidFilesOf(pid);
    return Success();
}

void PppLinks::RemovePidFilesOf(pid_t pid) const {
    ForEachEntry(m_options.runDir, [&](const fs::directory_entry& file) {
        const std::string name = file.path().filename().string();
        if (!name.starts_with("ppp") || !name.ends_with(".pid"))
            return;
        const auto text = ReadSmallFile(file.path(), kMaxPidFileSize);
        const auto parsed = text ? ParsePppPidFile(*text) : std::nullopt;
        std::error_code ignored;
        if (parsed && parsed->pid == pid)
            fs::remove(file.path(), ignored);
    });
}

}  // namespace linkvane
