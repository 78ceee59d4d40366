#pragma once

// ModemDialogue: the conversation with a Hayes modem that precedes the link, as a machine of
// bytes in and commands, states and result codes out. It knows no line and no clock: a
// ModemTalk (platform's TalkToModem) runs it over a descriptor, and tells it when the answer
// to a command is late.
//
// The commands, each ended by CR: "ATZ", the entry's init string (when not empty), "AT&C1",
// then "ATDT" and the number. Every command but the dial must be answered OK within
// kCommandAnswerTime of being sent: one deadline per command, however the answer trickles in.
// Answers may come with the command echoed, with blank lines, verbal ("NO CARRIER") or
// numeric ("3"), and with "NO DIALTONE" or "NO DIAL TONE". Results map to:
//   no answer, or ERROR, to a set-up command -> kDialErrorModemInit (25692)
//   BUSY -> 25676, NO DIALTONE -> 25680, NO ANSWER -> 25678, NO CARRIER -> 25679,
//   ERROR to the dial -> 25692; CONNECT -> connected.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/connection/dialer_engine_base.h"
#include "core/profiles/ras_entry.h"
#include "core/util/result.h"

namespace linkvane {

inline constexpr std::chrono::milliseconds kCommandAnswerTime{5000};
// The most of one answer line that is kept; the rest of a longer line is dropped.
inline constexpr std::size_t kModemLineLimit = 256;

// Splits what a modem sends into answer lines: CR or LF ends a line, NULs (padding some modems
// send) are dropped, a line keeps its first kModemLineLimit bytes, and the blanks around it
// are trimmed. Empty lines are not lines.
class ModemLineReader {
  public:
    // The line that c ends, if it ends one.
    std::optional<std::string> Push(char c);

  private:
    std::string m_pending;
};

// Whether an answer line ends a command: OK or ERROR, in either form.
bool EndsCommand(std::string_view line);

// The digits and dial modifiers a modem takes (0-9 * # , W P T ! @ A-D). Blanks, dashes,
// dots and brackets that people write in numbers are left out. Any other character fails:
// it could end the ATDT command and start another.
Result<std::string> DialableNumber(std::string_view number);

// The number to dial for an entry: with RASEO_UseCountryAndAreaCodes, the area code before
// the local number, and before both the country code in international form ("00" prefix)
// when it is not 0; otherwise the local number alone.
Result<std::string> BuildDialNumber(const RasEntry& entry);

class ModemDialogue {
  public:
    ModemDialogue(std::string initString, std::string number,
                  std::chrono::milliseconds answerTime = kCommandAnswerTime);

    // The command to send now (with its CR), or "" when the dialogue waits for an answer.
    std::string TakeCommand();
    // Bytes the modem sent.
    void Receive(std::string_view bytes);
    // The wait for the current answer has passed its limit (AnswerLimit).
    void AnswerTimedOut();

    // How long the current answer may take; nullopt while dialling (the dial's own time-out
    // applies).
    std::optional<std::chrono::milliseconds> AnswerLimit() const;
    // kRasPortOpened while setting up, kRasConnectDevice while dialling, kRasDeviceConnected
    // once connected.
    std::int16_t State() const;
    bool Connected() const { return m_phase == Phase::Connected; }
    // The failure, when the dialogue has failed.
    const std::optional<DialEnd>& Failure() const { return m_failure; }
    // The CONNECT line's text ("CONNECT 33600").
    const std::string& ConnectText() const { return m_connectText; }

  private:
    enum class Phase { Reset, Init, Carrier, Dial, Connected, Failed };
    void Answer(std::string_view line);
    void Advance();
    void Fail(std::int16_t code, std::string text);
    std::string CurrentCommand() const;

    std::string m_initString;
    std::string m_number;
    std::chrono::milliseconds m_answerTime;
    Phase m_phase = Phase::Reset;
    bool m_commandSent = false;
    ModemLineReader m_lines;
    std::optional<DialEnd> m_failure;
    std::string m_connectText;
};

// How a dial's dialogue reaches its modem. Platform's LineModemTalk runs it over a
// descriptor; engines take one so that the loopback engine dials through the same code as a
// serial line. Called on the engine thread.
class ModemTalk {
  public:
    virtual ~ModemTalk() = default;
    // Runs the dialogue over fd until CONNECT, a failure, a hang-up or the dial's time-out.
    // nullopt means connected; otherwise how the dial ended (a line error ends as
    // kDialErrorModemInit).
    virtual std::optional<DialEnd> Talk(int fd, ModemDialogue& dialogue,
                                        DialSession& session) const = 0;
};

}  // namespace linkvane
