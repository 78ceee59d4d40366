#include "core/connection/modem_dialogue.h"

#include <array>
#include <charconv>

#include "core/profiles/phonebook.h"
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

std::optional<std::string> ModemLineReader::Push(char c) {
    if (c == '\0')
        return std::nullopt;
    if (c != '\r' && c != '\n') {
        if (m_pending.size() < kModemLineLimit)
            m_pending += c;
        return std::nullopt;
    }
    std::string line(Trim(m_pending));
    m_pending.clear();
    if (line.empty())
        return std::nullopt;
    return line;
}

bool EndsCommand(std::string_view line) {
    const ModemResult result = Classify(line);
    return result == ModemResult::Ok || result == ModemResult::Error;
}

Result<std::string> DialableNumber(std::string_view number) {
    if (Status dialable = CheckDialCharacters("The phone number", number); !dialable)
        return dialable.error();
    std::string out;
    for (const char c : number) {
        if (IsDialCharacter(c))
            out += c;
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
        if (std::optional<std::string> line = m_lines.Push(c))
            Answer(*line);
    }
}

void ModemDialogue::Answer(std::string_view line) {
    if (!m_commandSent)
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

}  // namespace linkvane
