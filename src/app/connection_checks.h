#pragma once

// CConnectionChecks: the main window's keep-alive ping and mail check, each for the profile it
// is handed (the active profile). It owns the run's ICMP echo library, the last successful
// PingReply and the sockets (made at the first check: a window that never pings holds none),
// and writes the outcome into the window's "Last Ping:" and "New Email:" labels, the tray icon
// and its tooltip, with the sound, the "New Email Messages" notice and the failure message
// boxes of the mail check.
//
// Both operations wait for the network in a local event loop (CEventLoopWait), during which a
// timer may ask for another ping or check: such a request runs right after the current one,
// never inside it (a ping before a check; a later request of the same kind replaces an
// earlier one). GUI thread only.

#include <QtCore/QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/clients/active_profile.h"
#include "core/connection/mail_check.h"
#include "core/connection/ping.h"

class QWidget;

namespace linkvane {

class CTextLabel;
class CTrayIcon;

class CConnectionChecks {
  public:
    // pop3Port is 110 in the program; tests point it at their own server.
    CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel, CTrayIcon& tray,
                      std::uint16_t pop3Port = kPop3Port);
    ~CConnectionChecks();

    // Pings profile.pingHost; checks the profile's mailbox.
    void RunPing(const ActiveProfile& profile);
    void CheckMail(const ActiveProfile& profile);

    const PingReply& LastPing() const { return m_lastPing; }

  private:
    struct Network;
    // What to run: a ping of a host, a mail check with these settings, or both (ping first).
    struct Request {
        std::optional<std::string> pingHost;
        std::optional<MailCheckSettings> mail;
        bool Empty() const { return !pingHost && !mail; }
    };
    void Run(Request request);
    void PingNow(const std::string& host);
    void CheckMailNow(const MailCheckSettings& settings);
    Network& Net();

    QWidget& m_owner;
    CTextLabel& m_pingLabel;
    CTextLabel& m_mailLabel;
    CTrayIcon& m_tray;
    std::uint16_t m_pop3Port;
    std::unique_ptr<Network> m_network;
    PingReply m_lastPing;
    bool m_busy = false;
    Request m_waiting;  // asked for while another check was running
};

}  // namespace linkvane
