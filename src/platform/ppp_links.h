#pragma once

// PppLinks: the machine's dial-up links as pppd reports them, and hang-up by ending that pppd.
//
// A link is a running pppd that is named by a pid file in the run directory:
//   ppp-<linkname>.pid   written for "linkname <name>": line 1 the pid, line 2 (once the
//                        link is up) the interface name;
//   <ifname>.pid         written for each interface ("ppp0.pid"): line 1 the pid.
// and the ppp interfaces under the network class directory (/sys/class/net/ppp*). Each link
// is listed once. Its entry name is pppd's "ipparam" argument (Linkvane's dialler passes the
// phonebook entry's name there), else its linkname, else its interface name; an ipparam with
// control characters or longer than 256 bytes is not taken for a name. The
// device is pppd's serial line ("modem"): the /dev path on its command line, else the terminal
// on its standard input (/dev/ttyS0, /dev/pts/3, ...); without one the type is "ppp" and the
// name the interface's. The handle is the pppd's pid. Links dialled
// by other programs are listed too. An interface whose pppd cannot be found is listed with
// handle 0 and cannot be hung up from here. A link with an interface carries its counters
// (InterfaceVolume).
//
// Safety: a pid file is trusted only as far as it names a live process that is pppd, i.e.
// whose /proc/<pid>/comm is "pppd" or whose executable is the configured pppd; anything else
// (garbage, pid 0 or 1, a stale or reused pid) is ignored and never signalled. HangUp checks
// again, through a pidfd so that the checked process is the one signalled, then sends
// SIGTERM, and SIGKILL when it is still there after the grace period.
//
// Every call reads the directories afresh; one thread at a time per object.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/connection/connections.h"

namespace linkvane {

struct PppLinkOptions {
    std::filesystem::path runDir = "/run";
    std::filesystem::path netDir = "/sys/class/net";
    std::filesystem::path pppdPath = "/usr/sbin/pppd";
    std::chrono::milliseconds termGrace{3000};  // SIGTERM to SIGKILL
};

// The contents of a pppd pid file: a pid of 2 or more on line 1, digits only; an optional
// interface name (letters, digits, '_', '-', '.', at most 15 bytes) on line 2. nullopt for
// anything else, including files longer than 256 bytes.
struct PppPidFile {
    pid_t pid = 0;
    std::string interfaceName;

    bool operator==(const PppPidFile&) const = default;
};
std::optional<PppPidFile> ParsePppPidFile(std::string_view text);

// The 64-bit octet counters of a network interface, netDir/IFNAME/statistics/{rx,tx}_bytes
// (received is in, sent is out); nullopt when either is missing or not a number.
std::optional<LinkVolume> InterfaceVolume(const std::filesystem::path& netDir,
                                          const std::string& ifname);

class PppLinks final : public ConnectionEnumerator {
  public:
    explicit PppLinks(PppLinkOptions options = {});

    // Fails (code 2 or 5) only when the run directory cannot be read.
    Result<std::vector<ActiveConnection>> EnumConnections() override;
    // Code 6 for a handle that names no pppd now, 5 when the signal is not permitted,
    // 1460 (timeout) when the process outlives SIGKILL's wait.
    Status HangUp(std::uint64_t handle) override;
    std::unique_ptr<ConnectionEnumerator> Clone() const override {
        return std::make_unique<PppLinks>(m_options);
    }

    const PppLinkOptions& options() const { return m_options; }

  private:
    bool IsPppd(pid_t pid) const;
    std::string SerialLineOf(pid_t pid) const;
    std::string IpparamOf(pid_t pid) const;
    void RemovePidFilesOf(pid_t pid) const;

    PppLinkOptions m_options;
};

}  // namespace linkvane
