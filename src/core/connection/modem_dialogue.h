#pragma once

// ModemDialogue: the conversation with a Hayes modem that precedes the link, as a machine of
// bytes in and commands, states and result codes out. It knows no line: TalkToModem runs it
// over a descriptor (a serial line, or the loopback engine's socket).
//
// The commands, each ended by CR: "ATZ", the entry's init string (when not empty), "AT&C1",
// then "ATDT" and the number. Every command but the dial must be answered OK within
// kCommandAnswerTime. Answers may come with the command echoed, with blank lines, verbal
// ("NO CARRIER") or numeric ("3"), and with "NO DIALTONE" or "NO DIAL TONE". Results map to:
//   no answer, or ERROR, to a set-up command -> kDialErrorModemInit (25692)
//   BUSY -> 25676, NO DIALTONE -> 25680, NO ANSWER -> 25678, NO CARRIER -> 25679,
//   ERROR to the dial -> 25692; CONNECT -> connected.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/dialer_engine_base.h"
#include "core/profiles/ras_entry.h"
#include "core/util/result.h"

namespace linkvane {

inline constexpr std::chrono::milliseconds kCommandAnswerTime{5000};

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
    std::string m_pending;  // bytes of a line not yet ended
    std::optional<DialEnd> m_failure;
    std::string m_connectText;
};

// Runs the dialogue over fd until CONNECT, a failure, a hang-up or the dial's time-out.
// nullopt means connected; otherwise how the dial ended (a line error ends as
// kDialErrorModemInit).
std::optional<DialEnd> TalkToModem(int fd, ModemDialogue& dialogue, DialSession& session);

// Sends one command and gathers the modem's answer lines up to its OK or ERROR (echo and
// blank lines left out); fails when no such answer comes within `limit`.
Result<std::vector<std::string>> AskModem(int fd, std::string_view command,
                                          std::chrono::milliseconds limit);

// The end of a dial for a wake that was neither Ready nor Elapsed.
DialEnd EndForWake(DialWake wake);

}  // namespace linkvane
