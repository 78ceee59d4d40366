#pragma once

// PppLinks: the machine's dial-up links as pppd reports them, and hang-up by ending that pppd.
//
// A link is a running pppd that one of these names:
//   - Linkvane's own record of a pppd it started (link_records.h): entry, line, interface
//     and the provider's name servers;
//   - a pid file in the run directory: ppp-<linkname>.pid, written for "linkname <name>"
//     (line 1 the pid, line 2 once the link is up the interface name), and <ifname>.pid,
//     written for each interface ("ppp0.pid": line 1 the pid);
// and the ppp interfaces under the network class directory (/sys/class/net/ppp*). Each link
// is listed once. Its entry name is pppd's "ipparam" argument (Linkvane's dialler passes the
// phonebook entry's name there), else its linkname, else its interface name; an ipparam with
// control characters or longer than 256 bytes is not taken for a name. The device is the
// serial line ("modem"): the record's, else the /dev path on pppd's command line, else the
// terminal on its standard input (/dev/ttyS0, /dev/pts/3, ...) where the user may look; without
// one the type is "ppp" and the name the interface's. The handle is the pppd's pid. Links
// dialled by other programs are listed too. An interface whose pppd cannot be found is listed
// with handle 0 and cannot be hung up from here. A link with an interface carries its counters
// (InterfaceVolume) and its local address.
//
// Safety: a record or pid file is believed only as far as it names a live pppd (its comm is
// "pppd", or its command line or executable is the configured pppd) that agrees with it: a
// record's start time and entry (ipparam) must be the process's; a pid file's pppd must live
// in this network namespace and carry the file's linkname where its command line names one;
// an interface that a link has already is not listed again. Anything else (garbage, pid 0 or
// 1, a stale or reused pid, a provider's pppd on the same machine) is ignored and never
// signalled. HangUp checks again, through a pidfd so that the checked process is the one
// signalled, then sends SIGTERM, and SIGKILL when it is still there after the grace period.
//
// Every call reads the directories afresh; one thread at a time per object.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/connection/connections.h"
#include "platform/link_records.h"

namespace linkvane {

struct PppLinkOptions {
    std::filesystem::path runDir = "/run";
    std::filesystem::path netDir = "/sys/class/net";
    std::filesystem::path pppdPath = "/usr/sbin/pppd";
    std::filesystem::path recordDir = DefaultLinkRecordDir();
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

// A pppd that Linkvane started ("pppd call linkvane ... ipparam ENTRY").
struct LinkvanePppd {
    pid_t pid = 0;
    std::string entry;

    bool operator==(const LinkvanePppd&) const = default;
};

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

    // The user's own pppds that Linkvane started, found by what anyone may read: the name
    // and command line of each process and its real user.
    std::vector<LinkvanePppd> FindLinkvanePppds() const;

    const PppLinkOptions& options() const { return m_options; }

  private:
    bool IsPppd(pid_t pid) const;
    bool RecordHolds(const LinkRecord& record) const;
    bool PidFileHolds(const PppPidFile& file, const std::string& linkname) const;
    ActiveConnection Describe(pid_t pid, const std::string& fallbackName,
                              const std::string& interfaceName, const LinkRecord* record) const;
    std::string SerialLineOf(pid_t pid) const;
    void RemovePidFilesOf(pid_t pid) const;

    PppLinkOptions m_options;
};

}  // namespace linkvane
