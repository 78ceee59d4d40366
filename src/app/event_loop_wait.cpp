#include "app/event_loop_wait.h"

#include <QtCore/QEventLoop>
#include <QtCore/QSocketNotifier>
#include <QtCore/QTimer>

#include <poll.h>

#include <cerrno>

namespace linkvane {

WaitResult CEventLoopWait::Wait(int fd, WaitFor what, std::chrono::milliseconds limit) {
    // Data that is there already costs no trip through the event loop.
    pollfd entry{fd, static_cast<short>(what == WaitFor::Readable ? POLLIN : POLLOUT), 0};
    const int ready = ::poll(&entry, 1, 0);
    if (ready > 0)
        return WaitResult::Ready;
    if (ready < 0 && errno != EINTR)
        return WaitResult::Failed;
    if (limit.count() <= 0)
        return WaitResult::TimedOut;

    constexpr int kReady = 1;
    QEventLoop loop;
    QSocketNotifier notifier(static_cast<qintptr>(fd), what == WaitFor::Readable
                                                           ? QSocketNotifier::Read
                                                           : QSocketNotifier::Write);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&loop] { loop.exit(kReady); });
    QTimer::singleShot(limit, &loop, [&loop] { loop.exit(0); });
    return loop.exec(QEventLoop::ExcludeUserInputEvents) == kReady ? WaitResult::Ready
                                                                   : WaitResult::TimedOut;
}

}  // namespace linkvane
