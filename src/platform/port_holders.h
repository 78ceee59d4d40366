#pragma once

// Who holds a serial port, from the process table: the program a pid runs, and the process
// that has a device open (/proc/*/fd). Each read is bounded and none blocks on the port
// itself: descriptors are compared by the path the kernel gives for them, never opened or
// stat'ed. Processes of other users are seen where /proc shows them. Any thread.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/connection/modem_probe.h"

namespace linkvane {

// The program a process runs: its first argument's file name, else the kernel's name for
// it; "" when the process is gone or hidden.
std::string ProcessCommand(pid_t pid);

// A process other than this one that has the device open (a link to it counts as the device).
std::optional<PortHolder> FindOpenHolder(const std::filesystem::path& device);

// The name of the group that owns the device ("dialout"); "" when it cannot be told.
std::string DeviceGroup(const std::filesystem::path& device);

}  // namespace linkvane
