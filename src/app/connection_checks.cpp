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

// The waits, sockets and echo library of the checks.
struct CConnectionChecks::Network {
    CEventLoopWait wait;
    PosixSocketLayer sockets{wait};
    LinuxIcmpEcho echo{wait};
    IcmpLibrary icmp{echo};
};

CConnectionChecks::CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel,
                                     CTrayIcon& tray, std::uint16_t pop3Port)
    : m_owner(owner),
      m_pingLabel(pingLabel),
      m_mailLabel(mailLabel),
      m_tray(tray),
      m_pop3Port(pop3Port) {}

CConnectionChecks::~CConnectionChecks() = default;

CConnectionChecks::Network& CConnectionChecks::Net() {
    if (!m_network)
        m_network = std::make_unique<Network>();
    return *m_network;
}

void CConnectionChecks::RunPing(const ActiveProfile& profile) {
    Run({profile.pingHost, std::nullopt});
}

void CConnectionChecks::CheckMail(const ActiveProfile& profile) {
    MailCheckSettings settings = MailCheckSettingsOf(profile);
    settings.port = m_pop3Port;
    Run({std::nullopt, std::move(settings)});
}

void CConnectionChecks::Run(Request request) {
    if (m_busy) {
        if (request.pingHost)
            m_waiting.pingHost = std::move(request.pingHost);
        if (request.mail)
            m_waiting.mail = std::move(request.mail);
        return;
    }
    m_busy = true;
    while (!request.Empty()) {
        if (request.pingHost) {
            PingNow(*std::exchange(request.pingHost, std::nullopt));
        } else {
            CheckMailNow(*std::exchange(request.mail, std::nullopt));
        }
        if (request.Empty())
            request = std::exchange(m_waiting, Request{});
    }
    m_busy = false;
}

void CConnectionChecks::PingNow(const std::string& host) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const Result<PingReply> reply = Ping(Net().icmp, host, kPingTtl, kPingTimeout, kPingDataSize);
    if (reply)
        m_lastPing = *reply;
    m_pingLabel.SetText(Text(PingLabelText(reply, local)), true);
}

void CConnectionChecks::CheckMailNow(const MailCheckSettings& settings) {
    WindowMailView view(m_owner, m_mailLabel, m_tray);
    linkvane::CheckMail(Net().sockets, settings, view);
}

}  // namespace linkvane
