#include "app/connection_checks.h"

#include <QtWidgets/QMessageBox>

#include <ctime>
#include <utility>

#include "app/event_loop_wait.h"
#include "app/new_mail_dialog.h"
#include "app/tray_icon.h"
#include "controls/resource_ids.h"
#include "controls/text_label.h"
#include "platform/icmp_socket.h"
#include "platform/posix_sockets.h"
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
                   std::set<std::string>& certificatesTold, std::string profile,
                   const std::function<bool(const Bubble&)>& bubble)
        : m_owner(&owner),
          m_label(label),
          m_tray(tray),
          m_certificatesTold(certificatesTold),
          m_profile(std::move(profile)),
          m_bubble(bubble) {}

    void PlayMailSound(const std::string& path) override { PlaySoundFile(path); }

    void ShowNewMailNotice(const std::string& text) override {
        if (m_bubble && m_bubble(NewMailBubble(m_profile, text)))
            return;
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
    std::string m_profile;
    const std::function<bool(const Bubble&)>& m_bubble;
};

}  // namespace

// The waits, sockets and echo library of the checks.
struct CConnectionChecks::Network {
    CEventLoopWait wait;
    PosixSocketLayer sockets{wait};
    LinuxIcmpEcho echo{wait};
    IcmpLibrary icmp{echo};
};

CConnectionChecks::CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel,
                                     CTrayIcon& tray, RegistryStore& registry,
                                     std::uint16_t pop3Port, PinnedHandler pinned)
    : m_owner(owner),
      m_pingLabel(pingLabel),
      m_mailLabel(mailLabel),
      m_tray(tray),
      m_registry(registry),
      m_pop3Port(pop3Port),
      m_pinned(std::move(pinned)) {}

CConnectionChecks::~CConnectionChecks() = default;

CConnectionChecks::Network& CConnectionChecks::Net() {
    if (!m_network)
        m_network = std::make_unique<Network>();
    return *m_network;
}

void CConnectionChecks::RunPing(const ActiveProfile& profile, PingDone done) {
    Request request{profile.pingHost, std::nullopt, {}, {}};
    if (done)
        request.pingWaiters.push_back(std::move(done));
    Run(std::move(request));
}

void CConnectionChecks::CheckMail(const ActiveProfile& profile, MailDone done) {
    Request request{std::nullopt, profile, {}, {}};
    if (done)
        request.mailWaiters.push_back(std::move(done));
    Run(std::move(request));
}

void CConnectionChecks::Run(Request request) {
    if (m_busy) {
        if (request.pingHost)
            m_waiting.pingHost = std::move(request.pingHost);
        if (request.mail)
            m_waiting.mail = std::move(request.mail);
        for (PingDone& done : request.pingWaiters)
            m_waiting.pingWaiters.push_back(std::move(done));
        for (MailDone& done : request.mailWaiters)
            m_waiting.mailWaiters.push_back(std::move(done));
        return;
    }
    m_busy = true;
    while (!request.Empty()) {
        if (request.pingHost) {
            const PingOutcome outcome = PingNow(*std::exchange(request.pingHost, std::nullopt));
            if (m_reports.pinged)
                m_reports.pinged(outcome);
            for (const PingDone& done : std::exchange(request.pingWaiters, {}))
                done(outcome);
        } else {
            const MailCheckOutcome outcome =
                CheckMailNow(*std::exchange(request.mail, std::nullopt));
            if (m_reports.mailChecked)
                m_reports.mailChecked(outcome);
            for (const MailDone& done : std::exchange(request.mailWaiters, {}))
                done(outcome);
        }
        if (request.Empty())
            request = std::exchange(m_waiting, Request{});
    }
    m_busy = false;
}

PingOutcome CConnectionChecks::PingNow(const std::string& host) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const Result<PingReply> reply = Ping(Net().icmp, host, kPingTtl, kPingTimeout, kPingDataSize);
    if (reply)
        m_lastPing = *reply;
    PingOutcome outcome{reply.ok(), PingLabelText(reply, local)};
    m_pingLabel.SetText(Text(outcome.text), true);
    return outcome;
}

MailCheckOutcome CConnectionChecks::CheckMailNow(const ActiveProfile& profile) {
    MailCheckSettings settings = MailCheckSettingsOf(profile);
    if (m_pop3Port != 0)
        settings.port = m_pop3Port;
    WindowMailView view(m_owner, m_mailLabel, m_tray, m_certificatesTold, profile.name,
                        m_reports.bubble);
    const MailCheckOutcome outcome = linkvane::CheckMail(Net().sockets, settings, view);
    if (!outcome.tls.acceptedNow)
        return outcome;
    const std::string& pin = outcome.tls.fingerprint;
    if (const Status pinned = PinCertificate(ProfileStore(m_registry), profile.name, pin); !pinned)
        view.ShowCheckFailure(pinned.error().Describe(), "Error");
    if (m_waiting.mail && m_waiting.mail->name == profile.name)
        m_waiting.mail->pop3Pin = pin;
    if (m_pinned)
        m_pinned(profile.name, pin);
    return outcome;
}

}  // namespace linkvane
