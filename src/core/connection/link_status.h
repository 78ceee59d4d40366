#pragma once

// LinkStatus: what the running program says of itself to other programs (its interface on the
// session bus): where Connect stands, why the last dial failed, the call's profile, number,
// time and volume, the last ping and the waiting mail.
//
// LinkStatusBoard keeps it. It reads the Connect controller's events as they are reported and
// the facts the window learns (the call clock, the listed links' counters, the ping and the
// mail check), and tells its observer of each change with the whole status and the fields
// that the change set. Every event of a dial is told, even when it leaves a value as it was
// (two failures in a row with the same reason are two changes), so that a client can follow
// the dial as "linkvanectl connect" prints it: ConnectEventsOf turns one change back into the
// events that made it.
//
// States: idle, then dialling from the first number dialled or the dialler's first state
// report; connected at the link; waiting while a redial waits; idle again at the end of the
// Connect, or waiting when the controller reconnects after a drop. A LAN profile goes to "LAN"
// (nothing is dialled). A failure sets StateReason to the dialler's code and text; a time-out
// sets code 0 and says so. A call that ends without a hang-up asked for (the link was up, no
// HangUp since the dial) is a dropped line, told to the observer as well.
//
// The board borrows the controller and the dialler, which must outlive it. One thread: the
// GUI thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/connect_controller.h"
#include "core/connection/connections.h"
#include "core/connection/pop3_session.h"

namespace linkvane {

enum class LinkState { Idle, Dialling, Waiting, Connected, Lan };

// "idle", "dialling", "waiting", "connected", "LAN"; and back (nullopt for another text).
std::string_view LinkStateName(LinkState state);
std::optional<LinkState> LinkStateNamed(std::string_view name);

// Why the last dial failed: the dialler's code (25000 + the Remote Access error) and text.
struct StateReason {
    std::int32_t code = 0;
    std::string text;

    bool operator==(const StateReason&) const = default;
};

// The last wait before a redial: its seconds, rounded up, and why in a few words ("busy").
struct RedialWaitStatus {
    std::int64_t seconds = 0;
    std::string reason;

    bool operator==(const RedialWaitStatus&) const = default;
};

struct LinkStatus {
    LinkState state = LinkState::Idle;
    std::int16_t dialState = 0;  // the dialler's ConnectionState as last reported
    StateReason reason;
    std::int32_t redialsLeft = 0;  // the redial budget after the last redial
    RedialWaitStatus redialWait;
    std::string profile;
    std::string number;
    std::int64_t callSeconds = 0;
    std::uint64_t bytesIn = 0;  // 0 while not known
    std::uint64_t bytesOut = 0;
    std::string lastPing;  // the "Last Ping:" label's text
    std::uint32_t mailCount = 0;
    std::uint64_t mailSize = 0;

    bool operator==(const LinkStatus&) const = default;
};

// The fields of a LinkStatus, as bits of a change.
enum StatusField : std::uint32_t {
    kFieldState = 1u << 0,
    kFieldDialState = 1u << 1,
    kFieldReason = 1u << 2,
    kFieldRedialsLeft = 1u << 3,
    kFieldProfile = 1u << 4,
    kFieldNumber = 1u << 5,
    kFieldCallSeconds = 1u << 6,
    kFieldBytesIn = 1u << 7,
    kFieldBytesOut = 1u << 8,
    kFieldLastPing = 1u << 9,
    kFieldMailCount = 1u << 10,
    kFieldMailSize = 1u << 11,
    kFieldRedialWait = 1u << 12,
};
using StatusFields = std::uint32_t;

// Each field's name as a property of the bus interface, with its D-Bus type, in this order.
struct StatusProperty {
    StatusField field;
    std::string_view name;
    std::string_view signature;
};
std::span<const StatusProperty> StatusProperties();
const StatusProperty* FindStatusProperty(std::string_view name);

class LinkStatusObserver {
  public:
    virtual ~LinkStatusObserver() = default;
    virtual void StatusChanged(const LinkStatus& status, StatusFields changed) = 0;
    // A call ended without a hang-up: status is the call as it was when it ended.
    virtual void LineDropped(const LinkStatus& status) = 0;
};

class LinkStatusBoard {
  public:
    LinkStatusBoard(const ConnectController& controller, const CRasDialer& dialer,
                    LinkStatusObserver& observer);

    const LinkStatus& Status() const { return m_status; }

    // An event of the Connect controller, as it reports it.
    void Reported(const ConnectEvent& event);
    // The call clock shows the time up to now (calendar seconds).
    void ClockShown(std::int64_t now);
    // The call monitor listed the links: the call's link (by its entry name) gives the volume.
    void LinksListed(const std::vector<ActiveConnection>& links);
    void PingShown(const std::string& labelText);
    void MailShown(const MailboxStat& stat);

  private:
    // A dial after idle, a LAN profile or a wait: the profile, the call's figures cleared.
    StatusFields BeginDial();
    template <typename T>
    StatusFields Set(T LinkStatus::*member, T value, StatusField field);
    void Tell(StatusFields changed);

    const ConnectController& m_controller;
    const CRasDialer& m_dialer;
    LinkStatusObserver& m_observer;
    LinkStatus m_status;
};

// The events of the Connect controller that a change told by the board stands for, in the
// order they were reported: a client of the bus prints them as "linkvanectl connect" does.
std::vector<ConnectEvent> ConnectEventsOf(const LinkStatus& status, StatusFields changed);

}  // namespace linkvane
