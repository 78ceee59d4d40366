#pragma once

// CWindowConnectView: how Connect, redial and hang-up show themselves in the main window.
// Messages are message boxes owned by the window (plain text; a failure's reason below it);
// the Connect button takes its image and tip; the four timers of a connection (1034 mail
// check, 1035 call clock, 1036 ping, 1039 dialling blink) are QTimers whose ticks go to the
// tick handler, as is the one-shot 1041 that ends a redial's wait; the call clock writes its
// three labels, and a redial's wait counts down in them under the caption "Redial In:" (the
// call's caption and last clock come back when the wait ends); the ping and the mail check go
// to the window's checks; launches go to the shell. A dial that failed for good is told in a
// bubble instead of its box when the bubble handler shows one. While a request of another
// program runs (BeginRemote to EndRemote), messages are kept for its answer instead of shown:
// a modal box would hold the answer until someone closed it. It borrows the window's parts,
// which must outlive it. GUI thread only.

#include <QtCore/QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app/bubbles.h"
#include "core/connection/connect_controller.h"

class QWidget;

namespace linkvane {

class CConnectionChecks;
class COXBitmapButton;
class CTextLabel;

class CWindowConnectView final : public ConnectView {
  public:
    // clock: the caption, hours, minutes and seconds labels.
    CWindowConnectView(QWidget& window, COXBitmapButton& connectButton,
                       const std::array<CTextLabel*, 4>& clock, CConnectionChecks& checks);

    // Where the timers' ticks go (the Connect controller's OnTimer).
    void OnTick(std::function<void(int)> tick) { m_tick = std::move(tick); }
    // Who else hears the controller's reports (the window, to show or clear a call's details).
    void OnReport(std::function<void(const ConnectEvent&)> report) { m_report = std::move(report); }
    // Who hears the call clock's refreshes.
    void OnClockShown(std::function<void()> shown) { m_clockShown = std::move(shown); }
    // Shows a bubble in place of a failure's box; false: show the box.
    void OnBubble(std::function<bool(const Bubble&)> bubble) { m_bubble = std::move(bubble); }

    // Another program's request: messages are kept, not shown. EndRemote gives the last
    // warning kept (the text and its reason), nullopt when there was none.
    void BeginRemote() { m_remote.emplace(); }
    std::optional<std::string> EndRemote();
    bool TimerActive(int id) const { return m_timers.at(id)->isActive(); }
    std::chrono::milliseconds TimerPeriod(int id) const {
        return std::chrono::milliseconds(m_timers.at(id)->interval());
    }

    void ShowExclamation(std::string_view text, std::string_view caption) override;
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                     std::string_view detail) override;
    void ShowDialFailure(std::string_view text, std::string_view caption,
                         std::string_view reason) override;
    void SetConnectButton(int image, std::string_view tip) override;
    void SetConnectImage(int image) override;
    bool StartTimer(int id, std::chrono::milliseconds period) override;
    void StopTimer(int id) override;
    void ShowCallClock(const CallClockText& clock) override;
    void RunPing(const ActiveProfile& profile) override;
    void CheckMail(const ActiveProfile& profile) override;
    void Launch(const std::string& path) override;
    void Reported(const ConnectEvent& event) override;
    void ShowRedialWait(std::optional<std::chrono::seconds> left) override;

  private:
    void ShowClock(const CallClockText& clock);

    QWidget& m_window;
    COXBitmapButton& m_button;
    std::array<CTextLabel*, 4> m_clock;
    CallClockText m_callClock;  // what the call clock last showed
    QString m_callCaption;      // the caption a wait's countdown replaced
    CConnectionChecks& m_checks;
    std::function<void(int)> m_tick;
    std::function<void(const ConnectEvent&)> m_report;
    std::function<void()> m_clockShown;
    std::function<bool(const Bubble&)> m_bubble;
    // While a remote request runs: the warnings kept for its answer.
    std::optional<std::vector<std::string>> m_remote;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
};

}  // namespace linkvane
