// What asking the session bus for the running program costs a command of linkvanectl, which
// does it before connect, hangup, mail check and ping:
//   1. the whole command: "linkvanectl hangup" (asks the bus, finds no program, does its own
//      work) against "linkvanectl hangup --no-bus" (does not ask);
//   2. the client library: the same question asked by a program over linkvanectl's sd-bus
//      client and by one over QtDBus, against dbus-send (libdbus) asking it too.
// Each figure is the median wall time of starting the process and waiting for its end; the
// runs alternate, so that a busy machine slows all alike.
//
// Usage: dbus-run-session -- bus_client_bench [runs]     (needs a session bus)

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "median.h"

extern char** environ;

namespace {

using linkvane::bench::Median;

struct Command {
    const char* name;
    std::vector<std::string> argv;
    std::vector<double> times;  // ms
};

// Starts the command with its output discarded and waits for it; the wall time in ms.
double TimeRun(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        return -1;
    ::waitpid(pid, nullptr, 0);
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        std::fprintf(stderr, "No session bus: run under dbus-run-session\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 200;
    std::vector<Command> commands = {
        {"linkvanectl hangup", {LINKVANECTL_PATH, "hangup"}, {}},
        {"linkvanectl hangup --no-bus", {LINKVANECTL_PATH, "hangup", "--no-bus"}, {}},
        {"sd-bus client", {BUS_PROBE_SDBUS}, {}},
        {"QtDBus client", {BUS_PROBE_QTDBUS}, {}},
        {"dbus-send",
         {"/usr/bin/dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
          "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
          "string:org.linkvane.Linkvane"},
         {}},
    };
    for (Command& command : commands)
        TimeRun(command.argv);  // warm the page cache
    for (int run = 0; run < runs; ++run) {
        for (Command& command : commands)
            command.times.push_back(TimeRun(command.argv));
    }
    for (const Command& command : commands)
        std::printf("%-30s %7.2f ms\n", command.name, Median(command.times));
    const auto median = [&](std::size_t i) { return Median(commands[i].times); };
    std::printf("\nlinkvanectl asking the bus / not asking: %.2f (%+.2f ms)\n",
                median(0) / median(1), median(0) - median(1));
    std::printf("QtDBus client / sd-bus client:          %.2f\n", median(3) / median(2));
    std::printf("sd-bus client / dbus-send:              %.2f\n", median(2) / median(4));
    std::printf("QtDBus client / dbus-send:              %.2f\n", median(3) / median(4));
    return 0;
}
