#pragma once

// What any user may read about a process under /proc, also about a setuid pppd whose
// /proc/PID/exe and /proc/PID/fd an ordinary user may not follow: its name (comm), command
// line, start time, real user and network namespace. Blocking; any thread.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace linkvane {

// A small regular file's bytes; nullopt when it cannot be read or holds more than limit
// bytes. Never follows a link at the last step and never blocks on a pipe.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::size_t limit);

// The process's arguments, argv[0] first; empty when it is gone.
std::vector<std::string> CommandLineOf(pid_t pid);
// The value after the last `option` of a command line ("ipparam X" gives "X"), as pppd reads
// its options; empty when there is none.
std::string OptionValue(const std::vector<std::string>& args, std::string_view option);
// When the process started, in clock ticks after boot (field 22 of /proc/PID/stat): with the
// pid, it names one process for good, even after the pid is used again.
std::optional<std::uint64_t> ProcessStartTime(pid_t pid);
// Whether it has exited (a zombie counts as gone) or never was.
bool ProcessGone(pid_t pid);
// Its real user: the user who ran it, also for a setuid program.
std::optional<uid_t> RealUidOf(pid_t pid);
// Whether it lives in this process's network namespace, and so owns its interfaces here. Each
// namespace has its own /proc/net entries, so the inode of /proc/PID/net/dev tells, even where
// /proc/PID/ns/net may not be read.
bool InThisNetworkNamespace(pid_t pid);

}  // namespace linkvane
