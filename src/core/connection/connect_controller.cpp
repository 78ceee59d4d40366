#include "core/connection/connect_controller.h"

#include <algorithm>

#include "core/profiles/host_rules.h"
#include "core/profiles/phonebook_entries.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"

namespace linkvane {

namespace {

constexpr std::chrono::milliseconds kSecondTick{1000};
constexpr std::chrono::milliseconds kMinute{60000};
constexpr std::string_view kErrorCaption = "Error";
constexpr std::string_view kPingTimerError = "Timer Error (PING)";
constexpr std::string_view kMailTimerError = "Timer Error (POP3)";
constexpr std::string_view kTimerError = "Timer Error";
// A wait is kept in steps no longer than this, so that any wait fits a timer.
constexpr std::chrono::milliseconds kLongestWaitStep = std::chrono::hours(1);

}  // namespace

ConnectClock ConnectClock::System() {
    return {[] { return std::time(nullptr); },
            [] {
                return std::chrono::duration_cast<SteadyTime>(
                    std::chrono::steady_clock::now().time_since_epoch());
            }};
}

ConnectController::ConnectController(RegistryStore& store, Phonebook& phonebook, CRasDialer& dialer,
                                     ConnectView& view, ConnectClock clock)
    : m_store(store),
      m_phonebook(phonebook),
      m_dialer(dialer),
      m_view(view),
      m_clock(std::move(clock)) {}

DialSettings LoadDialSettings(RegistryStore& store) {
    COXRegistryItem settings(store, kSettingsKey);
    const DialTimeoutSetting timeout =
        DialTimeoutFromSetting(static_cast<std::int32_t>(settings.GetNumberValue("RedialTimeout")));
    if (timeout.writeBack)
        settings.SetNumberValue(static_cast<std::uint32_t>(timeout.seconds), "RedialTimeout");
    return {timeout.seconds, static_cast<std::int32_t>(settings.GetNumberValue("RedialAttempts"))};
}

std::string NoLinkText(std::int16_t dialTimeout) {
    return "No link within " + std::to_string(dialTimeout) + " seconds.";
}

void ConnectController::UseStartupSettings(const DialSettings& settings) {
    m_redialBudget = settings.redialBudget;
    m_dialTimeout = settings.dialTimeout;
    m_dialer.SetDialTimeout(m_dialTimeout);
}

void ConnectController::Connect(const std::string& entryName) {
    if (Waiting() || m_dialer.GetConnected() || m_dialer.GetConnectionState() > 0) {
        HangUp();
        return;
    }
    m_profile = LoadActiveProfile(m_store, entryName);
    ApplyClientSettings(m_store, m_profile, entryName, m_view);
    if (m_profile.login.empty() || m_profile.password.empty()) {
        m_view.ShowMessage("Username or Password is blank!", "Username/Password",
                           MessageIcon::Exclamation, {});
        return;
    }

    m_view.SetConnectButton(kImageDialling, "Connect");
    m_dialer.SetUserName(m_profile.login);
    m_dialer.SetPassword(m_profile.password);
    m_dialer.SetEntryName(entryName);
    m_dialer.SetDialTimeout(m_dialTimeout);

    if (m_profile.useLan == 0) {
        SetEntryTerminal(m_store, entryName, false);
        if (!m_view.StartTimer(kTimerDialling, kSecondTick)) {
            m_view.ShowMessage("Timer Error (CONNECT)", kErrorCaption, MessageIcon::Exclamation,
                               {});
        }
        Result<std::optional<PhonebookEntry>> entry = m_phonebook.ReadEntry(entryName);
        const bool known = entry && entry->has_value();
        m_policy.Start(
            known ? EntryDialNumbers(**entry) : std::vector<std::string>{},
            {std::chrono::seconds(std::max(m_profile.redialPause, 0)), m_profile.reconnect != 0});
        m_hungUp = false;
        m_linkUp = false;
        m_launched = false;
        DialNext();
        return;
    }
    m_view.SetConnectImage(kImageIdle);
    m_view.Reported(ConnectEvent::Of(ConnectEvent::Kind::Lan));
    m_view.ShowMessage("Settings Updated!", "Internet LAN Configuration", MessageIcon::None, {});
    StartPingAndMail(kMailTimerError);
}

void ConnectController::DialNext() {
    const std::string number = m_policy.Dial(m_clock.steady());
    m_dialer.SetPhoneNumber(number);
    if (!number.empty()) {
        ConnectEvent dial = ConnectEvent::Of(ConnectEvent::Kind::Dial);
        dial.text = number;
        m_view.Reported(dial);
    }
    m_active = true;
    if (const std::int16_t refused = m_dialer.Dial(); refused != 0) {
        // An engine that cannot dial at all would leave the button blinking for ever.
        m_active = false;
        m_view.StopTimer(kTimerDialling);
        m_view.SetConnectButton(kImageIdle, "Connect");
        m_view.ShowDialFailure("Connection Failed", "Timeout",
                               "This program cannot dial (code " + std::to_string(refused) + ").");
    }
}

bool ConnectController::DialAfter(const RedialWait& wait) {
    if (wait.time <= std::chrono::milliseconds::zero()) {
        DialNext();
        return false;
    }
    m_waitUntil = m_clock.steady() + wait.time;
    ConnectEvent waiting = ConnectEvent::Of(ConnectEvent::Kind::Wait);
    waiting.text = wait.reason;
    waiting.seconds = std::chrono::ceil<std::chrono::seconds>(wait.time).count();
    m_view.Reported(waiting);
    m_view.StartTimer(kTimerDialling, kSecondTick);  // the button blinks while it waits
    m_view.ShowRedialWait(std::chrono::ceil<std::chrono::seconds>(wait.time));
    if (!m_view.StartTimer(kTimerRedialWait, std::min(wait.time, kLongestWaitStep))) {
        EndWait();  // a wait that no timer can end would never dial
        DialNext();
    }
    return true;
}

void ConnectController::EndWait() {
    m_waitUntil.reset();
    m_view.StopTimer(kTimerRedialWait);
    m_view.ShowRedialWait(std::nullopt);
}

void ConnectController::HangUp() {
    m_hungUp = true;
    if (!Waiting()) {
        m_dialer.HangUp();
        return;
    }
    EndWait();
    Ended();
}

void ConnectController::StartPeriodic(int id, std::uint32_t minutes, std::string_view failure) {
    const std::chrono::milliseconds period = kMinute * minutes;
    (id == kTimerPing ? m_pingPeriod : m_mailPeriod) = period;
    if (!m_view.StartTimer(id, period))
        m_view.ShowMessage(failure, kErrorCaption, MessageIcon::Exclamation, {});
}

void ConnectController::RestartPeriodic(int id, std::string_view failure) {
    if (!m_view.StartTimer(id, id == kTimerPing ? m_pingPeriod : m_mailPeriod))
        m_view.ShowMessage(failure, kErrorCaption, MessageIcon::Exclamation, {});
}

void ConnectController::StartPingAndMail(std::string_view mailFailure) {
    if (HostCounts(m_profile.pingHost)) {
        // The stored number is 32 bits: a negative one is the huge period no timer keeps.
        StartPeriodic(kTimerPing, static_cast<std::uint32_t>(m_profile.pingFreq), kPingTimerError);
        m_view.RunPing(m_profile);
    }
    if (m_profile.checkEmail != 0) {
        StartPeriodic(kTimerMailCheck, m_profile.popMinutes, mailFailure);
        m_view.CheckMail(m_profile);
    }
}

bool ConnectController::OnTimer(int id) {
    switch (id) {
        case kTimerDialling:
            m_blink = !m_blink;
            m_view.SetConnectImage(m_blink ? kImageIdle : kImageDialling);
            if (m_waitUntil) {
                m_view.ShowRedialWait(std::chrono::ceil<std::chrono::seconds>(
                    std::max(*m_waitUntil - m_clock.steady(), SteadyTime::zero())));
            }
            return true;
        case kTimerRedialWait:
            m_view.StopTimer(kTimerRedialWait);
            if (!m_waitUntil)
                return true;
            if (const SteadyTime left = *m_waitUntil - m_clock.steady();
                left > SteadyTime::zero()) {
                m_view.StartTimer(kTimerRedialWait, std::min(left, kLongestWaitStep));
                return true;
            }
            EndWait();
            DialNext();
            return true;
        case kTimerCall:
            RefreshCallClock(m_clock.calendar());
            return true;
        case kTimerPing:
            m_view.StopTimer(kTimerPing);
            m_view.RunPing(m_profile);
            RestartPeriodic(kTimerPing, kPingTimerError);
            return true;
        case kTimerMailCheck:
            m_view.StopTimer(kTimerMailCheck);
            m_view.CheckMail(m_profile);
            RestartPeriodic(kTimerMailCheck, kMailTimerError);
            return true;
        default:
            return false;
    }
}

void ConnectController::RefreshCallClock(std::time_t now) {
    m_view.ShowCallClock(FormatCallClock(static_cast<std::int64_t>(now - m_callStart)));
}

void ConnectController::DialConnected(std::int16_t state) {
    ConnectEvent reached = ConnectEvent::Of(ConnectEvent::Kind::State);
    reached.state = state;
    m_view.Reported(reached);
    if (state != kRasConnected)
        return;
    m_linkUp = true;
    m_policy.LinkUp(m_clock.steady());
    m_view.Reported(ConnectEvent::Of(ConnectEvent::Kind::Connected));
    COXRegistryItem settings(m_store, kSettingsKey);
    const bool launchEmail = settings.GetNumberValue("LaunchEmail") == 1;
    const bool launchBrowser = settings.GetNumberValue("LaunchBrowser") == 1;
    const std::string emailPath = settings.GetStringValue("EmailPath");
    const std::string browserPath = settings.GetStringValue("BrowserPath");

    m_view.StopTimer(kTimerDialling);
    m_view.SetConnectButton(kImageConnected, "Disconnect");
    m_callStart = m_clock.calendar();
    if (!m_view.StartTimer(kTimerCall, kSecondTick))
        m_view.ShowMessage(kTimerError, kErrorCaption, MessageIcon::Exclamation, {});
    StartPingAndMail(kTimerError);
    if (m_launched)
        return;  // a reconnect: the programs were started for this Connect's first call
    m_launched = true;
    if (launchEmail && !emailPath.empty())
        m_view.Launch(emailPath);
    if (launchBrowser && !browserPath.empty())
        m_view.Launch(browserPath);
}

void ConnectController::DialDisconnected() {
    if (Waiting())
        return;  // the end of a failed dial whose redial waits
    const bool dropped = m_linkUp && !m_hungUp;
    m_linkUp = false;
    // Whether a reconnect follows is settled before the end is told, so that the end says so.
    const std::optional<RedialWait> reconnect =
        dropped ? m_policy.AfterDrop(m_clock.steady()) : std::nullopt;
    Ended(reconnect.has_value());
    if (reconnect)
        DialAfter(*reconnect);
}

void ConnectController::Ended(bool reconnecting) {
    m_active = reconnecting;
    m_view.Reported(ConnectEvent::Of(ConnectEvent::Kind::Disconnected));
    for (const int id : {kTimerDialling, kTimerCall, kTimerMailCheck, kTimerPing})
        m_view.StopTimer(id);
    m_view.SetConnectButton(kImageIdle, "Connect");
}

void ConnectController::Fatal(std::string_view text, std::string_view caption,
                              const std::string& detail) {
    m_view.ShowDialFailure(text, caption, detail);
    m_view.StopTimer(kTimerDialling);
}

bool ConnectController::Redial(const RedialWait& wait) {
    --m_redialBudget;
    ConnectEvent redial = ConnectEvent::Of(ConnectEvent::Kind::Redial);
    redial.redialsLeft = m_redialBudget;
    m_view.Reported(redial);
    return DialAfter(wait);
}

void ConnectController::DialFailed(std::int16_t& errorCode, std::string& errorText, std::int16_t&) {
    ConnectEvent failed = ConnectEvent::Of(ConnectEvent::Kind::Failed);
    failed.code = errorCode;
    failed.text = errorText;
    m_view.Reported(failed);
    if (errorCode <= kDialErrorIgnoredLimit)
        return;
    if (errorCode == kDialErrorNoDialTone) {
        Fatal("No Dial Tone - Please Check Cables", "Fatal Error", errorText);
    } else if (errorCode == kDialErrorModemInit) {
        Fatal("Unable to Initialise Modem", "Fatal Error", errorText);
    } else if (errorCode == kDialErrorAuthentication) {
        Fatal("Connection Failed", "Timeout",
              errorText +
                  " Linkvane does not redial a refused login: the same password would be "
                  "refused again.");
    } else if (m_hungUp) {
        m_view.StopTimer(kTimerDialling);  // the user's hang-up crossed the failure: no redial
    } else if (m_redialBudget > 1) {
        // A redial at once stops the blinking, as it always has; a wait blinks.
        if (!Redial(m_policy.AfterFailure(errorCode, m_clock.steady())))
            m_view.StopTimer(kTimerDialling);
    } else {
        Fatal("Connection Failed", "Timeout", errorText);
    }
}

void ConnectController::DialTimedOut() {
    m_view.Reported(ConnectEvent::Of(ConnectEvent::Kind::TimedOut));
    if (m_hungUp)
        return;
    if (m_redialBudget > 0) {
        Redial(m_policy.AfterFailure(0, m_clock.steady()));
    } else {
        m_view.ShowDialFailure("Connection Failed", "Timeout", NoLinkText(m_dialTimeout));
    }
}

}  // namespace linkvane
