#include "core/connection/ras_dialer.h"

#include <gtest/gtest.h>

#include <deque>
#include <thread>
#include <vector>

namespace linkvane {
namespace {

// An engine that records what it was asked and reports when the test says so, from a thread
// of its own like a real engine. (No real dialling engine can run without a modem line.)
class ScriptedEngine final : public DialerEngine {
  public:
    void SetObserver(DialerEngineObserver* observer) override { m_observer = observer; }
    std::int16_t Dial(const DialRequest& request) override {
        requests.push_back(request);
        return 0;
    }
    std::int16_t HangUp() override {
        ++hangUps;
        return 0;
    }
    bool Connected() const override { return connected; }
    std::int16_t ConnectionState() const override { return state; }
    std::int16_t ErrorCode() const override { return errorCode; }

    // Reports from another thread and waits for it.
    template <typename Report>
    void ReportFromEngineThread(Report report) {
        std::thread([this, report] {
            if (m_observer != nullptr)
                report(*m_observer);
        }).join();
    }

    std::vector<DialRequest> requests;
    int hangUps = 0;
    bool connected = false;
    std::int16_t state = 0;
    std::int16_t errorCode = 0;

  private:
    DialerEngineObserver* m_observer = nullptr;
};

class RecordingSink final : public RasDialerEvents {
  public:
    void DialConnected() override { Record("connected"); }
    void DialDisconnected() override { Record("disconnected"); }
    void DialFailed(std::int16_t& code, std::string& text, std::int16_t&) override {
        Record("failed " + std::to_string(code) + " " + text);
    }
    void DialTimedOut() override { Record("timed out"); }

    std::vector<std::string> events;
    std::vector<std::thread::id> threads;

  private:
    void Record(std::string event) {
        events.push_back(std::move(event));
        threads.push_back(std::this_thread::get_id());
    }
};

struct TaskQueue {
    std::deque<std::function<void()>> tasks;
    TaskPoster Poster() {
        return [this](std::function<void()> task) { tasks.push_back(std::move(task)); };
    }
    void RunAll() {
        while (!tasks.empty()) {
            auto task = std::move(tasks.front());
            tasks.pop_front();
            task();
        }
    }
};

TEST(RasDialer, DialHandsTheSetPropertiesToTheEngine) {
    auto engine = std::make_unique<ScriptedEngine>();
    ScriptedEngine& raw = *engine;
    CRasDialer dialer(std::move(engine));
    dialer.SetEntryName("Provider One");
    dialer.SetUserName("jo");
    dialer.SetPassword("s3cret");
    dialer.SetDialTimeout(45);
    EXPECT_EQ(dialer.Dial(), 0);
    EXPECT_EQ(dialer.HangUp(), 0);

    ASSERT_EQ(raw.requests.size(), 1u);
    EXPECT_EQ(raw.requests[0].entryName, "Provider One");
    EXPECT_EQ(raw.requests[0].userName, "jo");
    EXPECT_EQ(raw.requests[0].password, "s3cret");
    EXPECT_EQ(raw.requests[0].timeoutSeconds, 45);
    EXPECT_EQ(raw.hangUps, 1);
    EXPECT_EQ(dialer.GetEntryName(), "Provider One");
    EXPECT_EQ(dialer.GetDialTimeout(), 45);
}

TEST(RasDialer, CallIsActiveWhileConnectedOrAnyDialStateIsReported) {
    auto engine = std::make_unique<ScriptedEngine>();
    ScriptedEngine& raw = *engine;
    CRasDialer dialer(std::move(engine));
    const struct {
        bool connected;
        std::int16_t state;
        bool active;
    } cases[] = {{false, 0, false},
                 {false, -1, false},
                 {false, 1, true},
                 {false, kRasConnected, true},
                 {true, 0, true}};
    for (const auto& c : cases) {
        raw.connected = c.connected;
        raw.state = c.state;
        EXPECT_EQ(dialer.CallActive(), c.active) << c.connected << " " << c.state;
        EXPECT_EQ(dialer.GetConnected(), c.connected);
        EXPECT_EQ(dialer.GetConnectionState(), c.state);
    }
}

TEST(RasDialer, EngineReportsArriveAsEventsOnThePostersThread) {
    TaskQueue queue;
    auto engine = std::make_unique<ScriptedEngine>();
    ScriptedEngine& raw = *engine;
    CRasDialer dialer(std::move(engine), queue.Poster());
    RecordingSink sink;
    dialer.SetEventSink(&sink);

    raw.ReportFromEngineThread([](DialerEngineObserver& o) { o.EngineConnected(); });
    raw.ReportFromEngineThread([](DialerEngineObserver& o) { o.EngineFailed(25678, "No answer"); });
    raw.ReportFromEngineThread([](DialerEngineObserver& o) { o.EngineTimedOut(); });
    raw.ReportFromEngineThread([](DialerEngineObserver& o) { o.EngineDisconnected(); });
    EXPECT_TRUE(sink.events.empty()) << "events run only on the poster's thread";

    queue.RunAll();
    EXPECT_EQ(sink.events, (std::vector<std::string>{"connected", "failed 25678 No answer",
                                                     "timed out", "disconnected"}));
    for (const auto& id : sink.threads)
        EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(RasDialer, EventsQueuedWhenTheDiallerGoesAreDropped) {
    TaskQueue queue;
    RecordingSink sink;
    {
        auto engine = std::make_unique<ScriptedEngine>();
        ScriptedEngine& raw = *engine;
        CRasDialer dialer(std::move(engine), queue.Poster());
        dialer.SetEventSink(&sink);
        raw.ReportFromEngineThread([](DialerEngineObserver& o) { o.EngineConnected(); });
    }
    ASSERT_EQ(queue.tasks.size(), 1u);
    queue.RunAll();
    EXPECT_TRUE(sink.events.empty());
}

TEST(RasDialer, IdleEngineHasNeverDialledAndStartsNoDial) {
    TaskQueue queue;
    CRasDialer dialer(std::make_unique<IdleDialerEngine>(), queue.Poster());
    RecordingSink sink;
    dialer.SetEventSink(&sink);
    dialer.SetEntryName("Provider One");
    EXPECT_EQ(dialer.Dial(), IdleDialerEngine::kDialUnavailable);
    EXPECT_EQ(dialer.HangUp(), 0);
    EXPECT_FALSE(dialer.GetConnected());
    EXPECT_LT(dialer.GetConnectionState(), 1);
    EXPECT_EQ(dialer.GetErrorCode(), 0);
    EXPECT_FALSE(dialer.CallActive());
    queue.RunAll();
    EXPECT_TRUE(sink.events.empty());
}

TEST(RasDialer, DialTimeoutComesFromTheStoredRedialTimeout) {
    const struct {
        std::int32_t stored;
        std::int16_t seconds;
        bool writeBack;
    } cases[] = {{0, 60, true},         {-1, 60, true},        {1, 1, false},
                 {60, 60, false},       {45, 45, false},       {32767, 32767, false},
                 {32768, 32767, false}, {100000, 32767, false}};
    for (const auto& c : cases) {
        const auto setting = DialTimeoutFromSetting(c.stored);
        EXPECT_EQ(setting.seconds, c.seconds) << c.stored;
        EXPECT_EQ(setting.writeBack, c.writeBack) << c.stored;
    }
}

}  // namespace
}  // namespace linkvane
