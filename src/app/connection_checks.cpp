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
    WindowMailView(QWidget& owner, CTextLabel& label, CTrayIcon& tray,
                   std::set<std::string>& certificatesTold)
        : m_owner(&owner), m_label(label), m_tray(tray), m_certificatesTold(certificatesTold) {}

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

    bool AskAboutCertificate(const CertificateQuestion& question) override {
        // A periodic check asks once, not every few minutes.
        if (!m_certificatesTold.insert(question.fingerprint).second)
            return false;
        const QString caption = QStringLiteral("Mail Server Certificate");
        if (!question.mayAccept) {
            ShowCheckFailure(question.message, caption.toStdString());
            return false;
        }
        QMessageBox box(QMessageBox::Question, caption,
                        Text(question.message + "\n\n" + std::string(kAcceptCertificateQuestion)),
                        QMessageBox::Yes | QMessageBox::No, m_owner);
        box.setDefaultButton(QMessageBox::No);
        box.setTextFormat(Qt::PlainText);
        const bool accepted = box.exec() == QMessageBox::Yes;
        if (accepted)
            m_certificatesTold.erase(question.fingerprint);
        return accepted;
    }

  private:
    QPointer<QWidget> m_owner;
    CTextLabel& m_label;
    CTrayIcon& m_tray;
    std::set<std::string>& m_certificatesTold;
};

}  // namespace

CConnectionChecks::CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel,
                                     CTrayIcon& tray, RegistryStore& registry,
                                     std::uint16_t pop3Port)
    : m_owner(owner),
      m_pingLabel(pingLabel),
      m_mailLabel(mailLabel),
      m_tray(tray),
      m_registry(registry),
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
    ActiveProfile& profile = TheActiveProfile();
    MailCheckSettings settings = MailCheckSettingsOf(profile);
    if (m_pop3Port != 0)
        settings.port = m_pop3Port;
    WindowMailView view(m_owner, m_mailLabel, m_tray, m_certificatesTold);
    const MailCheckOutcome outcome = linkvane::CheckMail(m_sockets, settings, view);
    if (outcome.tls.acceptedNow) {
        profile.pop3Pin = outcome.tls.fingerprint;
        const Status pinned =
            PinCertificate(ProfileStore(m_registry), profile.profileName, profile.pop3Pin);
        if (!pinned)
            view.ShowCheckFailure(pinned.error().Describe(), "Error");
    }
}

}  // namespace linkvane
