// The mail check against real servers on loopback: dovecot for real mailboxes, and scripted
// servers for the misbehaviours a real server does not show on demand.

#include "core/connection/mail_check.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <map>
#include <sstream>

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
// How long a check may take at most: its one deadline, QUIT's short wait, and a poll on each.
constexpr Clock::duration kWithin = kQuick.wholeCheck + kQuick.quitReply + 2 * kQuick.poll;

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

// The check against `server`: its stage, error and announcements and the commands the server
// heard, and how long it took.
std::string Transcript(testing::ScriptedPop3Server& server, const MailCheckSettings& settings,
                       Clock::duration& took) {
    PollWait wait;
    PosixSocketLayer sockets(wait);
    RecordingView view;
    const Clock::time_point start = Clock::now();
    const MailCheckOutcome outcome = CheckMail(sockets, settings, view, kQuick);
    took = Clock::now() - start;
    std::string text = "stage " + std::to_string(outcome.stage) + ", error " +
                       std::to_string(outcome.error) + "\n";
    for (const std::string& event : view.events)
        text += "  " + event + "\n";
    for (const std::string& command : server.Heard())
        text += "  > " + command + "\n";
    return text + (server.Connected() ? "" : "  (no connection)\n");
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

// The certificates made for the test, once for all its cases, their authority trusted as the
// system's would be.
class MailCheckTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        certificates = std::make_unique<testing::TestCertificates>();
        ::setenv("SSL_CERT_FILE", certificates->authority().c_str(), 1);
    }
    static void TearDownTestSuite() {
        ::unsetenv("SSL_CERT_FILE");
        certificates.reset();
    }
    static inline std::unique_ptr<testing::TestCertificates> certificates;
};

// Each case's stage, error, announcements and the commands the server heard make one
// transcript, compared with golden/pop3_scripts.txt. A closed stream and an overlong line are
// final at once, and a server that answers at once costs no poll interval per reply; no check
// outlasts its one deadline and QUIT's short wait, however slowly the server drips. A reply
// shown has the password ("pw") masked, also where the buffer cut it. In the TLS modes a
// server that offers no TLS, or refuses it, never hears USER or PASS, and what a server sends
// before the handshake never counts as a reply after it. Stored credentials with a line break
// are refused before connecting.
TEST_F(MailCheckTest, ScriptedServersEndInTheRightStageInTimeAndAlwaysSendQuit) {
    const std::string kLongLine(1200, 'x');
    const std::vector<ServerStep> login = Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n"});
    const struct {
        const char* name;
        std::vector<ServerStep> script;
        Clock::duration within = kWithin;
        Pop3Security security = Pop3Security::Plain;
        std::string user = "joe";
        std::string password = "pw";
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
        // The deadline falls while NOOP's reply drips blanks after "+OK", well clear of any
        // byte that would change the text shown.
        {"every reply dripped within the silence allowed",
         {Drip("+OK\r\n", 60ms), Hear(), Drip("+OK\r\n", 60ms), Hear(), Drip("+OK\r\n", 60ms),
          Hear(), Drip("+OK", 60ms), Drip(std::string(30, ' '), 150ms)}},
        {"NOOP refused, QUIT answered late",
         {Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(),
          Say("-ERR busy\r\n"), Hear(), Pause(1000ms), Say("+OK\r\n")},
         kQuick.quitReply + kQuick.poll},
        {"auto: CAPA without STLS",
         Answering("+OK\r\n", {"+OK\r\nUSER\r\nSASL PLAIN\r\n.\r\n", "+OK\r\n"}), kWithin,
         Pop3Security::Auto},
        {"auto: CAPA refused", Answering("+OK\r\n", {"-ERR what?\r\n", "+OK\r\n"}), kWithin,
         Pop3Security::Auto},
        {"stls: STLS refused", Answering("+OK\r\n", {"-ERR not here\r\n", "+OK\r\n"}), kWithin,
         Pop3Security::Stls},
        {"auto: bytes sent with the answer to STLS are thrown away",
         {Say("+OK\r\n"), Hear(), Say("+OK\r\nSTLS\r\n.\r\n"), Hear(),
          Say("+OK begin\r\n+OK\r\n+OK\r\n+OK 9 999\r\n"), StartTls(certificates->localhost),
          Hear(), Say("+OK\r\n.\r\n"), Hear(), Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(),
          Say("+OK\r\n"), Hear(), Say("+OK 2 300\r\n"), Hear(), Say("+OK\r\n")},
         kWithin,
         Pop3Security::Auto},
        {"a line break in the user", login, kQuick.poll, Pop3Security::Plain, "joe\r\nDELE 1"},
        {"a line break in the password", login, kQuick.poll, Pop3Security::Plain, "joe",
         "pw\nDELE 1"},
        {"a NUL in the password", login, kQuick.poll, Pop3Security::Plain, "joe",
         std::string("pw\0DELE 1", 9)},
    };
    std::string transcript;
    for (const auto& c : cases) {
        testing::ScriptedPop3Server server(c.script);
        MailCheckSettings settings = Settings(server.port(), c.user, c.password);
        settings.tls.security = c.security;
        Clock::duration took{};
        transcript += std::string("; ") + c.name + "\n" + Transcript(server, settings, took);
        EXPECT_LT(took, c.within) << c.name;
    }
    testing::ExpectGolden("core/connection/golden/pop3_scripts.txt", transcript);
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

// Against dovecot with certificates made for the test. golden/dovecot_checks.txt: the server
// (and its port), the mode, the host, the user and the password, the pin and the fingerprint
// accepted with the settings (by their certificates' names, "-" for none), and whether the
// user accepts when asked; then the check's text or the label of its failure, the certificate
// the server showed (its fingerprint as openssl reads it) and whether one was accepted now.
// Dovecot makes the next login from an address wait after a refused one: that row comes last.
TEST_F(MailCheckTest, DovecotCountsTheMailAndLogsInOverTlsOnlyWithACertificateItMayTrust) {
    const std::vector<testing::Mailbox> boxes{
        {"empty", "secret", {}},
        {"one", "secret", {testing::MessageOfSize(500)}},
        {"three",
         "secret",
         {testing::MessageOfSize(500), testing::MessageOfSize(700), testing::MessageOfSize(300)}},
    };
    testing::DovecotServer trusted(boxes, &certificates->localhost);
    testing::DovecotServer elsewhere(boxes, &certificates->elsewhere);
    testing::DovecotServer selfSigned(boxes, &certificates->selfSigned);
    const std::map<std::string, std::uint16_t> ports{{"trusted", trusted.port()},
                                                     {"trusted:pop3s", trusted.pop3sPort()},
                                                     {"elsewhere", elsewhere.port()},
                                                     {"self-signed", selfSigned.port()},
                                                     {"self-signed:pop3s", selfSigned.pop3sPort()}};
    const std::map<std::string, std::string> prints{
        {"-", ""},
        {"trusted", certificates->localhost.fingerprint},
        {"replaced", certificates->replaced.fingerprint},
        {"elsewhere", certificates->elsewhere.fingerprint},
        {"self-signed", certificates->selfSigned.fingerprint}};
    const std::map<std::string, Pop3Security> modes{{"plain", Pop3Security::Plain},
                                                    {"auto", Pop3Security::Auto},
                                                    {"stls", Pop3Security::Stls},
                                                    {"pop3s", Pop3Security::Pop3s}};
    PollWait wait;
    PosixSocketLayer sockets(wait);
    testing::ExpectGoldenAnswers("core/connection/golden/dovecot_checks.txt", [&](auto& row) {
        std::string server, mode, host, user, password, pin, accept, asked;
        std::istringstream(row) >> server >> mode >> host >> user >> password >> pin >> accept >>
            asked;
        MailCheckSettings settings = Settings(ports.at(server), user, password);
        settings.host = host;
        settings.popupAlert = settings.playSound = false;
        settings.tls = {modes.at(mode), prints.at(pin), prints.at(accept)};
        RecordingView view;
        view.accept = asked == "accepts";
        const MailCheckOutcome outcome = CheckMail(sockets, settings, view);
        std::string shown = outcome.stage == 0 ? outcome.text : "no label!";
        for (const std::string& event : view.events)
            shown = outcome.stage != 0 && event.starts_with("label ") ? event : shown;
        std::string showed = "-";
        for (const auto& [name, print] : prints)
            showed = !print.empty() && print == outcome.tls.fingerprint ? name : showed;
        return shown + ", showed " + showed + (outcome.tls.acceptedNow ? ", accepted now" : "");
    });
}

}  // namespace
}  // namespace linkvane
