#pragma once

// CConnectionChecks: the main window's keep-alive ping and mail check, each for the profile it
// is handed (the active profile). It owns the run's ICMP echo library, the last successful
// PingReply and the sockets (made at the first check: a window that never pings holds none),
// and writes the outcome into the window's "Last Ping:" and "New Email:" labels, the tray icon
// and its tooltip, with the sound, the "New Email Messages" notice and the failure message
// boxes of the mail check.
// A certificate the system does not trust is shown with its fingerprint for the user to accept
// (then pinned in the profile's settings, and handed to `pinned` so that the active profile
// follows) or not; a refused one is not asked about again while the program runs, and a
// changed one is told of once.
//
// Both operations wait for the network in a local event loop (CEventLoopWait), during which a
// timer may ask for another ping or check: such a request runs right after the current one,
// never inside it (a ping before a check; a later request of the same kind replaces an
// earlier one, and whoever waited for either is told of the one that runs). Every ping and
// check that has run is told to the reports, whoever asked for it; the "New Email Messages"
// notice gives way to a bubble when the reports show one. GUI thread only.

#include <QtCore/QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/app/bubbles.h"
#include "core/clients/active_profile.h"
#include "core/connection/mail_check.h"
#include "core/connection/ping.h"
#include "core/profiles/registry_store.h"

class QWidget;

namespace linkvane {

class CTextLabel;
class CTrayIcon;

// A ping as the "Last Ping:" label tells it.
struct PingOutcome {
    bool ok = false;
    std::string text;
};
using PingDone = std::function<void(const PingOutcome&)>;
using MailDone = std::function<void(const MailCheckOutcome&)>;

struct CheckReports {
    PingDone pinged;
    MailDone mailChecked;
    // Shows a bubble in place of the new-mail notice; false: show the notice.
    std::function<bool(const Bubble&)> bubble;
};

class CConnectionChecks {
  public:
    // Told the profile's name and the fingerprint the user has just accepted.
    using PinnedHandler = std::function<void(const std::string& profile, const std::string& pin)>;

    // pop3Port is 0 in the program (the profile's port); tests point it at their own server.
    CConnectionChecks(QWidget& owner, CTextLabel& pingLabel, CTextLabel& mailLabel, CTrayIcon& tray,
                      RegistryStore& registry, std::uint16_t pop3Port = 0,
                      PinnedHandler pinned = {});
    ~CConnectionChecks();

    void SetReports(CheckReports reports) { m_reports = std::move(reports); }

    // Pings profile.pingHost; checks the profile's mailbox. done, when given, is told of the
    // outcome once it has been shown.
    void RunPing(const ActiveProfile& profile, PingDone done = {});
    void CheckMail(const ActiveProfile& profile, MailDone done = {});

    const PingReply& LastPing() const { return m_lastPing; }

  private:
    struct Network;
    // What to run: a ping of a host, a mail check of a profile, or both (ping first).
    struct Request {
        std::optional<std::string> pingHost;
        std::optional<ActiveProfile> mail;
        std::vector<PingDone> pingWaiters;
        std::vector<MailDone> mailWaiters;
        bool Empty() const { return !pingHost && !mail; }
    };
    void Run(Request request);
    PingOutcome PingNow(const std::string& host);
    MailCheckOutcome CheckMailNow(const ActiveProfile& profile);
    Network& Net();

    QWidget& m_owner;
    CTextLabel& m_pingLabel;
    CTextLabel& m_mailLabel;
    CTrayIcon& m_tray;
    RegistryStore& m_registry;
    std::uint16_t m_pop3Port;
    PinnedHandler m_pinned;
    CheckReports m_reports;
    std::set<std::string> m_certificatesTold;  // fingerprints the user has seen and refused
    std::unique_ptr<Network> m_network;
    PingReply m_lastPing;
    bool m_busy = false;
    Request m_waiting;  // asked for while another check was running
};

}  // namespace linkvane
