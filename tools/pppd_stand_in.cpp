// A process that stands in for pppd where the kernel cannot carry a PPP link: it keeps a
// "link" up until it is sent SIGTERM or SIGINT, with pppd's pid file.
//
//   pppd_stand_in RUNDIR [pppd options ...]
//
// Of pppd's options it reads "linkname NAME" (the pid file RUNDIR/ppp-NAME.pid, holding its
// pid, is written at start and removed when it ends on a signal, as pppd does) and ignores the
// rest, so that "ipparam ENTRY" stays on its command line for whoever looks. Started through a
// link named "pppd", it carries pppd's process name.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

volatile sig_atomic_t g_ending = 0;

void OnSignal(int) {
    g_ending = 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pppd_stand_in RUNDIR [pppd options ...]\n");
        return 2;
    }
    std::string pidFile;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "linkname") == 0)
            pidFile = std::string(argv[1]) + "/ppp-" + argv[i + 1] + ".pid";
    }
    // The signals stay blocked except inside sigsuspend, so none is lost between the check
    // and the wait.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigset_t waiting;
    sigprocmask(SIG_BLOCK, &ending, &waiting);
    sigdelset(&waiting, SIGTERM);
    sigdelset(&waiting, SIGINT);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    if (!pidFile.empty()) {
        // Whole or not at all, so that a reader never finds the file empty.
        const std::string partial = pidFile + ".new";
        std::ofstream(partial) << ::getpid() << '\n';
        std::rename(partial.c_str(), pidFile.c_str());
    }
    while (g_ending == 0)
        sigsuspend(&waiting);
    if (!pidFile.empty())
        std::remove(pidFile.c_str());
    return 0;
}
