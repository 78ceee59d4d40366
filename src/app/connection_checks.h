#pragma once

// CConnectionChecks: the main window's keep-alive ping and mail check. It owns the run's ICMP
// echo library, the last successful PingReply and the sockets, and writes the outcome into
// the window's "Last Ping:" and "New Email:" labels, the tray icon and its tooltip, with the
// sound, the "New Email Messages" notice and the failure message boxes of the mail check.
// A certificate the system does not trust is shown with its fingerprint for the user to accept
// (then pinned in the active profile) or not; a refused one is not asked about again while the
// program runs, and a changed one is told of once.
//
// Both operations wait for the network in a local event loop (CEventLoopWait), during which a
// timer may ask for another ping or check: such a request runs right after the current one,
// never inside it. GUI thread only.

#include <QtCore/QPointer>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "app/event_loop_wait.h"
#include "core/connection/mail_check.h"
#include "core/connection/ping.h"
#include "platform/icmp_socket.h"
#include "platform/posix_sockets.h"

class QWidget;

namespace linkvane {

class CTextLabel;
class CTrayIcon;

class CConnectionChecks {
  public:
    // pop3Port is 0 in the program (the profile's port); tests point it at their own server.
    CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel, CTrayIcon& tray,
                      RegistryStore& registry, std::uint16_t pop3Port = 0);

    void RunPing();
    void CheckMail();

    const PingReply& LastPing() const { return m_lastPing; }

  private:
    enum class Check { Ping, Mail };
    void Run(Check check);
    void PingNow();
    void CheckMailNow();

    QWidget& m_owner;
    CTextLabel& m_pingLabel;
    CTextLabel& m_mailLabel;
    CTrayIcon& m_tray;
    RegistryStore& m_registry;
    std::uint16_t m_pop3Port;
    std::set<std::string> m_certificatesTold;  // fingerprints the user has seen and refused
    CEventLoopWait m_wait;
    PosixSocketLayer m_sockets{m_wait};
    LinuxIcmpEcho m_echo{m_wait};
    IcmpLibrary m_icmp{m_echo};
    PingReply m_lastPing;
    bool m_busy = false;
    std::set<Check> m_waiting;  // asked for while another check was running
};

}  // namespace linkvane
