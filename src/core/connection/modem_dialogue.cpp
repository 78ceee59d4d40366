#include "core/connection/modem_dialogue.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/util/file_descriptor.h"
#include "core/util/text.h"

namespace linkvane {

namespace {

constexpr std::uint32_t kUseCountryAndAreaCodes = 0x00000001;  // RASEO_UseCountryAndAreaCodes

// The modem's results, verbal and numeric (ATV0) forms.
enum class ModemResult { None, Ok, Connect, Ring, NoCarrier, Error, NoDialTone, Busy, NoAnswer };

struct ResultWord {
    std::string_view verbal;
    std::string_view numeric;
    ModemResult result;
};

constexpr std::array kResults{
    ResultWord{"OK", "0", ModemResult::Ok},
    ResultWord{"CONNECT", "1", ModemResult::Connect},
    ResultWord{"RING", "2", ModemResult::Ring},
    ResultWord{"NO CARRIER", "3", ModemResult::NoCarrier},
    ResultWord{"ERROR", "4", ModemResult::Error},
    ResultWord{"NO DIALTONE", "6", ModemResult::NoDialTone},
    ResultWord{"NO DIAL TONE", "", ModemResult::NoDialTone},
    ResultWord{"BUSY", "7", ModemResult::Busy},
    ResultWord{"NO ANSWER", "8", ModemResult::NoAnswer},
};

ModemResult Classify(std::string_view line) {
    for (const ResultWord& word : kResults) {
        if (EqualsIgnoreCase(line, word.verbal) || (!word.numeric.empty() && line == word.numeric))
            return word.result;
    }
    // "CONNECT 33600", "CONNECT 115200/ARQ", and the numeric connect codes 5, 9 and from 10.
    if (StartsWithIgnoreCase(line, "CONNECT "))
        return ModemResult::Connect;
    unsigned code = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), code);
    if (error == std::errc() && end == line.data() + line.size() && line.size() <= 3 &&
        (code == 5 || code >= 9))
        return ModemResult::Connect;
    return ModemResult::None;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

Result<std::string> DialableNumber(std::string_view number) {
    std::string out;
    for (const char c : number) {
        if ((c >= '0' && c <= '9') || std::strchr("*#,WwPpTt!@ABCDabcd", c) != nullptr) {
            out += c;
        } else if (std::strchr(" -.()/", c) == nullptr) {
            return Fail("The phone number \"" + std::string(number) +
                        "\" holds a character that a modem cannot dial.");
        }
    }
    if (out.empty())
        return Fail("The entry has no phone number to dial.");
    return out;
}

Result<std::string> BuildDialNumber(const RasEntry& entry) {
    std::string number = entry.localPhoneNumber;
    if ((entry.options & kUseCountryAndAreaCodes) != 0) {
        number = entry.areaCode + number;
        if (entry.countryCode != 0)
            number = "00" + std::to_string(entry.countryCode) + number;
    }
    return DialableNumber(number);
}

ModemDialogue::ModemDialogue(std::string initString, std::string number,
                             std::chrono::milliseconds answerTime)
    : m_initString(std::move(initString)), m_number(std::move(number)), m_answerTime(answerTime) {}

std::string ModemDialogue::CurrentCommand() const {
    switch (m_phase) {
        case Phase::Reset:
            return "ATZ";
        case Phase::Init:
            return m_initString;
        case Phase::Carrier:
            return "AT&C1";
        case Phase::Dial:
            return "ATDT" + m_number;
        default:
            return {};
    }
}

std::string ModemDialogue::TakeCommand() {
    if (m_commandSent || m_phase == Phase::Connected || m_phase == Phase::Failed)
        return {};
    m_commandSent = true;
    return CurrentCommand() + "\r";
}

std::optional<std::chrono::milliseconds> ModemDialogue::AnswerLimit() const {
    if (m_phase == Phase::Dial)
        return std::nullopt;
    return m_answerTime;
}

std::int16_t ModemDialogue::State() const {
    switch (m_phase) {
        case Phase::Dial:
            return kRasConnectDevice;
        case Phase::Connected:
            return kRasDeviceConnected;
        default:
            return kRasPortOpened;
    }
}

void ModemDialogue::Fail(std::int16_t code, std::string text) {
    m_phase = Phase::Failed;
    m_failure = DialEnd::Failure(code, std::move(text));
}

void ModemDialogue::Advance() {
    m_commandSent = false;
    switch (m_phase) {
        case Phase::Reset:
            m_phase = m_initString.empty() ? Phase::Carrier : Phase::Init;
            break;
        case Phase::Init:
            m_phase = Phase::Carrier;
            break;
        case Phase::Carrier:
            m_phase = Phase::Dial;
            break;
        default:
            break;
    }
}

void ModemDialogue::AnswerTimedOut() {
    if (m_phase == Phase::Reset || m_phase == Phase::Init || m_phase == Phase::Carrier) {
        Fail(kDialErrorModemInit, "The modem did not answer \"" + CurrentCommand() +
                                      "\". Check that it is switched on and connected.");
    }
}

void ModemDialogue::Receive(std::string_view bytes) {
    for (const char c : bytes) {
        if (m_phase == Phase::Connected || m_phase == Phase::Failed)
            return;  // what follows CONNECT belongs to the link
        if (c == '\r' || c == '\n') {
            const std::string line = std::move(m_pending);
            m_pending.clear();
            Answer(Trim(line));
        } else if (m_pending.size() < 256) {
            m_pending += c;
        }
    }
}

void ModemDialogue::Answer(std::string_view line) {
    if (line.empty() || !m_commandSent)
        return;
    const std::string command = CurrentCommand();
    if (EqualsIgnoreCase(line, command))
        return;  // the modem echoes commands unless told not to
    switch (Classify(line)) {
        case ModemResult::Ok:
            if (m_phase != Phase::Dial)
                Advance();
            return;
        case ModemResult::Error:
            Fail(kDialErrorModemInit, m_phase == Phase::Dial
                                          ? "The modem refused to dial \"" + command + "\" (ERROR)."
                                          : "The modem answered ERROR to \"" + command +
                                                "\". Check the entry's init string.");
            return;
        case ModemResult::Connect:
            if (m_phase == Phase::Dial) {
                m_phase = Phase::Connected;
                m_connectText = std::string(line);
            }
            return;
        case ModemResult::Busy:
            Fail(kDialErrorBusy, "The number is busy (BUSY).");
            return;
        case ModemResult::NoDialTone:
            Fail(kDialErrorNoDialTone,
                 "The modem hears no dial tone (NO DIALTONE). Check the phone cable.");
            return;
        case ModemResult::NoAnswer:
            Fail(kDialErrorNoAnswer, "Nobody answered the call (NO ANSWER).");
            return;
        case ModemResult::NoCarrier:
            Fail(kDialErrorNoCarrier, "The other end did not answer as a modem (NO CARRIER).");
            return;
        case ModemResult::Ring:
        case ModemResult::None:
            return;  // informational text, such as the answer to an init string's ATI
    }
}

Result<std::vector<std::string>> AskModem(int fd, std::string_view command,
                                          std::chrono::milliseconds limit) {
    const std::string sent = std::string(command) + "\r";
    if (!WriteLine(fd, sent.data(), sent.size()))
        return Fail(std::string("The modem line cannot be written: ") + std::strerror(errno));
    const auto until = std::chrono::steady_clock::now() + limit;
    std::vector<std::string> lines;
    std::string pending;
    while (std::chrono::steady_clock::now() < until) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd line{fd, POLLIN, 0};
        if (::poll(&line, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::array<char, 256> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        for (const char c : std::string_view(buffer.data(), static_cast<std::size_t>(got))) {
            if (c != '\r' && c != '\n') {
                pending += c;
                continue;
            }
            const std::string text(Trim(pending));
            pending.clear();
            if (text.empty() || EqualsIgnoreCase(text, command))
                continue;
            lines.push_back(text);
            const ModemResult result = Classify(text);
            if (result == ModemResult::Ok || result == ModemResult::Error)
                return lines;
        }
    }
    return Fail("The modem did not answer \"" + std::string(command) + "\"");
}

DialEnd EndForWake(DialWake wake) {
    return wake == DialWake::TimedOut ? DialEnd::TimeOut() : DialEnd::Ended();
}

std::optional<DialEnd> TalkToModem(int fd, ModemDialogue& dialogue, DialSession& session) {
    for (;;) {
        if (const std::string command = dialogue.TakeCommand(); !command.empty()) {
            if (!WriteLine(fd, command.data(), command.size())) {
                return DialEnd::Failure(
                    kDialErrorModemInit,
                    std::string("The modem line cannot be written: ") + std::strerror(errno) + ".");
            }
            session.SetState(dialogue.State());
        }
        if (dialogue.Connected()) {
            session.SetState(dialogue.State());
            return std::nullopt;
        }
        if (dialogue.Failure())
            return dialogue.Failure();
        pollfd line{fd, POLLIN, 0};
        const DialWake wake = session.Wait({&line, 1}, dialogue.AnswerLimit());
        if (wake == DialWake::Elapsed) {
            dialogue.AnswerTimedOut();
            continue;
        }
        if (wake != DialWake::Ready)
            return EndForWake(wake);
        std::array<char, 256> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0) {
            return DialEnd::Failure(kDialErrorModemInit,
                                    "The modem line closed during the dial (the modem went away).");
        }
        dialogue.Receive({buffer.data(), static_cast<std::size_t>(got)});
    }
}

}  // namespace linkvane
