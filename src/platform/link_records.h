#pragma once

// Linkvane's own record of each pppd it starts: the entry, the line, and what pppd's log has
// told since (the interface, the provider's name servers). Any of the user's Linkvane programs
// can then list the link with its line and name servers and tell it apart from the links of
// others, without the /proc/PID/fd and /proc/PID/exe of a setuid pppd, which the user may not
// read.
//
// One file per link, <dir>/<pid>.json, mode 0600 in a 0700 folder, replaced whole:
//   {"pid":1234,"start":56789,"entry":"My ISP","device":"/dev/ttyUSB0","interface":"ppp0",
//    "nameServers":["192.0.2.1"]}
// "start" is pppd's start time (ProcessStartTime), so that a record never describes a later
// process with the same pid. The dialler removes the file once pppd has ended; a file left
// by a dialler that was killed names a process that is gone, and readers pass it over.
//
// The folder is $XDG_RUNTIME_DIR/linkvane/links, or $XDG_CACHE_HOME/linkvane/links (default
// ~/.cache) where there is no runtime folder. Blocking; one thread at a time per object.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkvane {

struct LinkRecord {
    pid_t pid = 0;
    std::uint64_t start = 0;
    std::string entry;
    std::string device;
    std::string interfaceName;
    std::vector<std::string> nameServers;

    bool operator==(const LinkRecord&) const = default;
};

std::filesystem::path DefaultLinkRecordDir();

std::string EncodeLinkRecord(const LinkRecord& record);
// nullopt for anything but a whole record of the form above.
std::optional<LinkRecord> DecodeLinkRecord(std::string_view text);
// Every record in dir that decodes and is named after its pid, in no particular order.
std::vector<LinkRecord> ReadLinkRecords(const std::filesystem::path& dir);

// The dialler's side: the record of one pppd while it runs. A record that cannot be written
// is no failure of the call: the link is then listed from pppd's pid files alone.
class LinkRecordFile {
  public:
    // Writes the record, with the start time of record.pid.
    LinkRecordFile(std::filesystem::path dir, LinkRecord record);
    ~LinkRecordFile();  // removes the file
    LinkRecordFile(const LinkRecordFile&) = delete;
    LinkRecordFile& operator=(const LinkRecordFile&) = delete;

    // Writes the record again when the interface or the name servers differ.
    void Update(const std::string& interfaceName, const std::vector<std::string>& nameServers);

  private:
    void Write();

    std::filesystem::path m_path;
    LinkRecord m_record;
};

}  // namespace linkvane
