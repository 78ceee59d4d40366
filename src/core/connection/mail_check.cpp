#include "core/connection/mail_check.h"

namespace linkvane {
namespace {

const char* const kNoNewMessages = "No New Messages.";
const char* const kConnectionErrorLabel = "Connection Error... 551";
const char* const kNoopCaption = "Connection Error... 552";
const char* const kStatCaption = "Connect Error... 553";

// A server may repeat what it was sent, the password too: the outcome never carries it.
MailCheckOutcome Failed(int stage, const CPop3Session& session, std::string_view password) {
    MailCheckOutcome outcome;
    outcome.stage = stage;
    outcome.error = session.LastError();
    outcome.lastResponse = MaskPassword(session.LastResponse(), password);
    return outcome;
}

}  // namespace

MailCheckSettings MailCheckSettingsOf(const ActiveProfile& profile) {
    MailCheckSettings settings;
    settings.host = profile.pop3Host;
    settings.user = profile.username;
    settings.password = profile.mailPassword;
    settings.playSound = profile.playSound != 0;
    settings.soundPath = profile.emailSound;
    settings.popupAlert = profile.popupAlert != 0;
    return settings;
}

std::string MailStatusText(const MailboxStat& stat) {
    if (stat.count == 0)
        return kNoNewMessages;
    return std::to_string(stat.count) + (stat.count == 1 ? " New Message (" : " New Messages (") +
           std::to_string(stat.size) + " bytes)";
}

MailCheckOutcome CheckMail(SocketLayer& sockets, const MailCheckSettings& settings,
                           MailCheckView& view, Pop3Timeouts timeouts) {
    // The session's destructor sends QUIT on every path that left it connected.
    CPop3Session session(sockets, timeouts);
    if (!session.OpenMailbox(settings.host, settings.user, settings.password, settings.port)) {
        view.ShowConnectionError(kConnectionErrorLabel);
        return Failed(kStageConnection, session, settings.password);
    }
    if (!session.Noop()) {
        MailCheckOutcome outcome = Failed(kStageNoop, session, settings.password);
        view.ShowCheckFailure(outcome.lastResponse, kNoopCaption);
        return outcome;
    }
    const std::optional<MailboxStat> stat = session.Stat();
    if (!stat) {
        MailCheckOutcome outcome = Failed(kStageStat, session, settings.password);
        view.ShowCheckFailure(outcome.lastResponse, kStatCaption);
        return outcome;
    }
    MailCheckOutcome outcome;
    outcome.stat = *stat;
    outcome.text = MailStatusText(*stat);
    const bool newMail = stat->count != 0;
    if (newMail && settings.playSound)
        view.PlayMailSound(settings.soundPath);
    if (newMail && settings.popupAlert)
        view.ShowNewMailNotice(outcome.text);
    view.ShowMailStatus(outcome.text, newMail);
    session.CloseMailbox();
    return outcome;
}

}  // namespace linkvane
