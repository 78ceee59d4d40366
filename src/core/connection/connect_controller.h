#pragma once

// ConnectController: Connect, redial and hang-up. The main window and "linkvanectl connect"
// both run it; each implements ConnectView to show what it decides.
//
// Connect (the Connect/Disconnect button) with the profile list's text as entry name:
//   - a call is up, being dialled or waiting to be redialled: hang up (HangUp); the rest
//     follows from DialDisconnected;
//   - otherwise load the active profile (once: the client writers, the login and the checks
//     all use that one load), run the client writers (their messages go to the view), and
//     stop with "Username or Password is blank!" when its Login or Password is empty;
//   - a dial-up profile: entry terminal off, the dialling timer (1039, the blinking button),
//     and the dial of the entry's first number; a LAN profile: "Settings Updated!" and the
//     ping and mail timers at once.
// The four dial events then give the connected state (call clock 1035, ping 1036, mail 1034,
// launches), a redial, or a message. The redial budget is loaded from RedialAttempts once
// (LoadStartupSettings) and shared by every dial of the run; it is only ever lowered. A
// failure is redialled while the budget is above 1 and a time-out while it is above 0, except
// no dial tone, a modem that cannot initialise, and a refused login (25691), which are never
// redialled: the same password would be refused again, on a call that is paid for. Which
// number a redial dials and how long it waits first is RedialPolicy's (redial_policy.h), with
// the profile's RedialPause and Reconnect; a wait blinks the button, counts down in the view
// (ShowRedialWait) and ends on timer 1041. Reconnecting after a drop never follows the user's
// hang-up (Connect while up, HangUp, the exit sequence), and a reconnected call starts no
// programs: the first call of the Connect did.
//
// The controller keeps the active profile from one Connect to the next and hands it to the
// view's ping and mail check; the main window replaces it after the profile editor.
//
// Thread: the GUI thread (or the command line's one thread). The controller borrows the
// store, the phonebook, the dialler and the view, which must outlive it.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/clients/active_profile.h"
#include "core/clients/client_dispatch.h"
#include "core/connection/call_clock.h"
#include "core/connection/ras_dialer.h"
#include "core/connection/redial_policy.h"
#include "core/profiles/phonebook.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

// The main window's timers.
inline constexpr int kTimerMailCheck = 1034;
inline constexpr int kTimerCall = 1035;
inline constexpr int kTimerPing = 1036;
inline constexpr int kTimerDialling = 1039;
inline constexpr int kTimerRedialWait = 1041;  // one shot: a redial's wait is over

// The Connect button's images (bitmap resources).
inline constexpr int kImageConnected = 146;
inline constexpr int kImageDialling = 158;
inline constexpr int kImageIdle = 163;

enum class MessageIcon { None, Exclamation };

// What happened, for a view that prints the dial as it goes (the command line).
struct ConnectEvent {
    enum class Kind { State, Connected, Failed, TimedOut, Redial, Wait, Dial, Disconnected, Lan };
    Kind kind = Kind::State;
    std::int16_t state = 0;  // State
    std::int16_t code = 0;   // Failed
    // Failed: the engine's reason; Wait: why it waits ("busy"); Dial: the number dialled
    std::string text;
    std::int32_t redialsLeft = 0;  // Redial: the budget after this redial
    std::int64_t seconds = 0;      // Wait: how long, rounded up

    static ConnectEvent Of(Kind kind) {
        ConnectEvent event;
        event.kind = kind;
        return event;
    }
};

// How the controller shows itself. The writers' messages come through ClientMessages.
class ConnectView : public ClientMessages {
  public:
    // A modal message; detail, when not empty, says more (the engine's reason for a failure).
    virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                             std::string_view detail) = 0;
    // A dial that has failed for good, with the dialler's reason: by default the message box.
    virtual void ShowDialFailure(std::string_view text, std::string_view caption,
                                 std::string_view reason) {
        ShowMessage(text, caption, MessageIcon::Exclamation, reason);
    }
    virtual void SetConnectButton(int image, std::string_view tip) = 0;
    virtual void SetConnectImage(int image) = 0;
    // Starts (or restarts) a timer with that identifier and period; false when it cannot run.
    virtual bool StartTimer(int id, std::chrono::milliseconds period) = 0;
    virtual void StopTimer(int id) = 0;
    virtual void ShowCallClock(const CallClockText& clock) = 0;
    // The keep-alive ping and the mail check of the active profile.
    virtual void RunPing(const ActiveProfile& profile) = 0;
    virtual void CheckMail(const ActiveProfile& profile) = 0;
    // Opens a program or document through the shell ("open").
    virtual void Launch(const std::string& path) = 0;
    virtual void Reported(const ConnectEvent&) {}
    // A redial's wait, each second: the time left; nullopt once the wait is over.
    virtual void ShowRedialWait(std::optional<std::chrono::seconds>) {}
};

// Where the controller reads the time: the calendar for the call clock, and a steady clock
// for redial waits and how long a call was up. Tests give their own.
struct ConnectClock {
    std::function<std::time_t()> calendar;
    std::function<SteadyTime()> steady;

    static ConnectClock System();
};

// The dial settings read once at start-up: "RedialTimeout" as the dialler's DialTimeout (0 or
// less becomes 60 and is written back) and "RedialAttempts" as the run's redial budget.
struct DialSettings {
    std::int16_t dialTimeout = 0;
    std::int32_t redialBudget = 0;

    bool operator==(const DialSettings&) const = default;
};
DialSettings LoadDialSettings(RegistryStore& store);

// The reason given for a dial that timed out: "No link within 60 seconds."
std::string NoLinkText(std::int16_t dialTimeout);

class ConnectController : public RasDialerEvents {
  public:
    ConnectController(RegistryStore& store, Phonebook& phonebook, CRasDialer& dialer,
                      ConnectView& view, ConnectClock clock = ConnectClock::System());

    // Start-up: LoadDialSettings, then UseStartupSettings.
    void LoadStartupSettings() { UseStartupSettings(LoadDialSettings(m_store)); }
    // Hands the timeout to the dialler and takes the budget.
    void UseStartupSettings(const DialSettings& settings);
    // The Connect/Disconnect button.
    void Connect(const std::string& entryName);
    // The user ends the call, the dial or the wait for a redial (Disconnect, Exit, Ctrl-C):
    // nothing is dialled again. A wait ends at once, with DialDisconnected's display.
    void HangUp();
    // A tick of timer 1034, 1035, 1036, 1039 or 1041; false for another timer.
    bool OnTimer(int id);
    // A Connect's dial, call or redial wait is under way: from the dial until the
    // DialDisconnected that no redial follows.
    bool Active() const { return m_active; }
    bool Waiting() const { return m_waitUntil.has_value(); }

    // The active profile: what the last Connect loaded, or what UseProfile gave.
    const ActiveProfile& Profile() const { return m_profile; }
    void UseProfile(ActiveProfile profile) { m_profile = std::move(profile); }

    std::int32_t RedialBudget() const { return m_redialBudget; }
    std::int16_t DialTimeout() const { return m_dialTimeout; }
    void SetCallStartTime(std::time_t start) { m_callStart = start; }
    std::time_t CallStartTime() const { return m_callStart; }
    void RefreshCallClock(std::time_t now);

    void DialConnected(std::int16_t state) override;
    void DialDisconnected() override;
    void DialFailed(std::int16_t& errorCode, std::string& errorText,
                    std::int16_t& reserved) override;
    void DialTimedOut() override;

  private:
    void StartPeriodic(int id, std::uint32_t minutes, std::string_view failure);
    void RestartPeriodic(int id, std::string_view failure);
    void StartPingAndMail(std::string_view mailFailure);
    // Lowers the budget, then DialAfter.
    bool Redial(const RedialWait& wait);
    // Dials the next number at once (false) or starts the wait before it (true).
    bool DialAfter(const RedialWait& wait);
    void DialNext();
    void EndWait();
    // The dial or call has ended: told with Active() already saying whether a reconnect follows.
    void Ended(bool reconnecting = false);
    void Fatal(std::string_view text, std::string_view caption, const std::string& detail);

    RegistryStore& m_store;
    Phonebook& m_phonebook;
    CRasDialer& m_dialer;
    ConnectView& m_view;
    ConnectClock m_clock;
    RedialPolicy m_policy;
    std::optional<SteadyTime> m_waitUntil;  // a redial waits until then
    bool m_active = false;
    bool m_linkUp = false;
    bool m_hungUp = false;    // by the user: no redial, no reconnect
    bool m_launched = false;  // this Connect has started the mail program and the browser
    ActiveProfile m_profile;
    std::int32_t m_redialBudget = 0;
    std::int16_t m_dialTimeout = 0;
    std::time_t m_callStart = 0;
    bool m_blink = false;
    std::chrono::milliseconds m_pingPeriod{0};
    std::chrono::milliseconds m_mailPeriod{0};
};

}  // namespace linkvane
