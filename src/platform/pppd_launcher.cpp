#include "platform/pppd_launcher.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

namespace linkvane {

namespace {

constexpr std::string_view kLocalAddressLine = "local  IP address";
constexpr std::string_view kInterfaceLine = "Using interface ";
constexpr std::string_view kPrimaryDnsLine = "primary   DNS address ";
constexpr std::string_view kSecondaryDnsLine = "secondary DNS address ";
constexpr int kPppdExitAuthFailed = 19;

struct ExitMeaning {
    int status;
    std::int16_t code;
    const char* why;
};

constexpr std::array kExits{
    ExitMeaning{kPppdExitAuthFailed, kDialErrorAuthentication, "The provider refused the login"},
    ExitMeaning{16, kDialErrorPortDisconnected, "The modem hung up"},
    ExitMeaning{10, kDialErrorPppTerminated, "The PPP negotiation failed"},
    ExitMeaning{15, kDialErrorPppTimeout, "The provider stopped answering"},
};

std::optional<DialEnd> CheckRunnable(const PppdOptions& options) {
    const std::string pppd = options.pppdPath.string();
    std::error_code error;
    if (!std::filesystem::exists(options.pppdPath, error)) {
        return DialEnd::Failure(kDialErrorUnknown,
                                "pppd is not installed at " + pppd +
                                    ": install the ppp package (sudo apt install ppp), or set "
                                    "PppdPath to where pppd is.");
    }
    if (::access(options.pppdPath.c_str(), X_OK) != 0) {
        return DialEnd::Failure(kDialErrorUnknown,
                                "You may not run " + pppd +
                                    ": add yourself to the dip group (sudo adduser $USER dip) "
                                    "and log in again.");
    }
    // Only pppd itself reads the options file; a stand-in under another name (a test's) does not.
    if (options.peersFile.empty() || options.pppdPath.filename() != "pppd")
        return std::nullopt;
    if (!std::filesystem::exists(options.peersFile, error)) {
        const bool hidden = error.value() == EACCES;
        return DialEnd::Failure(
            kDialErrorUnknown,
            hidden
                ? "You may not read pppd's options in " + options.peersFile.parent_path().string() +
                      ": add yourself to the dip group (sudo adduser $USER dip) and log in again."
                : "pppd's options file " + options.peersFile.string() +
                      " is missing: install Linkvane as root (sudo cmake --install BUILD).");
    }
    return std::nullopt;
}

bool MakePipe(FileDescriptor& readEnd, FileDescriptor& writeEnd) {
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0)
        return false;
    readEnd = FileDescriptor(ends[0]);
    writeEnd = FileDescriptor(ends[1]);
    return true;
}

}  // namespace

std::vector<std::string> PppdArguments(const std::string& login, const std::string& entry) {
    return {"call", "linkvane", "user", login, "passwordfd", "3", "logfd", "4", "ipparam", entry};
}

void PppdLogFacts::Take(std::string_view line) {
    if (!line.empty())
        lastLine = line;
    if (line.find("authentication failed") != std::string_view::npos)
        authFailure = line;
    if (line.starts_with(kInterfaceLine))
        interfaceName = line.substr(kInterfaceLine.size());
    for (const std::string_view prefix : {kPrimaryDnsLine, kSecondaryDnsLine}) {
        if (!line.starts_with(prefix))
            continue;
        const std::string address(line.substr(prefix.size()));
        in_addr parsed{};
        if (::inet_pton(AF_INET, address.c_str(), &parsed) == 1 &&
            std::find(nameServers.begin(), nameServers.end(), address) == nameServers.end())
            nameServers.push_back(address);
    }
}

DialEnd PppdExitEnd(int exitStatus, const PppdLogFacts& log) {
    if (!log.authFailure.empty())
        exitStatus = kPppdExitAuthFailed;
    const std::string& quoted = log.authFailure.empty() ? log.lastLine : log.authFailure;
    const std::string said = quoted.empty() ? "" : " (pppd: " + quoted + ")";
    for (const ExitMeaning& meaning : kExits) {
        if (meaning.status == exitStatus)
            return DialEnd::Failure(meaning.code, meaning.why + said + ".");
    }
    std::string why = "pppd ended with status " + std::to_string(exitStatus) + said + ".";
    if (exitStatus == 4)
        why += " This kernel has no PPP support (load the ppp_generic module).";
    if (exitStatus == 3)
        why += " pppd must be installed setuid root, as the ppp package installs it.";
    return DialEnd::Failure(kDialErrorUnknown, why);
}

std::int16_t PppdLogState(std::string_view line) {
    if (line.starts_with(kLocalAddressLine))
        return kRasConnected;
    if (line.find("authentication succeeded") != std::string_view::npos)
        return kRasAuthenticated;
    if (line.starts_with("Connect:"))
        return kRasAuthenticate;
    return 0;
}

std::optional<DialEnd> PppdProcess::Start(int lineFd, const std::string& login,
                                          const std::string& password, const std::string& entry) {
    if (std::optional<DialEnd> cannot = CheckRunnable(m_options))
        return cannot;
    FileDescriptor passwordRead;
    FileDescriptor passwordWrite;
    FileDescriptor logWrite;
    if (!MakePipe(passwordRead, passwordWrite) || !MakePipe(m_log, logWrite))
        return DialEnd::Failure(kDialErrorUnknown,
                                std::string("No pipe for pppd: ") + std::strerror(errno));
    // The password is far smaller than a pipe's buffer, so it is written before pppd runs.
    if (!WriteAll(passwordWrite.get(), password.data(), password.size()) || !passwordWrite.Close())
        return DialEnd::Failure(kDialErrorUnknown, "The password cannot be handed to pppd.");

    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    std::vector<std::string> args = PppdArguments(login, entry);
    args.insert(args.begin(), m_options.pppdPath.string());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string execFailed = "cannot run " + m_options.pppdPath.string() + "\n";

    const pid_t pid = ::fork();
    if (pid < 0)
        return DialEnd::Failure(kDialErrorUnknown,
                                std::string("pppd cannot be started: ") + std::strerror(errno));
    if (pid == 0) {
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD})
            ::signal(sig, SIG_DFL);
        // Descriptors are placed high first, so that no dup2 overwrites one still needed.
        const int line = ::fcntl(lineFd, F_DUPFD, 10);
        const int secret = ::fcntl(passwordRead.get(), F_DUPFD, 10);
        const int log = ::fcntl(logWrite.get(), F_DUPFD, 10);
        if (line < 0 || secret < 0 || log < 0 || ::dup2(line, 0) < 0 || ::dup2(log, 1) < 0 ||
            ::dup2(log, 2) < 0 || ::dup2(secret, 3) < 0 || ::dup2(log, 4) < 0)
            ::_exit(127);
        ::close_range(5, ~0U, 0);
        ::execv(argv[0], argv.data());
        (void)!::write(4, execFailed.data(), execFailed.size());
        ::_exit(127);
    }
    m_pid = pid;
    m_pidFd = FileDescriptor(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    return std::nullopt;
}

ssize_t PppdProcess::ReadSome() {
    if (!m_log.valid())
        return -1;
    std::array<char, 512> buffer{};
    const ssize_t got = ::read(m_log.get(), buffer.data(), buffer.size());
    if (got < 0)
        return errno == EINTR || errno == EAGAIN ? 0 : -1;
    if (got == 0) {
        if (!m_pending.empty())
            m_pending += '\n';  // the last words, even without a line end
        return -1;
    }
    m_pending.append(buffer.data(), static_cast<std::size_t>(got));
    return got;
}

std::optional<std::string> PppdProcess::TakeLogLine() {
    std::size_t end = m_pending.find('\n');
    if (m_dropping) {
        m_dropping = end == std::string::npos;
        m_pending.erase(0, m_dropping ? std::string::npos : end + 1);
        end = m_pending.find('\n');
    }
    if (end == std::string::npos && m_pending.size() < kPppdLogLineLimit)
        return std::nullopt;
    // A line too long to keep is cut, and the rest of it up to its end dropped.
    std::string line = m_pending.substr(0, std::min(end, kPppdLogLineLimit));
    m_dropping = end == std::string::npos;
    m_pending.erase(0, m_dropping ? std::string::npos : end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::optional<int> PppdProcess::Reap() {
    if (m_status || m_pid <= 0)
        return m_status;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return std::nullopt;
    m_pid = 0;
    m_pidFd.Close();
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_status;
}

void PppdProcess::Stop() {
    if (m_pid <= 0 || Reap())
        return;
    ::kill(m_pid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + m_options.termGrace;
    while (std::chrono::steady_clock::now() < until) {
        pollfd ended{m_pidFd.get(), POLLIN, 0};
        ::poll(&ended, 1, 50);
        if (Reap())
            return;
    }
    ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = 0;
    m_pidFd.Close();
    m_status = -1;
}

}  // namespace linkvane
