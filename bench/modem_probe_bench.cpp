// How long finding modems takes: ProbeModems over one modem and three silent lines at once,
// against the same ports probed one after the other in the same run (the reference), and the
// modem alone. The modem answers on a pseudo-terminal inside this process; the silent lines
// are pseudo-terminals nobody reads, so each costs the probe's whole budget for a port.
// Prints medians and the ratios, and each against the 3 s a probe of all ports may take.
//
// Usage: modem_probe_bench [rounds]

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "median.h"
#include "platform/modem_probe.h"
#include "tools/pty_modem.h"

namespace {

using linkvane::bench::Median;

using namespace std::chrono_literals;
using linkvane::FileDescriptor;

double MillisecondsOf(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    linkvane::testing::PtyModem modem(
        [](const std::string& command) {
            return command == "ATZ" ? std::string("\r\nOK\r\n")
                                    : std::string("\r\nBench 56K\r\nOK\r\n");
        },
        0ms);
    std::vector<FileDescriptor> masters;
    std::vector<std::string> ports{modem.device()};
    for (int i = 0; i < 3; ++i) {
        masters.emplace_back(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (::grantpt(masters.back().get()) != 0 || ::unlockpt(masters.back().get()) != 0)
            return 1;
        ports.emplace_back(::ptsname(masters.back().get()));
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path locks = std::filesystem::path(tmp != nullptr ? tmp : "/tmp") /
                                        ("modem_probe_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(locks);
    linkvane::ProbeOptions options;
    options.lockDir = locks;

    std::vector<double> alone, atOnce, inTurn;
    for (int round = 0; round < rounds; ++round) {
        alone.push_back(MillisecondsOf([&] { linkvane::ProbeModems({ports[0]}, options); }));
        atOnce.push_back(MillisecondsOf([&] {
            if (linkvane::ProbeModems(ports, options).front().model != "Bench 56K")
                std::fprintf(stderr, "the modem was not found\n");
        }));
        inTurn.push_back(MillisecondsOf([&] {
            for (const std::string& port : ports)
                linkvane::ProbeModem(port, options);
        }));
    }
    std::filesystem::remove_all(locks);
    const double reference = Median(inTurn);
    std::printf("probing a modem and three silent lines, %d rounds, medians\n", rounds);
    std::printf("  the modem alone       : %8.1f ms  (%.3f of 3 s)\n", Median(alone),
                Median(alone) / 3000);
    std::printf("  all four at once      : %8.1f ms  (%.3f of 3 s)\n", Median(atOnce),
                Median(atOnce) / 3000);
    std::printf("  one after the other   : %8.1f ms  (reference)\n", reference);
    std::printf("  at once / in turn     : %8.3fx\n", Median(atOnce) / reference);
    return 0;
}
