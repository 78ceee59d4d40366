#include "core/connection/ras_dialer.h"

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

    void EngineConnected() override {
        Post([](RasDialerEvents& sink) { sink.DialConnected(); });
    }
    void EngineDisconnected() override {
        Post([](RasDialerEvents& sink) { sink.DialDisconnected(); });
    }
    void EngineFailed(std::int16_t errorCode, const std::string& text) override {
        Post([errorCode, text](RasDialerEvents& sink) {
            std::int16_t code = errorCode;
            std::string errorText = text;
            std::int16_t reserved = 0;
            sink.DialFailed(code, errorText, reserved);
        });
    }
    void EngineTimedOut() override {
        Post([](RasDialerEvents& sink) { sink.DialTimedOut(); });
    }

  private:
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
    return m_engine->Dial(m_request);
}

std::int16_t CRasDialer::HangUp() {
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
