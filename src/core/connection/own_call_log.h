#pragma once

// The call log when no program's call monitor keeps it: "linkvanectl connect" without a running
// program logs the call it dialled itself, so that every call is logged once.
//
// CallLogWatch: a running program holds it, a shared lock on "connect.log.watch" beside the
// log, for as long as its call monitor runs; CallLogWatched tells whether any program holds it
// (any thread, any process). A call is logged by the watching monitor when there is one when
// the call ends, else by the command.
//
// DialledCall: the command's own record of its call, kept as the monitor keeps a record: the
// start when the link came up, the link's counters as last listed (by the entry's name), and
// the duration at its end. The line's date and time are in the C library's forms for the
// user's LC_TIME ("Monday, 7 December 2026", "14:05:09"), the command having no Qt. One thread.

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/connection/call_monitor.h"
#include "core/util/file_descriptor.h"
#include "core/util/result.h"

namespace linkvane {

std::filesystem::path CallLogWatchPath(const std::filesystem::path& logPath);

class CallLogWatch {
  public:
    // Takes the watch of the log at logPath (creating its folder and file); an error when it
    // cannot be had, and then calls go unwatched.
    static Result<CallLogWatch> Hold(const std::filesystem::path& logPath);

  private:
    explicit CallLogWatch(FileDescriptor file) : m_file(std::move(file)) {}
    FileDescriptor m_file;
};

bool CallLogWatched(const std::filesystem::path& logPath);

class DialledCall {
  public:
    void Connected(std::string entryName, std::time_t now);
    void LinksListed(const std::vector<ActiveConnection>& links);
    // Whether a link is up now.
    bool Up() const { return m_call.has_value(); }
    // The call's record, its duration set; nullopt when no link was up.
    std::optional<CConnectionRecord> Ended(std::time_t now);

  private:
    std::optional<CConnectionRecord> m_call;
};

// Appends the call's line in the C library's forms, and its record.
Status AppendEndedCall(const std::filesystem::path& logPath, const CConnectionRecord& call);

}  // namespace linkvane
