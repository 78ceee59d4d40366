#pragma once

// The modem dialogue's I/O on a descriptor (a serial line, or a socket in a test's engine).
//
// TalkToModem writes each command the dialogue gives and feeds it what the modem answers.
// Each set-up command has one deadline, taken when it is written: bytes that trickle in do
// not move it, so a modem that sends noise cannot hold the dial past its answer time. The
// dial itself waits for the dial's own time-out; a hang-up ends the talk wherever it waits.
//
// AskModem sends one command outside a dial (linkvanectl modem probe) and gathers the
// answer lines up to OK or ERROR, within one deadline. Lines are read as the dial reads them
// (ModemLineReader: NULs dropped, at most kModemLineLimit bytes each), and at most
// kModemAnswerLines of them are kept.
//
// Both run on the caller's thread; one call at a time per descriptor.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/modem_dialogue.h"
#include "core/util/result.h"

namespace linkvane {

inline constexpr std::size_t kModemAnswerLines = 64;

// nullopt means connected; otherwise how the dial ended (a line error ends as
// kDialErrorModemInit).
std::optional<DialEnd> TalkToModem(int fd, ModemDialogue& dialogue, DialSession& session);

// The answer lines (echo and blank lines left out), or a failure when no OK or ERROR comes
// within `limit` of sending.
Result<std::vector<std::string>> AskModem(int fd, std::string_view command,
                                          std::chrono::milliseconds limit);

// The ModemTalk that engines are given: TalkToModem.
class LineModemTalk final : public ModemTalk {
  public:
    std::optional<DialEnd> Talk(int fd, ModemDialogue& dialogue,
                                DialSession& session) const override {
        return TalkToModem(fd, dialogue, session);
    }
};

}  // namespace linkvane
