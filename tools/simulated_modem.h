#pragma once

// SimulatedModem: a scripted Hayes modem, for the loopback engine and the modem simulator on
// a pseudo-terminal (tools/modem_simulator). It answers commands as a modem does and, for a
// dial, as the script of the dialled number says.
//
// Script text, one rule per number, separated by ';' (the simulator's command line uses it):
//   NUMBER=connect[:MS[:DROP_MS]]   CONNECT after MS ms; the line drops DROP_MS ms later
//   NUMBER=busy | nodialtone | nodial-tone (the spaced form) | nocarrier | noanswer [:MS]
//   NUMBER=silent                    no answer to the dial
//   NUMBER=error                     ERROR to the dial
// and the modem-wide settings
//   echo=on|off   init=ok|error|silent   form=verbal|numeric
//   model=TEXT    what ATI and AT+GMM answer (default "Linkvane simulated modem")
// A number without a rule connects at once. Unknown rules are refused.

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/result.h"

namespace linkvane {

struct NumberScript {
    enum class Answer {
        Connect,
        Busy,
        NoDialTone,
        NoDialToneSpaced,
        NoCarrier,
        NoAnswer,
        Silent,
        Error
    };
    Answer answer = Answer::Connect;
    std::chrono::milliseconds delay{0};
    std::chrono::milliseconds dropAfter{0};  // after CONNECT; 0: the line stays
};

struct ModemScript {
    enum class Init { Ok, Error, Silent };
    bool echo = true;
    bool numeric = false;
    Init init = Init::Ok;
    std::string model = "Linkvane simulated modem";
    std::map<std::string, NumberScript> numbers;
};

Result<ModemScript> ParseModemScript(std::string_view text);

// Serves the modem on fd (its end of the line) until the computer closes the line (Closed),
// the script drops it (Dropped, fd is then shut down) or stopFd becomes readable (Stopped).
// With untilOnLine it returns OnLine as soon as CONNECT has been sent and nothing else is due,
// so that the caller can carry the line on to a peer.
enum class ServeEnd { Closed, Dropped, Stopped, OnLine };
class SimulatedModem;
// heard, when given, is called each time the modem has taken in commands, before any answer to
// them is sent (so that whoever watches the commands sees them before the dialler acts).
ServeEnd ServeSimulatedModem(int fd, SimulatedModem& modem, int stopFd, bool untilOnLine = false,
                             const std::function<void()>& heard = {});

// What the modem does in answer: after `delay`, send `bytes`; with `drop`, then drop the line.
struct ModemAction {
    std::chrono::milliseconds delay{0};
    std::string bytes;
    bool drop = false;
};

class SimulatedModem {
  public:
    explicit SimulatedModem(ModemScript script) : m_script(std::move(script)) {}

    // Bytes from the computer; the modem's answers to each command they end.
    std::vector<ModemAction> Receive(std::string_view bytes);
    // Whether the modem is on line (after CONNECT): it then passes bytes and answers nothing.
    bool OnLine() const { return m_onLine; }
    // The line was dropped or the computer hung up: back to command mode.
    void Reset() { m_onLine = false; }
    const std::vector<std::string>& Commands() const { return m_commands; }

  private:
    std::vector<ModemAction> Command(const std::string& command);
    std::string Result(std::string_view verbal, std::string_view numeric) const;

    ModemScript m_script;
    std::string m_line;
    bool m_onLine = false;
    std::vector<std::string> m_commands;
};

}  // namespace linkvane
