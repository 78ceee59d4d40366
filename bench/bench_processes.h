#pragma once

// Helpers of the benchmarks that run the real program beside a reference process: starting
// and ending them, a bare Qt window as the reference, and reading what a process uses.

#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace linkvane::bench {

// The reference: a Qt program that shows one widget and sits idle; `setUp` runs (when given)
// once its application object is made.
inline int RunBareWindow(int argc, char* argv[], const std::function<void()>& setUp = {}) {
    QApplication app(argc, argv);
    if (setUp)
        setUp();
    QPushButton button(QStringLiteral("Hello"));
    button.show();
    return QApplication::exec();
}

// What a benchmark that runs the program beside a bare window does first: as the bare window
// (started as "PROGRAM --bare") it runs that window and gives its exit status; without an X
// display it says so and gives 2. nullopt means: go on with the measurement.
inline std::optional<int> RunBareWindowOrCheckDisplay(int argc, char* argv[],
                                                      const std::function<void()>& setUp = {}) {
    if (argc > 1 && std::string(argv[1]) == "--bare")
        return RunBareWindow(argc, argv, setUp);
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "No X display: run under scripts/with-xvfb.sh\n");
        return 2;
    }
    return std::nullopt;
}

inline pid_t StartProcess(const char* program, const char* argument) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program, program, argument, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

inline void EndProcess(pid_t pid) {
    ::kill(pid, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Time on a CPU, in nanoseconds, of the process's threads that are alive now (from each
// thread's schedstat, which counts nanoseconds rather than clock ticks). nullopt when the
// process is gone.
inline std::optional<double> CpuNanoseconds(pid_t pid) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    double total = 0;
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream in(task.path() / "schedstat");
        double onCpu = 0;
        if (in >> onCpu) {
            total += onCpu;
            any = true;
        }
    }
    return any ? std::optional<double>(total) : std::nullopt;
}

}  // namespace linkvane::bench
