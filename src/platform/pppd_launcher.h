#pragma once

// PppdLauncher: hands a connected modem line to pppd and watches it.
//
//   pppd call linkvane user LOGIN passwordfd 3 logfd 4 ipparam ENTRY
//
// with the line (opened O_RDWR) as standard input, the password on a pipe at fd 3 (never on
// the command line or on disk), and pppd's log on a pipe at fd 4; standard output and error
// go to the same log pipe, so that option errors, which pppd prints before it reads logfd,
// are seen too. pppd runs in a process group of its own, so a terminal's Ctrl-C reaches the
// dialler (which hangs up) and not pppd.
//
// Before it starts pppd the launcher says why pppd cannot run, when it can tell: not
// installed, not executable by the user (the dip group), the options file missing (checked
// when the program is named pppd: a stand-in reads no options file).
// One thread at a time.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/dialer_engine_base.h"
#include "core/connection/modem_engine_settings.h"
#include "core/util/file_descriptor.h"

namespace linkvane {

inline constexpr const char* kDefaultPppdPath = kDefaultPppd;
inline constexpr const char* kPeersFile = "/etc/ppp/peers/linkvane";
// A log line keeps at most this many bytes; the rest of a longer line is dropped.
inline constexpr std::size_t kPppdLogLineLimit = 512;
// After pppd has ended, its last words are read for at most this long and this many bytes:
// a child of pppd may hold the log open and keep writing.
inline constexpr std::chrono::milliseconds kPppdLogDrainTime{1000};
inline constexpr std::size_t kPppdLogDrainBytes = 64 * 1024;

// pppd's arguments after its name.
std::vector<std::string> PppdArguments(const std::string& login, const std::string& entry);

// What pppd's log has said so far about the link and how it went.
struct PppdLogFacts {
    std::string interfaceName;             // "Using interface ppp0"
    std::vector<std::string> nameServers;  // "primary   DNS address 192.0.2.1", "secondary ..."
    std::string authFailure;               // "PAP authentication failed", CHAP's alike
    std::string lastLine;                  // the last line that was not empty

    // Takes one line of the log.
    void Take(std::string_view line);
};

// How a pppd that ended before the link came up ends the dial. A log that says the login was
// refused gives 25691, whatever the status: the provider's hang-up after the refusal may end
// pppd first (status 16). Otherwise 19 -> 25691, 16 -> 25628, 10 -> 25734, 15 -> 25718,
// anything else -> 25635; the text quotes the refusal, else pppd's last words.
DialEnd PppdExitEnd(int exitStatus, const PppdLogFacts& log);

// The state a line of pppd's log announces, or 0: the link layer is up ("Connect:"), the
// login was accepted, the IP layer is up ("local  IP address").
std::int16_t PppdLogState(std::string_view line);

struct PppdOptions {
    std::filesystem::path pppdPath = kDefaultPppdPath;
    std::filesystem::path peersFile = kPeersFile;  // empty: not checked (a stand-in's run)
    std::chrono::milliseconds termGrace{3000};     // SIGTERM to SIGKILL
};

class PppdProcess {
  public:
    explicit PppdProcess(PppdOptions options) : m_options(std::move(options)) {}
    ~PppdProcess() { Stop(); }
    PppdProcess(const PppdProcess&) = delete;
    PppdProcess& operator=(const PppdProcess&) = delete;

    // Starts pppd on the line; nullopt when it runs.
    std::optional<DialEnd> Start(int lineFd, const std::string& login, const std::string& password,
                                 const std::string& entry);
    // Readable when pppd has logged something or ended.
    int LogFd() const { return m_log.get(); }
    int ExitFd() const { return m_pidFd.get(); }
    pid_t Pid() const { return m_pid; }
    // Reads what pppd logged, one buffer at most; each complete line goes to the log's facts,
    // then to onLine, a line longer than kPppdLogLineLimit cut to that length. The log closes
    // at its end. Returns the bytes read.
    template <typename OnLine>
    std::size_t ReadLog(OnLine onLine);
    // pppd's exit status once it has ended (-1 for a signal), nullopt while it runs.
    std::optional<int> Reap();
    // SIGTERM, then SIGKILL after the grace period; waits for the end.
    void Stop();
    const PppdLogFacts& LogFacts() const { return m_facts; }

  private:
    std::optional<std::string> TakeLogLine();
    // Bytes read, 0 when none were ready, -1 at the log's end.
    ssize_t ReadSome();

    PppdOptions m_options;
    pid_t m_pid = 0;
    FileDescriptor m_pidFd;
    FileDescriptor m_log;
    std::string m_pending;
    bool m_dropping = false;  // the rest of a cut line is being dropped
    PppdLogFacts m_facts;
    std::optional<int> m_status;
};

template <typename OnLine>
std::size_t PppdProcess::ReadLog(OnLine onLine) {
    const ssize_t got = ReadSome();
    while (std::optional<std::string> line = TakeLogLine()) {
        m_facts.Take(*line);
        onLine(*line);
    }
    if (got < 0)
        m_log.Close();
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

}  // namespace linkvane
