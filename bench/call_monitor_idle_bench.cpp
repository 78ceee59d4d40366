// Idle CPU of the running program while its call monitor polls, against a bare Qt window.
//
//   call_monitor_idle_bench [seconds]        (default 60; run it on an X display)
//
// Starts the real program (private config and data directories) and a bare Qt window beside
// it; once both have settled, measures for the given time the CPU each uses (nanoseconds from
// every thread's schedstat), and the share of the monitor's own thread (the one at SCHED_IDLE).
// The goal is at most 0.1% of one core for the program.

#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench_processes.h"

namespace {

using namespace std::chrono_literals;
using linkvane::bench::CpuNanoseconds;
using linkvane::bench::EndProcess;
using linkvane::bench::StartProcess;

constexpr auto kSettle = 6s;  // splash (3 s) + main window up + a margin
constexpr double kGoalShare = 0.001;

// Nanoseconds on a CPU of the process's threads at SCHED_IDLE (policy 5, field 41 of stat).
double IdleThreadNanoseconds(pid_t pid) {
    double total = 0;
    std::error_code ec;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream stat(task.path() / "stat");
        const std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 41 && fields >> field; ++i) {
        }
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0;
        if (field == "5" && schedstat >> onCpu)
            total += onCpu;
    }
    return total;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto early = linkvane::bench::RunBareWindowOrCheckDisplay(argc, argv))
        return *early;
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    char home[] = "/tmp/linkvane-bench-XXXXXX";
    if (::mkdtemp(home) == nullptr)
        return 2;
    ::setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (std::string(home) + "/data").c_str(), 1);

    const pid_t program = StartProcess(LINKVANE_PROGRAM, nullptr);
    const pid_t bare = StartProcess("/proc/self/exe", "--bare");
    std::this_thread::sleep_for(kSettle);
    const auto programBefore = CpuNanoseconds(program);
    const auto bareBefore = CpuNanoseconds(bare);
    const double monitorBefore = IdleThreadNanoseconds(program);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto programAfter = CpuNanoseconds(program);
    const auto bareAfter = CpuNanoseconds(bare);
    const double monitorAfter = IdleThreadNanoseconds(program);
    EndProcess(program);
    EndProcess(bare);
    std::filesystem::remove_all(home);
    if (!programBefore || !programAfter || !bareBefore || !bareAfter) {
        std::fprintf(stderr, "A process ended early\n");
        return 1;
    }
    const double wall = seconds * 1e9;
    const double used = *programAfter - *programBefore;
    const double reference = *bareAfter - *bareBefore;
    const double monitor = monitorAfter - monitorBefore;
    std::printf("idle CPU over %d s with the call monitor polling:\n", seconds);
    std::printf("  linkvane          %8.2f ms  %.4f%% of a core  (%.2fx the 0.1%% goal)\n",
                used / 1e6, 100 * used / wall, used / (kGoalShare * wall));
    std::printf("  its monitor thread %7.2f ms  %.4f%% of a core\n", monitor / 1e6,
                100 * monitor / wall);
    std::printf("  bare Qt window    %8.2f ms  %.4f%% of a core\n", reference / 1e6,
                100 * reference / wall);
    std::printf("  ratio linkvane / bare Qt window: %.2fx\n",
                reference > 0 ? used / reference : 0.0);
    return 0;
}
