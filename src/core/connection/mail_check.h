#pragma once

// The mail check: one POP3 session against the active profile's mailbox, and how its outcome
// is announced. The window announces in its mail label, the tray and (when the profile asks)
// a sound and the "New Email Messages" notice; the command line prints.
//
// Order, as the user sees it: on new mail the sound plays and the notice is shown (and closed)
// first, then the label and tray change, then QUIT goes out. A failure before the mailbox is
// open shows "Connection Error... 551" in the label; a failed NOOP or STAT shows the server's
// last response in a message box captioned "Connection Error... 552" or "Connect Error... 553",
// and the label and tray keep what they showed. The last response, shown or returned, has the
// password masked (MaskPassword). The check as a whole ends within Pop3Timeouts' wholeCheck
// (and QUIT's short wait); the connect may spend up to the socket layer's own limit of it.
// One thread.
//
// A TLS refusal before the mailbox is open shows its own text in the label instead ("the
// server offers no TLS", "the TLS handshake failed", "certificate not trusted", "host name
// mismatch", "certificate changed"). For a certificate the system does not trust, or one
// issued for another name, the view may ask the user to accept it once, showing its SHA-256
// fingerprint; the check then runs again with it (a new session, with a deadline of its own),
// and the outcome says to pin it.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/clients/active_profile.h"
#include "core/connection/network.h"
#include "core/connection/pop3_session.h"
#include "core/profiles/profile_store.h"

namespace linkvane {

inline constexpr std::uint16_t kPop3Port = 110;
inline constexpr int kStageConnection = 551;
inline constexpr int kStageNoop = 552;
inline constexpr int kStageStat = 553;

struct MailCheckSettings {
    std::string host;                // POP3Host
    std::string user;                // Username
    std::string password;            // the deciphered EPassword
    std::uint16_t port = kPop3Port;  // kPop3sPort for pop3s
    Pop3Tls tls;                     // POP3Security and POP3Pin
    bool playSound = false;          // PlaySound
    std::string soundPath;           // EmailSound
    bool popupAlert = false;         // PopupAlert
};

MailCheckSettings MailCheckSettingsOf(const ActiveProfile& profile);

struct MailCheckOutcome {
    int stage = 0;  // 0 on success, else 551, 552 or 553
    std::uint32_t error = 0;
    std::string lastResponse;
    MailboxStat stat;
    std::string text;  // the label's text on success
    TlsReport tls;     // tls.acceptedNow: the caller pins tls.fingerprint (PinCertificate)
};

// What the window asks after a certificate's message when the user may accept it.
inline constexpr std::string_view kAcceptCertificateQuestion =
    "Accept this certificate for this profile? Compare the fingerprint with the one your "
    "provider gives. Once accepted it is pinned: only this certificate is accepted from now on.";

// A refused certificate, as the user is told of it.
struct CertificateQuestion {
    TlsRefusal refusal = TlsRefusal::None;  // NotTrusted, HostMismatch or Changed
    std::string fingerprint;                // the server's
    std::string message;                    // what happened, with the fingerprints
    bool mayAccept = false;                 // false for a changed certificate
};

// Where the check announces. Called on the checking thread, in the order described above.
class MailCheckView {
  public:
    virtual ~MailCheckView() = default;
    virtual void PlayMailSound(const std::string& path) = 0;
    virtual void ShowNewMailNotice(const std::string& text) = 0;  // modal: returns when closed
    // The label, the tray tooltip and the tray icon (new mail or not).
    virtual void ShowMailStatus(const std::string& text, bool newMail) = 0;
    virtual void ShowConnectionError(const std::string& labelText) = 0;
    virtual void ShowCheckFailure(const std::string& text, const std::string& caption) = 0;
    // Tells of a refused certificate; true when the user accepts it (only if mayAccept).
    virtual bool AskAboutCertificate(const CertificateQuestion& question) = 0;
};

// Announces nothing: for callers that read the outcome instead (the command line, benchmarks).
class SilentMailView : public MailCheckView {
  public:
    void PlayMailSound(const std::string&) override {}
    void ShowNewMailNotice(const std::string&) override {}
    void ShowMailStatus(const std::string&, bool) override {}
    void ShowConnectionError(const std::string&) override {}
    void ShowCheckFailure(const std::string&, const std::string&) override {}
    bool AskAboutCertificate(const CertificateQuestion&) override { return false; }
};

// "No New Messages.", "1 New Message (N bytes)", "N New Messages (N bytes)".
std::string MailStatusText(const MailboxStat& stat);

MailCheckOutcome CheckMail(SocketLayer& sockets, const MailCheckSettings& settings,
                           MailCheckView& view, Pop3Timeouts timeouts = {});

// What a failed check says in one line: the label's text of a failure before the mailbox is
// open ("Connection Error... 551", or the TLS refusal), else the message box's caption and the
// server's last response ("Connect Error... 553: -ERR ...").
std::string MailFailureText(const MailCheckOutcome& outcome);

// The label's text for a TLS refusal ("" for none).
std::string_view TlsRefusalText(TlsRefusal refusal);
// What the user is told of a refused certificate for host: the refusal's text, then the
// server's fingerprint, and for a changed one the pinned fingerprint too.
CertificateQuestion QuestionOf(const TlsReport& report, std::string_view host,
                               std::string_view pin);

// Stores fingerprint as the profile's POP3Pin, leaving its other values as they are.
Status PinCertificate(const ProfileStore& store, std::string_view profileName,
                      std::string_view fingerprint);

}  // namespace linkvane
