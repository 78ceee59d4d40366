#include "app/window_connect_view.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>

#include <limits>
#include <utility>

#include "app/connection_checks.h"
#include "app/shell_launch.h"
#include "controls/bitmap_button.h"
#include "controls/text_label.h"

namespace linkvane {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CWindowConnectView::CWindowConnectView(QWidget& window, COXBitmapButton& connectButton,
                                       const std::array<CTextLabel*, 4>& clock,
                                       CConnectionChecks& checks)
    : m_window(window), m_button(connectButton), m_clock(clock), m_checks(checks) {
    for (const int id :
         {kTimerMailCheck, kTimerCall, kTimerPing, kTimerDialling, kTimerRedialWait}) {
        auto timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
            if (m_tick)
                m_tick(id);
        });
        m_timers[id] = std::move(timer);
    }
}

void CWindowConnectView::ShowExclamation(std::string_view text, std::string_view caption) {
    ShowMessage(text, caption, MessageIcon::Exclamation, {});
}

std::optional<std::string> CWindowConnectView::EndRemote() {
    std::optional<std::vector<std::string>> kept = std::exchange(m_remote, std::nullopt);
    if (!kept || kept->empty())
        return std::nullopt;
    return kept->back();
}

void CWindowConnectView::ShowMessage(std::string_view text, std::string_view caption,
                                     MessageIcon icon, std::string_view detail) {
    if (m_remote) {
        if (icon == MessageIcon::Exclamation) {
            m_remote->push_back(std::string(text) +
                                (detail.empty() ? "" : " - " + std::string(detail)));
        }
        return;
    }
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    Text(caption), Text(text), QMessageBox::Ok, &m_window);
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) {
        // The reason may quote pppd or the modem: plain text, never markup.
        box.setInformativeText(Text(detail));
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
    box.exec();
}

void CWindowConnectView::ShowDialFailure(std::string_view text, std::string_view caption,
                                         std::string_view reason) {
    if (!m_remote && m_bubble && m_bubble(DialFailedBubble(text, reason)))
        return;
    ShowMessage(text, caption, MessageIcon::Exclamation, reason);
}

void CWindowConnectView::SetConnectButton(int image, std::string_view tip) {
    m_button.LoadImageFromBitmap(image, true, 0);
    m_button.SetTransparentLook(true);
    m_button.EnableTip(true);
    m_button.SetTipText(Text(tip));
}

void CWindowConnectView::SetConnectImage(int image) {
    m_button.LoadImageFromBitmap(image, true, 0);
}

bool CWindowConnectView::StartTimer(int id, std::chrono::milliseconds period) {
    // A period of 0 would fire without pause; one beyond QTimer's range cannot be kept.
    if (period.count() <= 0 || period.count() > std::numeric_limits<int>::max())
        return false;
    QTimer& timer = *m_timers.at(id);
    timer.start(period);
    return timer.isActive();
}

void CWindowConnectView::StopTimer(int id) {
    m_timers.at(id)->stop();
}

void CWindowConnectView::ShowCallClock(const CallClockText& clock) {
    m_callClock = clock;
    ShowClock(clock);
    if (m_clockShown)
        m_clockShown();
}

void CWindowConnectView::ShowClock(const CallClockText& clock) {
    m_clock[1]->SetText(Text(clock.hours));
    m_clock[2]->SetText(Text(clock.minutes));
    m_clock[3]->SetText(Text(clock.seconds));
}

void CWindowConnectView::ShowRedialWait(std::optional<std::chrono::seconds> left) {
    const QString countdown = QStringLiteral("Redial In:");
    if (left) {
        if (m_clock[0]->Text() != countdown) {
            m_callCaption = m_clock[0]->Text();
            m_clock[0]->SetText(countdown);
        }
        ShowClock(FormatCallClock(left->count()));
    } else if (m_clock[0]->Text() == countdown) {
        m_clock[0]->SetText(m_callCaption);
        ShowClock(m_callClock);
    }
}

void CWindowConnectView::RunPing(const ActiveProfile& profile) {
    m_checks.RunPing(profile);
}

void CWindowConnectView::CheckMail(const ActiveProfile& profile) {
    m_checks.CheckMail(profile);
}

void CWindowConnectView::Launch(const std::string& path) {
    ShellOpen(path);
}

void CWindowConnectView::Reported(const ConnectEvent& event) {
    if (m_report)
        m_report(event);
}

}  // namespace linkvane
