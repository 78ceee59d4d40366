#pragma once

// Probing serial ports for modems (linkvanectl modem probe, the modem dialog's Detect).
//
// ProbeModem looks at one port the way a dial would take it, without ever disturbing a port
// that is in use: a live UUCP lock, or another process that has the device open, makes it
// "in use" (naming the process) before the device is opened. Otherwise it takes the lock,
// opens the line and asks ATZ at each of ProbeSpeeds until an OK or ERROR comes, then ATI
// and AT+GMM at that speed. Each command waits answerTime at most and the whole probe of a
// port `limit`, so a silent port costs a bounded time; a stop request ends it at the next
// command.
//
// ProbeModems probes each port on a thread of its own, all at once, and returns the results
// in the order of the devices, when the last has ended. It may be called from any thread;
// it shares nothing between its probes but the stop token.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "core/connection/modem_probe.h"

namespace linkvane {

struct ProbeOptions {
    std::filesystem::path lockDir = "/run/lock";
    std::uint32_t entrySpeed = 0;  // tried first; 0 for none
    std::chrono::milliseconds answerTime{800};
    std::chrono::milliseconds limit{2600};
};

ProbeResult ProbeModem(const std::string& device, const ProbeOptions& options,
                       std::stop_token stop = {});

std::vector<ProbeResult> ProbeModems(const std::vector<std::string>& devices,
                                     const ProbeOptions& options, std::stop_token stop = {});

}  // namespace linkvane
