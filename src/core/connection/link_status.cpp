#include "core/connection/link_status.h"

#include <algorithm>
#include <array>

#include "core/connection/modem_dialogue.h"

namespace linkvane {

namespace {

constexpr std::array<std::string_view, 5> kStateNames = {"idle", "dialling", "waiting", "connected",
                                                         "LAN"};

constexpr std::array<StatusProperty, 12> kProperties = {{
    {kFieldState, "State", "s"},
    {kFieldDialState, "DialState", "n"},
    {kFieldReason, "StateReason", "(is)"},
    {kFieldRedialsLeft, "RedialsLeft", "i"},
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
                                 Phonebook& phonebook, LinkStatusObserver& observer)
    : m_controller(controller), m_dialer(dialer), m_phonebook(phonebook), m_observer(observer) {}

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

// A new dial of a Connect: the profile and the number it dials, the call's figures cleared.
void LinkStatusBoard::BeginDial() {
    std::string number;
    if (Result<std::optional<PhonebookEntry>> entry =
            m_phonebook.ReadEntry(m_dialer.GetEntryName());
        entry && *entry) {
        if (Result<std::string> dialled = BuildDialNumber((*entry)->properties); dialled)
            number = std::move(*dialled);
    }
    Tell(Set(&LinkStatus::state, LinkState::Dialling, kFieldState) |
         Set(&LinkStatus::profile, m_controller.Profile().name, kFieldProfile) |
         Set(&LinkStatus::number, std::move(number), kFieldNumber) |
         Set(&LinkStatus::callSeconds, std::int64_t{0}, kFieldCallSeconds) |
         Set(&LinkStatus::bytesIn, std::uint64_t{0}, kFieldBytesIn) |
         Set(&LinkStatus::bytesOut, std::uint64_t{0}, kFieldBytesOut));
}

void LinkStatusBoard::Reported(const ConnectEvent& event) {
    using Kind = ConnectEvent::Kind;
    // An event's own fields are told even when their values stay: each event is news.
    switch (event.kind) {
        case Kind::State:
            if (m_status.state == LinkState::Idle || m_status.state == LinkState::Lan)
                BeginDial();
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
        case Kind::Disconnected:
            if (m_status.state == LinkState::Connected && !m_dialer.HangUpAsked())
                m_observer.LineDropped(m_status);
            m_status.state = LinkState::Idle;
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
    std::vector<ConnectEvent> events;
    const bool stateChanged = (changed & kFieldState) != 0;
    // The end of a dial resets the dialler's state with it: that is no state report.
    if ((changed & kFieldDialState) != 0 && !(stateChanged && status.state == LinkState::Idle)) {
        ConnectEvent reached = ConnectEvent::Of(Kind::State);
        reached.state = status.dialState;
        events.push_back(reached);
    }
    if ((changed & kFieldReason) != 0) {
        ConnectEvent failed =
            ConnectEvent::Of(status.reason.code == 0 ? Kind::TimedOut : Kind::Failed);
        failed.code = static_cast<std::int16_t>(status.reason.code);
        failed.text = status.reason.text;
        if (failed.kind == Kind::TimedOut)
            failed.text.clear();
        events.push_back(failed);
    }
    if ((changed & kFieldRedialsLeft) != 0) {
        ConnectEvent redial = ConnectEvent::Of(Kind::Redial);
        redial.redialsLeft = status.redialsLeft;
        events.push_back(redial);
    }
    if (stateChanged) {
        switch (status.state) {
            case LinkState::Connected:
                events.push_back(ConnectEvent::Of(Kind::Connected));
                break;
            case LinkState::Idle:
                events.push_back(ConnectEvent::Of(Kind::Disconnected));
                break;
            case LinkState::Lan:
                events.push_back(ConnectEvent::Of(Kind::Lan));
                break;
            case LinkState::Dialling:
            case LinkState::Waiting:
                break;
        }
    }
    return events;
}

}  // namespace linkvane
