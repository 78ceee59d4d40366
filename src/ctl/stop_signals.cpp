#include "ctl/stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>

namespace linkvane::ctl {

FileDescriptor BlockStopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    return FileDescriptor(::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));
}

}  // namespace linkvane::ctl
