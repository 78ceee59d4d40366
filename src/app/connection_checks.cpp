#include "app/connection_checks.h"

#include <QtWidgets/QMessageBox>

#include <ctime>

#include "app/new_mail_dialog.h"
#include "app/tray_icon.h"
#include "controls/resource_ids.h"
#include "controls/text_label.h"
#include "core/clients/active_profile.h"
#include "platform/sound_player.h"

namespace linkvane {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// Where the mail check announces in the window.
class WindowMailView final : public MailCheckView {
  public:
    WindowMailView(QWidget& owner, CTextLabel& label, CTrayIcon& tray)
        : m_owner(&owner), m_label(label), m_tray(tray) {}

    void PlayMailSound(const std::string& path) override { PlaySoundFile(path); }

    void ShowNewMailNotice(const std::string& text) override {
        CNewMailDlg notice(m_owner);
        notice.SetText(Text(text));
        notice.exec();
    }

    void ShowMailStatus(const std::string& text, bool newMail) override {
        m_label.SetText(Text(text), true);
        m_tray.SetTooltipText(Text(text));
        m_tray.SetIcon(newMail ? resource::kNewMailIcon : resource::kAppIcon);
    }

    void ShowConnectionError(const std::string& labelText) override {
        m_label.SetText(Text(labelText), true);
    }

    void ShowCheckFailure(const std::string& text, const std::string& caption) override {
        // The text is the server's: shown as it came, never as markup or a link.
        QMessageBox box(QMessageBox::Warning, Text(caption), Text(text), QMessageBox::Ok, m_owner);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }

  private:
    QPointer<QWidget> m_owner;
    CTextLabel& m_label;
    CTrayIcon& m_tray;
};

}  // namespace

CConnectionChecks::CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel,
                                     CTrayIcon& tray, std::uint16_t pop3Port)
    : m_owner(owner),
      m_pingLabel(pingLabel),
      m_mailLabel(mailLabel),
      m_tray(tray),
      m_pop3Port(pop3Port) {}

void CConnectionChecks::RunPing() {
    Run(Check::Ping);
}

void CConnectionChecks::CheckMail() {
    Run(Check::Mail);
}

void CConnectionChecks::Run(Check check) {
    if (m_busy) {
        m_waiting.insert(check);
        return;
    }
    m_busy = true;
    for (std::optional<Check> next = check; next;) {
        if (*next == Check::Ping)
            PingNow();
        else
            CheckMailNow();
        next.reset();
        if (!m_waiting.empty())
            next = m_waiting.extract(m_waiting.begin()).value();
    }
    m_busy = false;
}

void CConnectionChecks::PingNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const Result<PingReply> reply =
        Ping(m_icmp, TheActiveProfile().pingHost, kPingTtl, kPingTimeout, kPingDataSize);
    if (reply)
        m_lastPing = *reply;
    m_pingLabel.SetText(Text(PingLabelText(reply, local)), true);
}

void CConnectionChecks::CheckMailNow() {
    MailCheckSettings settings = MailCheckSettingsOf(TheActiveProfile());
    settings.port = m_pop3Port;
    WindowMailView view(m_owner, m_mailLabel, m_tray);
    linkvane::CheckMail(m_sockets, settings, view);
}

}  // namespace linkvane
