#pragma once

// CEventLoopWait: the window's way to wait for the network, so that it keeps painting while
// the ping or the mail check waits on the GUI thread. Wait(fd, what, limit):
//   - answers Ready at once when the descriptor is ready already (one poll without waiting),
//     and Failed when that poll fails;
//   - answers TimedOut at once for a limit of 0 or less;
//   - otherwise runs a local event loop until a socket notifier sees the descriptor ready
//     (Ready; an error or hang-up pending counts as ready) or a single-shot timer of `limit`
//     fires (TimedOut).
// The loop excludes user input: the window repaints, its timers tick and posted or queued
// calls (the call monitor's) run, while clicks and keys are held back and delivered once the
// wait is over; the waits of one operation follow each other with no input handled between
// them. How long input is held is therefore the operation's bound: a name lookup's time,
// then for a ping up to 20 s for its echo, and for a mail check its one 60 s deadline (a
// connect may take 21 s of it) plus 1 s for QUIT. GUI thread only.

#include "core/connection/network.h"

namespace linkvane {

class CEventLoopWait final : public BlockingWait {
  public:
    WaitResult Wait(int fd, WaitFor what, std::chrono::milliseconds limit) override;
};

}  // namespace linkvane
