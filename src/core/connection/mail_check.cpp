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
    outcome.tls = session.Tls();
    return outcome;
}

bool IsCertificateRefusal(TlsRefusal refusal) {
    return refusal == TlsRefusal::NotTrusted || refusal == TlsRefusal::HostMismatch ||
           refusal == TlsRefusal::Changed;
}

MailCheckOutcome CheckOnce(SocketLayer& sockets, const MailCheckSettings& settings,
                           MailCheckView& view, Pop3Timeouts timeouts);

}  // namespace

std::string_view TlsRefusalText(TlsRefusal refusal) {
    switch (refusal) {
        case TlsRefusal::None:
            break;
        case TlsRefusal::NoTls:
            return "the server offers no TLS";
        case TlsRefusal::Handshake:
            return "the TLS handshake failed";
        case TlsRefusal::NotTrusted:
            return "certificate not trusted";
        case TlsRefusal::HostMismatch:
            return "host name mismatch";
        case TlsRefusal::Changed:
            return "certificate changed";
    }
    return "";
}

std::string MailFailureText(const MailCheckOutcome& outcome) {
    switch (outcome.stage) {
        case kStageNoop:
            return std::string(kNoopCaption) + ": " + outcome.lastResponse;
        case kStageStat:
            return std::string(kStatCaption) + ": " + outcome.lastResponse;
        default: {
            const std::string_view refusal = TlsRefusalText(outcome.tls.refusal);
            return refusal.empty() ? kConnectionErrorLabel : std::string(refusal);
        }
    }
}

CertificateQuestion QuestionOf(const TlsReport& report, std::string_view host,
                               std::string_view pin) {
    CertificateQuestion question;
    question.refusal = report.refusal;
    question.fingerprint = report.fingerprint;
    question.mayAccept =
        report.refusal == TlsRefusal::NotTrusted || report.refusal == TlsRefusal::HostMismatch;
    const std::string server(host);
    std::string what;
    if (report.refusal == TlsRefusal::NotTrusted)
        what =
            "the certificate of " + server + " is not signed by an authority this system trusts.";
    else if (report.refusal == TlsRefusal::HostMismatch)
        what = "the certificate " + server + " showed is issued for another name.";
    else
        what = server + " showed another certificate than the one pinned for this profile.";
    question.message = std::string(TlsRefusalText(report.refusal)) + ": " + what;
    if (report.refusal == TlsRefusal::Changed)
        question.message += "\nPinned SHA-256 fingerprint: " + std::string(pin);
    question.message += "\nSHA-256 fingerprint: " + report.fingerprint;
    return question;
}

Status PinCertificate(const ProfileStore& store, std::string_view profileName,
                      std::string_view fingerprint) {
    ProfileRecord record;
    record.name = std::string(profileName);
    record.pop3Pin = std::string(fingerprint);
    return store.SaveProfileValue(record, *FindProfileValue("POP3Pin"));
}

MailCheckSettings MailCheckSettingsOf(const ActiveProfile& profile) {
    MailCheckSettings settings;
    settings.host = profile.pop3Host;
    settings.user = profile.username;
    settings.password = profile.ePassword;
    settings.playSound = profile.playSound != 0;
    settings.soundPath = profile.emailSound;
    settings.popupAlert = profile.popupAlert != 0;
    settings.tls.security = Pop3SecurityOf(profile.pop3Security);
    settings.tls.pin = profile.pop3Pin;
    settings.port = settings.tls.security == Pop3Security::Pop3s ? kPop3sPort : kPop3Port;
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
    MailCheckOutcome outcome = CheckOnce(sockets, settings, view, timeouts);
    if (!IsCertificateRefusal(outcome.tls.refusal))
        return outcome;
    const CertificateQuestion question = QuestionOf(outcome.tls, settings.host, settings.tls.pin);
    if (!view.AskAboutCertificate(question) || !question.mayAccept)
        return outcome;
    MailCheckSettings accepted = settings;
    accepted.tls.accept = question.fingerprint;
    return CheckOnce(sockets, accepted, view, timeouts);
}

namespace {

MailCheckOutcome CheckOnce(SocketLayer& sockets, const MailCheckSettings& settings,
                           MailCheckView& view, Pop3Timeouts timeouts) {
    // The session's destructor sends QUIT on every path that left it connected.
    CPop3Session session(sockets, timeouts, settings.tls);
    if (!session.OpenMailbox(settings.host, settings.user, settings.password, settings.port)) {
        const std::string_view refusal = TlsRefusalText(session.Tls().refusal);
        view.ShowConnectionError(refusal.empty() ? kConnectionErrorLabel : std::string(refusal));
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
    outcome.tls = session.Tls();
    return outcome;
}

}  // namespace

}  // namespace linkvane
