// The mail check against real servers on loopback: dovecot for real mailboxes, and scripted
// servers for the misbehaviours a real server does not show on demand.

#include "core/connection/mail_check.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>

#include "platform/posix_sockets.h"
#include "support/golden.h"
#include "tools/dovecot_server.h"
#include "tools/pop3_script_server.h"
#include "tools/test_certificates.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::Drip;
using testing::HangUp;
using testing::Hear;
using testing::Pause;
using testing::Say;
using testing::ServerStep;
using testing::StartTls;
using Clock = std::chrono::steady_clock;

// Short time-outs keep the suite quick; the rules are the same at 10 s, 60 s and 1 s.
constexpr Pop3Timeouts kQuick{300ms, 1500ms, 100ms, 100ms};

// What the check announced, in order.
class RecordingView final : public MailCheckView {
  public:
    void PlayMailSound(const std::string& path) override { events.push_back("sound " + path); }
    void ShowNewMailNotice(const std::string& text) override { events.push_back("notice " + text); }
    void ShowMailStatus(const std::string& text, bool newMail) override {
        events.push_back((newMail ? "status(new) " : "status ") + text);
    }
    void ShowConnectionError(const std::string& labelText) override {
        events.push_back("label " + labelText);
    }
    void ShowCheckFailure(const std::string& text, const std::string& caption) override {
        events.push_back("box " + caption + ": " + text.substr(0, text.find_last_not_of(' ') + 1));
    }
    bool AskAboutCertificate(const CertificateQuestion& question) override {
        events.push_back("asked " + question.message);
        return question.mayAccept && accept;
    }
    std::vector<std::string> events;
    bool accept = false;
};

struct Check {
    MailCheckOutcome outcome;
    std::vector<std::string> events;
    std::vector<std::string> heard;
    Clock::duration took;
};

MailCheckSettings Settings(std::uint16_t port, std::string user = "joe",
                           std::string password = "pw") {
    MailCheckSettings settings;
    settings.host = "127.0.0.1";
    settings.user = std::move(user);
    settings.password = std::move(password);
    settings.port = port;
    settings.playSound = true;
    settings.soundPath = "/tmp/ding.wav";
    settings.popupAlert = true;
    return settings;
}

Check RunCheck(testing::ScriptedPop3Server& server, MailCheckSettings settings) {
    PollWait wait;
    PosixSocketLayer sockets(wait);
    RecordingView view;
    const Clock::time_point start = Clock::now();
    Check check{CheckMail(sockets, settings, view, kQuick), {}, {}, {}};
    check.took = Clock::now() - start;
    check.events = view.events;
    check.heard = server.Heard();
    return check;
}

// A server that greets and answers each command of the session in turn.
std::vector<ServerStep> Answering(std::string greeting, std::vector<std::string> replies) {
    std::vector<ServerStep> script{Say(std::move(greeting))};
    for (std::string& reply : replies) {
        script.push_back(Hear());
        script.push_back(Say(std::move(reply)));
    }
    return script;
}

// The replies of a whole session whose STAT is answered with `stat`.
std::vector<std::string> Session(const std::string& stat) {
    return {"+OK\r\n", "+OK\r\n", "+OK\r\n", stat + "\r\n", "+OK\r\n"};
}

// A case's stage, error, announcements and the commands the server heard.
std::string Transcript(const char* name, const Check& check) {
    std::string text = std::string("; ") + name + "\nstage " + std::to_string(check.outcome.stage) +
                       ", error " + std::to_string(check.outcome.error) + "\n";
    for (const std::string& event : check.events)
        text += "  " + event + "\n";
    for (const std::string& command : check.heard)
        text += "  > " + command + "\n";
    return text;
}

// Certificates made for the test, their authority trusted as the system's would be.
class TrustedTestAuthority {
  public:
    TrustedTestAuthority() { ::setenv("SSL_CERT_FILE", certificates.authority().c_str(), 1); }
    ~TrustedTestAuthority() { ::unsetenv("SSL_CERT_FILE"); }
    testing::TestCertificates certificates;
};

// Each case's stage, error, announcements and the commands the server heard make one
// transcript, compared with golden/pop3_scripts.txt. A closed stream and an overlong line are
// final at once, and a server that answers at once costs no poll interval per reply; no check
// outlasts its one deadline and QUIT's short wait, however slowly the server drips. A reply
// shown has the password ("pw") masked, also where the buffer cut it.
TEST(MailCheck, ScriptedServersEndInTheRightStageInTimeAndAlwaysSendQuit) {
    const std::string kLongLine(1200, 'x');
    // The deadline falls while NOOP's reply drips blanks after "+OK", well clear of any byte
    // that would change the text shown.
    std::vector<ServerStep> dripped{Drip("+OK\r\n", 60ms)};
    for (int reply = 0; reply < 2; ++reply) {
        dripped.push_back(Hear());
        dripped.push_back(Drip("+OK\r\n", 60ms));
    }
    dripped.push_back(Hear());
    dripped.push_back(Drip("+OK", 60ms));
    dripped.push_back(Drip(std::string(30, ' '), 150ms));
    const struct {
        const char* name;
        std::vector<ServerStep> script;
        Clock::duration within = kQuick.wholeCheck + kQuick.quitReply + 2 * kQuick.poll;
    } cases[] = {
        {"one message", Answering("+OK ready\r\n", Session("+OK 1 1520"))},
        {"three messages, lower-case greeting, a stall the time-out forgives",
         {Say("+ok hel"), Pause(150ms), Say("lo\r\n"), Hear(), Say("+OK\r\n"), Hear(),
          Say("+OK\r\n"), Hear(), Say("+Ok\r\n"), Hear(), Say("+OK 3 4711\r\n"), Hear(),
          Say("+OK\r\n")}},
        {"no mail, at once", Answering("+OK\r\n", Session("+OK 0 0")), 3 * kQuick.poll},
        {"wrong password", Answering("+OK\r\n", {"+OK\r\n", "-ERR wrong\r\n", "+OK\r\n"})},
        {"silent server", {Pause(1000ms)}},
        {"stall longer than the time-out", {Say("+OK"), Pause(1000ms)}},
        {"no line end before the buffer is full", {Say(kLongLine)}},
        {"no line end, then closed", {Say(kLongLine), HangUp()}, kQuick.response},
        {"closed connection", {Say("+OK\r\n"), Hear(), HangUp()}, kQuick.response},
        {"NOOP refused", Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "-ERR busy\r\n", "+OK\r\n"})},
        {"STAT refused", Answering("+OK\r\n", Session("-ERR locked"))},
        {"STAT with signs", Answering("+OK\r\n", Session("+OK -5 -100"))},
        {"STAT refused, repeating the password", Answering("+OK\r\n", Session("-ERR no pw, pw"))},
        {"STAT cut inside the password",
         Answering("+OK\r\n", Session(std::string(98, 's') + "pw"))},
        {"every reply dripped within the silence allowed", dripped},
        {"NOOP refused, QUIT answered late",
         {Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(),
          Say("-ERR busy\r\n"), Hear(), Pause(1000ms), Say("+OK\r\n")},
         kQuick.quitReply + kQuick.poll},
    };
    std::string transcript;
    for (const auto& c : cases) {
        testing::ScriptedPop3Server server(c.script);
        const Check check = RunCheck(server, Settings(server.port()));
        EXPECT_LT(check.took, c.within) << c.name;
        transcript += Transcript(c.name, check);
    }
    testing::ExpectGolden("core/connection/golden/pop3_scripts.txt", transcript);
}

// In the TLS modes a server that offers no TLS, or refuses it, never hears USER or PASS, and
// what a server sends before the handshake never counts as a reply after it.
TEST(MailCheck, ScriptedServersGetTheLoginOnlyOverTls) {
    const TrustedTestAuthority trust;
    const struct {
        const char* name;
        Pop3Security security;
        std::vector<ServerStep> script;
    } cases[] = {
        {"auto: CAPA without STLS", Pop3Security::Auto,
         Answering("+OK\r\n", {"+OK\r\nUSER\r\nSASL PLAIN\r\n.\r\n", "+OK\r\n"})},
        {"auto: CAPA refused", Pop3Security::Auto,
         Answering("+OK\r\n", {"-ERR what?\r\n", "+OK\r\n"})},
        {"stls: STLS refused", Pop3Security::Stls,
         Answering("+OK\r\n", {"-ERR not here\r\n", "+OK\r\n"})},
        {"auto: bytes sent with the answer to STLS are thrown away",
         Pop3Security::Auto,
         {Say("+OK\r\n"), Hear(), Say("+OK\r\nSTLS\r\n.\r\n"), Hear(),
          Say("+OK begin\r\n+OK\r\n+OK\r\n+OK 9 999\r\n"), StartTls(trust.certificates.localhost),
          Hear(), Say("+OK\r\n.\r\n"), Hear(), Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(),
          Say("+OK\r\n"), Hear(), Say("+OK 2 300\r\n"), Hear(), Say("+OK\r\n")}},
    };
    std::string transcript;
    for (const auto& c : cases) {
        testing::ScriptedPop3Server server(c.script);
        MailCheckSettings settings = Settings(server.port());
        settings.tls.security = c.security;
        transcript += Transcript(c.name, RunCheck(server, settings));
    }
    testing::ExpectGolden("core/connection/golden/pop3_tls_scripts.txt", transcript);
}

TEST(MailCheck, LineBreaksInStoredCredentialsAreRefusedBeforeConnecting) {
    for (const auto& [user, password] : {std::pair<std::string, std::string>{"joe\r\nDELE 1", "pw"},
                                         {"joe", "pw\nDELE 1"},
                                         {"joe", std::string("pw\0DELE 1", 9)}}) {
        testing::ScriptedPop3Server server(Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n"}));
        const Check check = RunCheck(server, Settings(server.port(), user, password));
        EXPECT_EQ(check.outcome.stage, 551);
        EXPECT_EQ(check.events, std::vector<std::string>{"label Connection Error... 551"});
        EXPECT_FALSE(server.Connected());
    }
}

TEST(MailCheck, ParsesStatRepliesAsTheServerWroteThem) {
    testing::ExpectGoldenAnswers("core/connection/golden/stat_replies.txt",
                                 [](const std::string& reply) {
                                     const std::optional<MailboxStat> stat = ParseStatReply(reply);
                                     return stat ? std::to_string(stat->count) + " messages, " +
                                                       std::to_string(stat->size) + " bytes"
                                                 : "refused";
                                 });
}

TEST(MailCheck, DovecotMailboxesAreCountedAndAWrongPasswordIsRefused) {
    testing::DovecotServer dovecot({
        {"empty", "secret", {}},
        {"one", "secret", {testing::MessageOfSize(500)}},
        {"three",
         "secret",
         {testing::MessageOfSize(500), testing::MessageOfSize(700), testing::MessageOfSize(300)}},
    });
    const struct {
        const char* user;
        const char* password;
        int stage;
        const char* text;
    } cases[] = {
        {"empty", "secret", 0, "No New Messages."},
        {"one", "secret", 0, "1 New Message (500 bytes)"},
        {"three", "secret", 0, "3 New Messages (1500 bytes)"},
        {"one", "wrong", 551, ""},
    };
    PollWait wait;
    PosixSocketLayer sockets(wait);
    for (const auto& c : cases) {
        MailCheckSettings settings = Settings(dovecot.port(), c.user, c.password);
        RecordingView view;
        // Real time-outs: dovecot delays its answer to a wrong password.
        const MailCheckOutcome outcome = CheckMail(sockets, settings, view);
        EXPECT_EQ(outcome.stage, c.stage) << c.user;
        EXPECT_EQ(outcome.text, c.text) << c.user;
    }
}

// Against dovecot with certificates made for the test: each mode logs in where it may and
// refuses with its reason where it may not; the fingerprint is the one openssl reads.
TEST(MailCheck, DovecotOverTlsLogsInOnlyWithACertificateItMayTrust) {
    const TrustedTestAuthority trust;
    const testing::TestCertificates& certificates = trust.certificates;
    const std::vector<testing::Mailbox> boxes{{"one", "secret", {testing::MessageOfSize(500)}}};
    testing::DovecotServer plain(boxes);
    testing::DovecotServer trusted(boxes, &certificates.localhost);
    testing::DovecotServer replaced(boxes, &certificates.replaced);
    testing::DovecotServer elsewhere(boxes, &certificates.elsewhere);
    testing::DovecotServer selfSigned(boxes, &certificates.selfSigned);
    const std::string kOk = "1 New Message (500 bytes)";
    const std::string& ownPrint = certificates.selfSigned.fingerprint;
    const std::string& trustedPrint = certificates.localhost.fingerprint;
    const std::string& replacedPrint = certificates.replaced.fingerprint;
    const struct {
        const char* name;
        std::uint16_t port;
        Pop3Security security;
        std::string text;  // the check's text, or the label of its failure
        std::string fingerprint;
        std::string pin = {};
        std::string accept = {};  // given with the settings
        bool userAccepts = false;
        const char* host = "127.0.0.1";
        const char* password = "secret";
    } cases[] = {
        {"stls", trusted.port(), Pop3Security::Stls, kOk, trustedPrint},
        {"auto, by name", trusted.port(), Pop3Security::Auto, kOk, trustedPrint, "", "", false,
         "localhost"},
        {"pop3s", trusted.pop3sPort(), Pop3Security::Pop3s, kOk, trustedPrint},
        {"plain, to a server with TLS", trusted.port(), Pop3Security::Plain, kOk, ""},
        {"stls, wrong password", trusted.port(), Pop3Security::Stls, "Connection Error... 551",
         trustedPrint, "", "", false, "127.0.0.1", "wrong"},
        {"auto, no TLS", plain.port(), Pop3Security::Auto, "the server offers no TLS", ""},
        {"stls, no TLS", plain.port(), Pop3Security::Stls, "the server offers no TLS", ""},
        {"pop3s to a clear-text port", trusted.port(), Pop3Security::Pop3s,
         "the TLS handshake failed", ""},
        {"another name", elsewhere.port(), Pop3Security::Stls, "host name mismatch",
         certificates.elsewhere.fingerprint},
        {"self-signed", selfSigned.port(), Pop3Security::Stls, "certificate not trusted", ownPrint},
        {"self-signed, pinned", selfSigned.pop3sPort(), Pop3Security::Pop3s, kOk, ownPrint,
         ownPrint},
        {"self-signed, accepted", selfSigned.port(), Pop3Security::Stls, kOk, ownPrint, "",
         ownPrint},
        {"self-signed, the user accepts", selfSigned.port(), Pop3Security::Stls, kOk, ownPrint, "",
         "", true},
        {"replaced, though trusted", replaced.port(), Pop3Security::Stls, "certificate changed",
         replacedPrint, trustedPrint},
        {"replaced and accepted", replaced.port(), Pop3Security::Stls, kOk, replacedPrint,
         trustedPrint, replacedPrint},
    };
    PollWait wait;
    PosixSocketLayer sockets(wait);
    for (const auto& c : cases) {
        MailCheckSettings settings = Settings(c.port, "one", c.password);
        settings.host = c.host;
        settings.popupAlert = settings.playSound = false;
        settings.tls = {c.security, c.pin, c.accept};
        RecordingView view;
        view.accept = c.userAccepts;
        // Real time-outs: dovecot delays its answer to a wrong password.
        const MailCheckOutcome outcome = CheckMail(sockets, settings, view);
        const std::string shown = outcome.stage == 0 ? "status(new) " + c.text : "label " + c.text;
        EXPECT_NE(std::find(view.events.begin(), view.events.end(), shown), view.events.end())
            << c.name;
        EXPECT_EQ(outcome.stage == 0, c.text == kOk) << c.name;
        EXPECT_EQ(outcome.tls.fingerprint, c.fingerprint) << c.name;
        EXPECT_EQ(outcome.tls.acceptedNow, !c.accept.empty() || c.userAccepts) << c.name;
    }
}

}  // namespace
}  // namespace linkvane
