#include "core/connection/dialer_engine_base.h"

#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace linkvane {

namespace {

bool Readable(int fd) {
    pollfd probe{fd, POLLIN, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & POLLIN) != 0;
}

void Drain(int fd) {
    eventfd_t value = 0;
    while (Readable(fd) && ::eventfd_read(fd, &value) == 0) {
    }
}

}  // namespace

DialEnd EndForWake(DialWake wake) {
    return wake == DialWake::TimedOut ? DialEnd::TimeOut() : DialEnd::Ended();
}

DialSession::DialSession(DialerEngineBase& engine, DialRequest request)
    : m_engine(engine), m_request(std::move(request)) {
    if (m_request.timeoutSeconds > 0)
        m_deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(m_request.timeoutSeconds);
}

void DialSession::SetState(std::int16_t state) {
    if (state == kRasConnected)
        m_deadline.reset();
    if (m_engine.m_state.exchange(state) == state)
        return;
    m_engine.Report([state](DialerEngineObserver& o) { o.EngineStateChanged(state); });
}

bool DialSession::Connected() const {
    return m_engine.m_state.load() == kRasConnected;
}

bool DialSession::HangUpRequested() const {
    return Readable(m_engine.m_hangUpEvent.get());
}

DialWake DialSession::Wait(std::span<pollfd> fds, std::optional<std::chrono::milliseconds> limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::vector<pollfd> all(fds.begin(), fds.end());
    all.push_back({m_engine.m_hangUpEvent.get(), POLLIN, 0});
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (m_deadline && now >= *m_deadline)
            return DialWake::TimedOut;
        std::optional<Clock::time_point> until;
        if (limit)
            until = start + *limit;
        if (m_deadline)
            until = until ? std::min(*until, *m_deadline) : *m_deadline;
        int timeoutMs = -1;
        if (until) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - now);
            timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        for (pollfd& p : all)
            p.revents = 0;
        const int ready = ::poll(all.data(), all.size(), timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (all.back().revents != 0)
            return DialWake::HangUp;
        if (ready > 0) {
            std::copy(all.begin(), all.end() - 1, fds.begin());
            return DialWake::Ready;
        }
        if (m_deadline && Clock::now() >= *m_deadline)
            return DialWake::TimedOut;
        if (limit && Clock::now() >= start + *limit)
            return DialWake::Elapsed;
    }
}

DialerEngineBase::DialerEngineBase() : m_hangUpEvent(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

DialerEngineBase::~DialerEngineBase() {
    Shutdown();  // normally done already by the derived destructor
}

void DialerEngineBase::SetObserver(DialerEngineObserver* observer) {
    std::unique_lock lock(m_observerMutex);
    m_observer = observer;
    if (observer == nullptr && m_reportingThread != std::this_thread::get_id())
        m_reportDone.wait(lock, [this] { return m_reportsUnderWay == 0; });
}

std::int16_t DialerEngineBase::Dial(const DialRequest& request) {
    {
        std::lock_guard lock(m_mutex);
        if (m_running || m_quit)
            return kDialErrorAlreadyDialling;
    }
    std::optional<DialEnd> refusal = Prepare(request);
    std::lock_guard lock(m_mutex);
    Drain(m_hangUpEvent.get());
    m_errorCode = 0;
    m_state = kRasPortOpened;
    m_queued = QueuedDial{request, std::move(refusal)};
    m_running = true;
    if (!m_thread.joinable())
        m_thread = std::thread(&DialerEngineBase::ThreadMain, this);
    m_changed.notify_all();
    return 0;
}

std::int16_t DialerEngineBase::HangUp() {
    std::lock_guard lock(m_mutex);
    if (m_running)
        ::eventfd_write(m_hangUpEvent.get(), 1);
    return 0;
}

void DialerEngineBase::Shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        ::eventfd_write(m_hangUpEvent.get(), 1);
        m_changed.notify_all();
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void DialerEngineBase::ThreadMain() {
    for (;;) {
        std::optional<QueuedDial> dial;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_quit || m_queued.has_value(); });
            if (m_quit && !m_queued)
                return;
            dial = std::move(m_queued);
            m_queued.reset();
        }
        if (dial->refusal) {
            Finish(*dial->refusal);
            continue;
        }
        DialSession session(*this, std::move(dial->request));
        Finish(Run(session));
    }
}

void DialerEngineBase::Finish(const DialEnd& end) {
    if (end.kind == DialEnd::Kind::Failed)
        m_errorCode = end.errorCode;
    m_state = 0;
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    switch (end.kind) {
        case DialEnd::Kind::Failed:
            Report([&end](DialerEngineObserver& o) { o.EngineFailed(end.errorCode, end.text); });
            break;
        case DialEnd::Kind::TimedOut:
            Report([](DialerEngineObserver& o) { o.EngineTimedOut(); });
            break;
        case DialEnd::Kind::Disconnected:
            Report([](DialerEngineObserver& o) { o.EngineDisconnected(); });
            break;
    }
}

void DialerEngineBase::Report(const std::function<void(DialerEngineObserver&)>& report) {
    DialerEngineObserver* observer = nullptr;
    {
        std::lock_guard lock(m_observerMutex);
        observer = m_observer;
        if (observer == nullptr)
            return;
        ++m_reportsUnderWay;
        m_reportingThread = std::this_thread::get_id();
    }
    report(*observer);
    std::lock_guard lock(m_observerMutex);
    if (--m_reportsUnderWay == 0) {
        m_reportingThread = {};
        m_reportDone.notify_all();
    }
}

}  // namespace linkvane
