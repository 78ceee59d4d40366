#include "core/connection/link_status.h"

#include <algorithm>
#include <array>

namespace linkvane {

namespace {

constexpr std::array<std::string_view, 5> kStateNames = {"idle", "dialling", "waiting", "connected",
                                                         "LAN"};

constexpr std::array<StatusProperty, 13> kProperties = {{
    {kFieldState, "State", "s"},
    {kFieldDialState, "DialState", "n"},
    {kFieldReason, "StateReason", "(is)"},
    {kFieldRedialsLeft, "RedialsLeft", "i"},
    {kFieldRedialWait, "RedialWait", "(xs)"},
    {kFieldProfile, "Profile", "s"},
    {kFieldNumber, "Number", "s"},
    {kFieldCallSeconds, "CallSeconds", "x"},
    {kFieldBytesIn, "BytesIn", "t"},
    {kFieldBytesOut, "BytesOut", "t"},
    {kFieldLastPing, "LastPing", "s"},
    {kFieldMailCount, "MailCount", "u"},
    {kFieldMailSize, "MailSize", "t"},
}};

}  // namespace

std::string_view LinkStateName(LinkState state) {
    return kStateNames.at(static_cast<std::size_t>(state));
}

std::optional<LinkState> LinkStateNamed(std::string_view name) {
    const auto found = std::find(kStateNames.begin(), kStateNames.end(), name);
    if (found == kStateNames.end())
        return std::nullopt;
    return static_cast<LinkState>(found - kStateNames.begin());
}

std::span<const StatusProperty> StatusProperties() {
    return kProperties;
}

const StatusProperty* FindStatusProperty(std::string_view name) {
    for (const StatusProperty& property : kProperties) {
        if (property.name == name)
            return &property;
    }
    return nullptr;
}

LinkStatusBoard::LinkStatusBoard(const ConnectController& controller, const CRasDialer& dialer,
                                 LinkStatusObserver& observer)
    : m_controller(controller), m_dialer(dialer), m_observer(observer) {}

template <typename T>
StatusFields LinkStatusBoard::Set(T LinkStatus::*member, T value, StatusField field) {
    if (m_status.*member == value)
        return 0;
    m_status.*member = std::move(value);
    return field;
}

void LinkStatusBoard::Tell(StatusFields changed) {
    if (changed != 0)
        m_observer.StatusChanged(m_status, changed);
}

StatusFields LinkStatusBoard::BeginDial() {
    if (m_status.state == LinkState::Dialling || m_status.state == LinkState::Connected)
        return 0;
    return Set(&LinkStatus::state, LinkState::Dialling, kFieldState) |
           Set(&LinkStatus::profile, m_controller.Profile().name, kFieldProfile) |
           Set(&LinkStatus::callSeconds, std::int64_t{0}, kFieldCallSeconds) |
           Set(&LinkStatus::bytesIn, std::uint64_t{0}, kFieldBytesIn) |
           Set(&LinkStatus::bytesOut, std::uint64_t{0}, kFieldBytesOut);
}

void LinkStatusBoard::Reported(const ConnectEvent& event) {
    using Kind = ConnectEvent::Kind;
    // An event's own fields are told even when their values stay: each event is news. A dial
    // told by its number comes before its states; without a number, its first state begins it.
    switch (event.kind) {
        case Kind::Dial:
            m_status.number = event.text;
            return Tell(BeginDial() | kFieldNumber);
        case Kind::State:
            if (m_status.state != LinkState::Dialling && m_status.state != LinkState::Connected)
                Tell(BeginDial() |
                     Set(&LinkStatus::number, m_dialer.GetPhoneNumber(), kFieldNumber));
            m_status.dialState = event.state;
            return Tell(kFieldDialState);
        case Kind::Connected:
            m_status.state = LinkState::Connected;
            return Tell(kFieldState);
        case Kind::Failed:
            m_status.reason = {event.code, event.text};
            return Tell(kFieldReason);
        case Kind::TimedOut:
            m_status.reason = {0, NoLinkText(m_controller.DialTimeout())};
            return Tell(kFieldReason);
        case Kind::Redial:
            m_status.redialsLeft = event.redialsLeft;
            return Tell(kFieldRedialsLeft);
        case Kind::Wait:
            m_status.state = LinkState::Waiting;
            m_status.redialWait = {event.seconds, event.text};
            return Tell(kFieldState | kFieldRedialWait);
        case Kind::Disconnected:
            if (m_status.state == LinkState::Connected && !m_dialer.HangUpAsked())
                m_observer.LineDropped(m_status);
            // The controller stays active when it redials a dropped line.
            m_status.state = m_controller.Active() ? LinkState::Waiting : LinkState::Idle;
            m_status.dialState = 0;
            return Tell(kFieldState | kFieldDialState);
        case Kind::Lan:
            m_status.state = LinkState::Lan;
            return Tell(kFieldState |
                        Set(&LinkStatus::profile, m_controller.Profile().name, kFieldProfile) |
                        Set(&LinkStatus::number, std::string(), kFieldNumber));
    }
}

void LinkStatusBoard::ClockShown(std::int64_t now) {
    if (m_status.state != LinkState::Connected)
        return;
    const std::int64_t seconds = std::max<std::int64_t>(now - m_controller.CallStartTime(), 0);
    Tell(Set(&LinkStatus::callSeconds, seconds, kFieldCallSeconds));
}

void LinkStatusBoard::LinksListed(const std::vector<ActiveConnection>& links) {
    if (m_status.state != LinkState::Connected)
        return;
    for (const ActiveConnection& link : links) {
        if (link.entryName == m_status.profile && link.volume) {
            return Tell(Set(&LinkStatus::bytesIn, link.volume->bytesIn, kFieldBytesIn) |
                        Set(&LinkStatus::bytesOut, link.volume->bytesOut, kFieldBytesOut));
        }
    }
}

void LinkStatusBoard::PingShown(const std::string& labelText) {
    Tell(Set(&LinkStatus::lastPing, labelText, kFieldLastPing));
}

void LinkStatusBoard::MailShown(const MailboxStat& stat) {
    Tell(Set(&LinkStatus::mailCount, static_cast<std::uint32_t>(std::max(stat.count, 0)),
             kFieldMailCount) |
         Set(&LinkStatus::mailSize, static_cast<std::uint64_t>(std::max(stat.size, 0)),
             kFieldMailSize));
}

std::vector<ConnectEvent> ConnectEventsOf(const LinkStatus& status, StatusFields changed) {
    using Kind = ConnectEvent::Kind;
    const auto has = [changed](StatusFields fields) { return (changed & fields) == fields; };
    std::vector<ConnectEvent> events;
    if (has(kFieldNumber) && !status.number.empty() && status.state != LinkState::Lan) {
        ConnectEvent dial = ConnectEvent::Of(Kind::Dial);
        dial.text = status.number;
        events.push_back(dial);
    }
    // The end of a dial or call resets the dialler's state with the state: no state report.
    const bool ended = has(kFieldState | kFieldDialState);
    if (has(kFieldDialState) && !ended) {
        ConnectEvent reached = ConnectEvent::Of(Kind::State);
        reached.state = status.dialState;
        events.push_back(reached);
    }
    if (has(kFieldReason)) {
        ConnectEvent failed =
            ConnectEvent::Of(status.reason.code == 0 ? Kind::TimedOut : Kind::Failed);
        failed.code = static_cast<std::int16_t>(status.reason.code);
        if (failed.kind == Kind::Failed)
            failed.text = status.reason.text;
        events.push_back(failed);
    }
    if (has(kFieldRedialsLeft)) {
        ConnectEvent redial = ConnectEvent::Of(Kind::Redial);
        redial.redialsLeft = status.redialsLeft;
        events.push_back(redial);
    }
    if (has(kFieldRedialWait)) {
        ConnectEvent wait = ConnectEvent::Of(Kind::Wait);
        wait.seconds = status.redialWait.seconds;
        wait.text = status.redialWait.reason;
        events.push_back(wait);
    } else if (ended) {
        events.push_back(ConnectEvent::Of(Kind::Disconnected));
    } else if (has(kFieldState) && status.state == LinkState::Connected) {
        events.push_back(ConnectEvent::Of(Kind::Connected));
    } else if (has(kFieldState) && status.state == LinkState::Lan) {
        events.push_back(ConnectEvent::Of(Kind::Lan));
    }
    return events;
}

}  // namespace linkvane
