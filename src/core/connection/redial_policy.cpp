#include "core/connection/redial_policy.h"

#include <algorithm>

#include "core/connection/dialer_engine.h"
#include "core/connection/modem_dialogue.h"

namespace linkvane {

std::vector<std::string> EntryDialNumbers(const PhonebookEntry& entry) {
    std::vector<std::string> numbers;
    RasEntry properties = entry.properties;
    std::vector<std::string> locals{entry.properties.localPhoneNumber};
    locals.insert(locals.end(), entry.alternateNumbers.begin(), entry.alternateNumbers.end());
    for (std::string& local : locals) {
        properties.localPhoneNumber = std::move(local);
        if (Result<std::string> number = BuildDialNumber(properties))
            numbers.push_back(std::move(number.value()));
    }
    return numbers;
}

std::string RedialReason(std::int16_t code) {
    switch (code) {
        case 0:
            return "timed out";
        case kDialErrorBusy:
            return "busy";
        case kDialErrorNoCarrier:
            return "no carrier";
        case kDialErrorNoAnswer:
            return "no answer";
        default:
            return "failed";
    }
}

void RedialPolicy::Start(std::vector<std::string> numbers, RedialSettings settings) {
    m_numbers = numbers.empty() ? std::vector<std::string>{""} : std::move(numbers);
    m_lastDial.assign(m_numbers.size(), std::nullopt);
    m_current = 0;
    m_settings = settings;
    m_backOff = kReconnectFirstWait;
}

std::string RedialPolicy::Dial(SteadyTime now) {
    m_lastDial[m_current] = now;
    return m_numbers[m_current];
}

std::chrono::milliseconds RedialPolicy::PacingLeft(std::size_t number, SteadyTime now) const {
    const std::optional<SteadyTime>& last = m_lastDial[number];
    if (!last)
        return std::chrono::milliseconds::zero();
    return std::max(*last + m_settings.pause - now, std::chrono::milliseconds::zero());
}

RedialWait RedialPolicy::AfterFailure(std::int16_t code, SteadyTime now) {
    std::chrono::milliseconds wait{0};
    if (code == kDialErrorNoCarrier || code == kDialErrorNoAnswer)
        wait = m_settings.pause;
    m_current = (m_current + 1) % m_numbers.size();
    return {std::max(wait, PacingLeft(m_current, now)), RedialReason(code)};
}

std::optional<RedialWait> RedialPolicy::AfterDrop(SteadyTime now) {
    if (!m_settings.reconnect)
        return std::nullopt;
    if (now - m_upSince >= kReconnectResetAfter)
        m_backOff = kReconnectFirstWait;
    std::uniform_int_distribution<std::int64_t> jitter(-m_backOff.count() / kReconnectJitterPercent,
                                                       m_backOff.count() / kReconnectJitterPercent);
    const std::chrono::milliseconds backOff =
        m_backOff + std::chrono::milliseconds(jitter(m_random));
    m_backOff = std::min<std::chrono::milliseconds>(m_backOff * 2, kReconnectLongestWait);
    return RedialWait{std::max(backOff, PacingLeft(m_current, now)), "dropped"};
}

}  // namespace linkvane
