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

#include <cstdint>
#include <string>
#include <string_view>

#include "core/clients/active_profile.h"
#include "core/connection/network.h"
#include "core/connection/pop3_session.h"

namespace linkvane {

inline constexpr std::uint16_t kPop3Port = 110;
inline constexpr int kStageConnection = 551;
inline constexpr int kStageNoop = 552;
inline constexpr int kStageStat = 553;

struct MailCheckSettings {
    std::string host;      // POP3Host
    std::string user;      // Username
    std::string password;  // the deciphered EPassword
    std::uint16_t port = kPop3Port;
    bool playSound = false;   // PlaySound
    std::string soundPath;    // EmailSound
    bool popupAlert = false;  // PopupAlert
};

MailCheckSettings MailCheckSettingsOf(const ActiveProfile& profile);

struct MailCheckOutcome {
    int stage = 0;  // 0 on success, else 551, 552 or 553
    std::uint32_t error = 0;
    std::string lastResponse;
    MailboxStat stat;
    std::string text;  // the label's text on success
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
};

// Announces nothing: for callers that read the outcome instead (the command line, benchmarks).
class SilentMailView : public MailCheckView {
  public:
    void PlayMailSound(const std::string&) override {}
    void ShowNewMailNotice(const std::string&) override {}
    void ShowMailStatus(const std::string&, bool) override {}
    void ShowConnectionError(const std::string&) override {}
    void ShowCheckFailure(const std::string&, const std::string&) override {}
};

// "No New Messages.", "1 New Message (N bytes)", "N New Messages (N bytes)".
std::string MailStatusText(const MailboxStat& stat);

MailCheckOutcome CheckMail(SocketLayer& sockets, const MailCheckSettings& settings,
                           MailCheckView& view, Pop3Timeouts timeouts = {});

}  // namespace linkvane
