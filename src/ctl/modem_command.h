#pragma once

// linkvanectl modem list over any udev layer, so that a test can feed it recorded events.

#include <functional>
#include <string>

#include "core/profiles/serial_ports.h"

namespace linkvane::ctl {

struct ListOptions {
    bool json = false;
    bool watch = false;
};

// Where the text goes, a whole line or JSON value (with its line break) at a time.
using PrintText = std::function<void(const std::string& text)>;

// Prints the serial ports of source; with watch, then each change as it comes (one JSON line
// each with json) until stopFd becomes readable. Returns the exit status; failures are
// reported on stderr.
int ListSerialPorts(TtySource& source, ListOptions options, const PrintText& print, int stopFd);

}  // namespace linkvane::ctl
