#include "core/connection/ras_dialer.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>

namespace linkvane {

// Turns the engine's reports into events on the poster's thread. The relay is shared with
// every queued task through a weak pointer, so a task that runs after the dialler has gone
// finds nothing and does nothing.
class CRasDialer::Relay final : public DialerEngineObserver,
                                public std::enable_shared_from_this<Relay> {
  public:
    explicit Relay(TaskPoster poster) : m_poster(std::move(poster)) {}

    void SetSink(RasDialerEvents* sink) {
        std::lock_guard lock(m_mutex);
        m_sink = sink;
    }

    // Counts the dials, so that an ending event can tell whether its handler dialled again.
    void CountDial() { ++m_dials; }

    void EngineStateChanged(std::int16_t state) override {
        Post([state](RasDialerEvents& sink) { sink.DialConnected(state); });
    }
    void EngineDisconnected() override {
        Post([](RasDialerEvents& sink) { sink.DialDisconnected(); });
    }
    void EngineFailed(std::int16_t errorCode, const std::string& text) override {
        PostEnding([errorCode, text](RasDialerEvents& sink) {
            std::int16_t code = errorCode;
            std::string errorText = text;
            std::int16_t reserved = 0;
            sink.DialFailed(code, errorText, reserved);
        });
    }
    void EngineTimedOut() override {
        PostEnding([](RasDialerEvents& sink) { sink.DialTimedOut(); });
    }

  private:
    // A failure or a time-out ends the dial unless its handler dialled again.
    void PostEnding(std::function<void(RasDialerEvents&)> event) {
        Post([this, event = std::move(event)](RasDialerEvents& sink) {
            const unsigned before = m_dials;
            event(sink);
            if (m_dials == before)
                sink.DialDisconnected();
        });
    }

    void Post(std::function<void(RasDialerEvents&)> event) {
        std::weak_ptr<Relay> weak = weak_from_this();
        auto deliver = [weak, event = std::move(event)] {
            if (auto relay = weak.lock()) {
                RasDialerEvents* sink = nullptr;
                {
                    std::lock_guard lock(relay->m_mutex);
                    sink = relay->m_sink;
                }
                if (sink != nullptr)
                    event(*sink);
            }
        };
        if (m_poster) {
            m_poster(std::move(deliver));
        } else {
            deliver();
        }
    }

    TaskPoster m_poster;
    std::mutex m_mutex;
    RasDialerEvents* m_sink = nullptr;
    std::atomic<unsigned> m_dials{0};
};

CRasDialer::CRasDialer(std::unique_ptr<DialerEngine> engine, TaskPoster poster)
    : m_engine(std::move(engine)), m_relay(std::make_shared<Relay>(std::move(poster))) {
    m_engine->SetObserver(m_relay.get());
}

CRasDialer::~CRasDialer() {
    m_engine->SetObserver(nullptr);
}

void CRasDialer::SetEventSink(RasDialerEvents* sink) {
    m_relay->SetSink(sink);
}

std::int16_t CRasDialer::Dial() {
    m_hangUpAsked = false;
    m_relay->CountDial();
    const std::int16_t refused = m_engine->Dial(m_request);
    if (refused == 0)
        ++m_dialsStarted;
    return refused;
}

std::int16_t CRasDialer::HangUp() {
    m_hangUpAsked = true;
    return m_engine->HangUp();
}

DialTimeoutSetting DialTimeoutFromSetting(std::int32_t redialTimeout) {
    if (redialTimeout <= 0)
        return {kDefaultDialTimeout, true};
    if (redialTimeout > INT16_MAX)
        return {INT16_MAX, false};
    return {static_cast<std::int16_t>(redialTimeout), false};
}

}  // namespace linkvane
