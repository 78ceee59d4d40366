// The mail check against real servers on loopback: dovecot for real mailboxes, and scripted
// servers for the misbehaviours a real server does not show on demand.

#include "core/connection/mail_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/posix_sockets.h"
#include "support/golden.h"
#include "tools/dovecot_server.h"
#include "tools/pop3_script_server.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::Drip;
using testing::HangUp;
using testing::Hear;
using testing::Pause;
using testing::Say;
using testing::ServerStep;
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
        events.push_back("box " + caption + ": " + text);
    }
    std::vector<std::string> events;
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

// Each case's stage, error, announcements and the commands the server heard make one
// transcript, compared with golden/pop3_scripts.txt. A closed stream and an overlong line are
// final at once, and a server that answers at once costs no poll interval per reply; no check
// outlasts its one deadline and QUIT's short wait, however slowly the server drips. A reply
// shown has the password ("pw") masked, also where the buffer cut it.
TEST(MailCheck, ScriptedServersEndInTheRightStageInTimeAndAlwaysSendQuit) {
    const std::string kLongLine(1200, 'x');
    std::vector<ServerStep> dripped{Drip("+OK\r\n", 80ms)};
    for (int reply = 0; reply < 5; ++reply) {
        dripped.push_back(Hear());
        dripped.push_back(Drip("+OK\r\n", 80ms));
    }
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
        transcript += std::string("; ") + c.name + "\nstage " +
                      std::to_string(check.outcome.stage) + ", error " +
                      std::to_string(check.outcome.error) + "\n";
        for (const std::string& event : check.events)
            transcript += "  " + event + "\n";
        for (const std::string& command : check.heard)
            transcript += "  > " + command + "\n";
    }
    testing::ExpectGolden("core/connection/golden/pop3_scripts.txt", transcript);
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
    const struct {
        const char* reply;
        std::optional<MailboxStat> stat;
    } cases[] = {
        {"+OK 0 0", MailboxStat{0, 0}},
        {"+OK\t2\t300 octets", MailboxStat{2, 300}},
        {"+OK  7   99", MailboxStat{7, 99}},
        {"+OK 2147483647 2147483647", MailboxStat{2147483647, 2147483647}},
        {"+OK 2147483648 1", std::nullopt},
        {"+OK 1 99999999999999999999", std::nullopt},
        {"+OK 2", std::nullopt},
        {"+OK", std::nullopt},
        {"", std::nullopt},
        {"+ok 1 1", std::nullopt},
        {"-ERR 1 1", std::nullopt},
        {"+OK -5 -100", std::nullopt},
        {"+OK abc def", std::nullopt},
        {"+OK 0x10 5", std::nullopt},
        {"+OK 1 2x", std::nullopt},
        {"+OKAY 7 8", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseStatReply(c.reply), c.stat) << c.reply;
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

}  // namespace
}  // namespace linkvane
