// Resident memory and idle CPU of the running program, against a bare Qt window.
//
//   linkvane_gui_bench [idle-seconds]        (default 60; run it on an X display)
//
// Starts the real program (with a private, empty config directory) and, beside it, this
// program again as a bare Qt window that shows one widget. Under a session bus
// (dbus-run-session) the bare window connects to it too, as the program does. When both have
// settled (the program's three-second splash has gone and its main window is up) it reads each
// process's resident memory (VmRSS in /proc) and prints the ratio; then it measures the CPU time
// the program uses while it sits idle for the given time. Both processes are ended at the end.

#include <QtDBus/QDBusConnection>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "bench_processes.h"

namespace {

using namespace std::chrono_literals;
using linkvane::bench::EndProcess;
using linkvane::bench::StartProcess;

constexpr auto kSettle = 6s;  // splash (3 s) + main window up + a margin for lazy loading

std::optional<long> ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return std::nullopt;
}

// User plus system CPU time of the process, in seconds.
std::optional<double> CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto paren = text.rfind(')');
    if (paren == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(paren + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto connectToBus = [] {
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QDBusConnection::sessionBus().isConnected();
    };
    if (const auto early = linkvane::bench::RunBareWindowOrCheckDisplay(argc, argv, connectToBus))
        return *early;
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;

    char configDir[] = "/tmp/linkvane-bench-XXXXXX";
    if (::mkdtemp(configDir) == nullptr)
        return 2;
    ::setenv("XDG_CONFIG_HOME", configDir, 1);

    const pid_t program = StartProcess(LINKVANE_PROGRAM, nullptr);
    const pid_t bare = StartProcess("/proc/self/exe", "--bare");
    std::this_thread::sleep_for(kSettle);
    const auto programKiB = ResidentKiB(program);
    const auto bareKiB = ResidentKiB(bare);
    EndProcess(bare);
    if (!programKiB || !bareKiB) {
        std::fprintf(stderr, "A process ended early\n");
        EndProcess(program);
        return 1;
    }
    std::printf(
        "resident memory after start-up: linkvane %ld KiB, bare Qt window %ld KiB, "
        "ratio %.2fx (goal <= 1.2x)\n",
        *programKiB, *bareKiB, static_cast<double>(*programKiB) / static_cast<double>(*bareKiB));
    std::fflush(stdout);

    const auto before = CpuSeconds(program);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const auto after = CpuSeconds(program);
    EndProcess(program);
    std::filesystem::remove_all(configDir);
    if (!before || !after) {
        std::fprintf(stderr, "The program ended while idle\n");
        return 1;
    }
    std::printf("idle CPU over %d s: %.3f s (%.3f%% of one core)\n", idleSeconds, *after - *before,
                100.0 * (*after - *before) / idleSeconds);
    return 0;
}
