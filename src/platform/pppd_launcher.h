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
#include <vector>

#include "core/connection/dialer_engine_base.h"
#include "core/connection/modem_engine_settings.h"
#include "core/util/file_descriptor.h"

namespace linkvane {

inline constexpr const char* kDefaultPppdPath = kDefaultPppd;
inline constexpr const char* kPeersFile = "/etc/ppp/peers/linkvane";

// pppd's arguments after its name.
std::vector<std::string> PppdArguments(const std::string& login, const std::string& entry);

// How a pppd that ended before the link came up ends the dial: 19 -> 25691, 16 -> 25628,
// 10 -> 25734, 15 -> 25718, anything else -> 25635; logLine (pppd's last words) gives the text.
DialEnd PppdExitEnd(int exitStatus, const std::string& logLine);

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
    // Reads what pppd logged; each complete line goes to onLine.
    template <typename OnLine>
    void ReadLog(OnLine onLine);
    // pppd's exit status once it has ended (-1 for a signal), nullopt while it runs.
    std::optional<int> Reap();
    // SIGTERM, then SIGKILL after the grace period; waits for the end.
    void Stop();
    const std::string& LastLogLine() const { return m_lastLine; }

  private:
    std::optional<std::string> TakeLogLine();
    bool ReadSome();

    PppdOptions m_options;
    pid_t m_pid = 0;
    FileDescriptor m_pidFd;
    FileDescriptor m_log;
    std::string m_pending;
    std::string m_lastLine;
    std::optional<int> m_status;
};

template <typename OnLine>
void PppdProcess::ReadLog(OnLine onLine) {
    const bool open = ReadSome();
    while (std::optional<std::string> line = TakeLogLine())
        onLine(*line);
    if (!open)
        m_log.Close();
}

}  // namespace linkvane
