#pragma once

// LoopbackDialerEngine: a real engine with the modem inside the process. Each dial opens a
// socket pair as its line, serves a SimulatedModem on one end and runs the real ModemDialogue
// on the other through the ModemTalk it is given (platform's LineModemTalk), so every state,
// result code, time-out and hang-up goes through the same code as on a serial line. After
// CONNECT the link is simulated: the login is checked (a wrong password fails with 25691), and
// the link is up `linkUpDelay` later and lasts until the modem drops the line or the user hangs
// up. The number dialled is the request's phoneNumber, or the entry name when that is empty.
//
// It is the engine of the tests that need real dial events without a modem line. Threads as
// in DialerEngineBase; the simulated modem runs on a thread of its own during each dial.

#include <chrono>
#include <string>

#include "core/connection/dialer_engine_base.h"
#include "core/connection/modem_dialogue.h"
#include "tools/simulated_modem.h"

namespace linkvane {

struct LoopbackOptions {
    ModemScript modem;
    std::string initString = "ATZ";
    std::chrono::milliseconds linkUpDelay{20};
    std::chrono::milliseconds answerTime{5000};  // for each set-up command
    std::string acceptedPassword;                // empty: any password is accepted
};

class LoopbackDialerEngine final : public DialerEngineBase {
  public:
    // Borrows talk, which must outlive the engine.
    LoopbackDialerEngine(LoopbackOptions options, const ModemTalk& talk)
        : m_options(std::move(options)), m_talk(talk) {}
    ~LoopbackDialerEngine() override { Shutdown(); }

  protected:
    std::optional<DialEnd> Prepare(const DialRequest& request) override;
    DialEnd Run(DialSession& session) override;

  private:
    const LoopbackOptions m_options;
    const ModemTalk& m_talk;
};

}  // namespace linkvane
