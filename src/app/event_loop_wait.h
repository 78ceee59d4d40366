#pragma once

// CEventLoopWait: the window's way to wait for the network. The ping waits up to 20 s and the
// mail check up to 10 s per reply on the GUI thread; a window that stopped painting that long
// would be taken for hung. So the wait runs a local event loop that excludes user input: the
// window repaints, timers tick and posted or queued calls (the call monitor's) are handled,
// while clicks and keys wait until the operation has finished, as they would on a blocked
// thread. It returns as soon as the descriptor is ready. GUI thread only.

#include "core/connection/network.h"

namespace linkvane {

class CEventLoopWait final : public BlockingWait {
  public:
    WaitResult Wait(int fd, WaitFor what, std::chrono::milliseconds limit) override;
};

}  // namespace linkvane
