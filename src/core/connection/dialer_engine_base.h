#pragma once

// DialerEngineBase: what every dialler engine shares, so that an engine writes only how it
// dials. The base owns
//   - the state, the error code and the connected flag, readable from any thread;
//   - one engine thread, started by the first Dial, that runs each dial (Run) in turn;
//   - the dial time-out: a dial that has not reached kRasConnected within its timeoutSeconds
//     ends as a time-out (0 or less waits without limit);
//   - HangUp, which wakes the dial wherever it waits;
//   - the reports: Run's outcome becomes EngineFailed, EngineTimedOut or EngineDisconnected,
//     after the state has gone back to 0, so a handler may dial again at once;
//   - SetObserver(nullptr), which returns only when no report is under way (unless called
//     from inside a report, which is then the one under way).
//
// A derived engine implements Prepare (on the caller's thread: what must be read or checked
// before a dial, such as the phonebook entry) and Run (on the engine thread), and calls
// Shutdown() first thing in its destructor, so that no Run is left running in a
// half-destroyed object. A dial that Prepare refuses is still a dial: its failure is reported
// like any other, so the caller sees one way for a dial to end.

#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "core/connection/dialer_engine.h"
#include "core/util/file_descriptor.h"

namespace linkvane {

// How a dial ended.
struct DialEnd {
    enum class Kind { Failed, TimedOut, Disconnected };
    Kind kind = Kind::Disconnected;
    std::int16_t errorCode = 0;  // for Failed
    std::string text;            // for Failed: the reason, for people

    static DialEnd Failure(std::int16_t code, std::string why) {
        return {Kind::Failed, code, std::move(why)};
    }
    static DialEnd TimeOut() { return {Kind::TimedOut, 0, {}}; }
    static DialEnd Ended() { return {Kind::Disconnected, 0, {}}; }
};

// Why a wait of a dial returned.
enum class DialWake {
    Ready,    // a descriptor is ready
    Elapsed,  // the wait's own limit passed
    HangUp,   // HangUp was called
    TimedOut  // the dial's time-out passed before the link came up
};

// The end of a dial for a wake that was neither Ready nor Elapsed.
DialEnd EndForWake(DialWake wake);

class DialerEngineBase;

// One dial, as Run sees it.
class DialSession {
  public:
    const DialRequest& Request() const { return m_request; }
    // Reports a new state; kRasConnected also stops the dial's time-out.
    void SetState(std::int16_t state);
    bool Connected() const;
    // Waits until one of `fds` is ready, `limit` passes (nullopt: no own limit), the user
    // hangs up or the dial times out. A hang-up wins over a ready descriptor.
    DialWake Wait(std::span<pollfd> fds, std::optional<std::chrono::milliseconds> limit);
    // Sleeps for `time` unless a hang-up or the time-out comes first.
    DialWake Pause(std::chrono::milliseconds time) { return Wait({}, time); }
    bool HangUpRequested() const;

  private:
    friend class DialerEngineBase;
    DialSession(DialerEngineBase& engine, DialRequest request);

    DialerEngineBase& m_engine;
    DialRequest m_request;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
};

class DialerEngineBase : public DialerEngine {
  public:
    DialerEngineBase();
    ~DialerEngineBase() override;
    DialerEngineBase(const DialerEngineBase&) = delete;
    DialerEngineBase& operator=(const DialerEngineBase&) = delete;

    void SetObserver(DialerEngineObserver* observer) final;
    // kDialErrorAlreadyDialling while a dial is on; else 0, the state is kRasPortOpened and
    // the dial is queued for the engine thread.
    std::int16_t Dial(const DialRequest& request) final;
    // Wakes the dial under way, which then ends; 0 also when nothing was under way.
    std::int16_t HangUp() final;

    bool Connected() const final { return m_state.load() == kRasConnected; }
    std::int16_t ConnectionState() const final { return m_state.load(); }
    std::int16_t ErrorCode() const final { return m_errorCode.load(); }

  protected:
    // Reads and checks on the caller's thread what the dial needs; a failure ends the dial
    // before Run (it is reported from the engine thread).
    virtual std::optional<DialEnd> Prepare(const DialRequest& request) = 0;
    // Dials, keeps the link while it lasts, releases everything it took, and says how it ended.
    virtual DialEnd Run(DialSession& session) = 0;
    // Ends the dial under way and stops the engine thread. Derived destructors call it.
    void Shutdown();

  private:
    friend class DialSession;
    void ThreadMain();
    void Report(const std::function<void(DialerEngineObserver&)>& report);
    void Finish(const DialEnd& end);

    std::atomic<std::int16_t> m_state{0};
    std::atomic<std::int16_t> m_errorCode{0};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    struct QueuedDial {
        DialRequest request;
        std::optional<DialEnd> refusal;  // Prepare's failure
    };
    std::optional<QueuedDial> m_queued;  // a dial waiting for the engine thread
    bool m_running = false;              // a dial is queued or running
    bool m_quit = false;
    std::thread m_thread;
    FileDescriptor m_hangUpEvent;  // eventfd: readable after HangUp

    std::mutex m_observerMutex;
    std::condition_variable m_reportDone;
    DialerEngineObserver* m_observer = nullptr;
    int m_reportsUnderWay = 0;
    std::thread::id m_reportingThread;
};

}  // namespace linkvane
