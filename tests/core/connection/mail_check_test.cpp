// The mail check against real servers on loopback: dovecot for real mailboxes, and scripted
// servers for the misbehaviours a real server does not show on demand.

#include "core/connection/mail_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/util/win_error.h"
#include "platform/posix_sockets.h"
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

// Short time-outs keep the suite quick; the rules are the same at 10 s and 60 s.
constexpr Pop3Timeouts kQuick{300ms, 1500ms, 100ms};

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

const std::vector<std::string> kWholeSession{"USER joe", "PASS pw", "NOOP", "STAT", "QUIT"};
const std::vector<std::string> kLoginThenQuit{"QUIT"};

TEST(MailCheck, ScriptedServersEndInTheRightStageAndAlwaysSendQuit) {
    const std::string kLongLine(1200, 'x');
    const struct {
        const char* name;
        std::vector<ServerStep> script;
        int stage;
        std::vector<std::string> events;
        std::vector<std::string> heard;
        std::uint32_t error;
    } cases[] = {
        {"one message",
         Answering("+OK ready\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 1520\r\n", "+OK\r\n"}),
         0,
         {"sound /tmp/ding.wav", "notice 1 New Message (1520 bytes)",
          "status(new) 1 New Message (1520 bytes)"},
         kWholeSession,
         0},
        {"three messages, lower-case greeting, a stall the time-out forgives",
         {Say("+ok hel"), Pause(150ms), Say("lo\r\n"), Hear(), Say("+OK\r\n"), Hear(),
          Say("+OK\r\n"), Hear(), Say("+Ok\r\n"), Hear(), Say("+OK 3 4711\r\n"), Hear(),
          Say("+OK\r\n")},
         0,
         {"sound /tmp/ding.wav", "notice 3 New Messages (4711 bytes)",
          "status(new) 3 New Messages (4711 bytes)"},
         kWholeSession,
         0},
        {"no mail: no sound, no notice",
         Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 0 0\r\n", "+OK\r\n"}),
         0,
         {"status No New Messages."},
         kWholeSession,
         0},
        {"wrong password",
         Answering("+OK\r\n", {"+OK\r\n", "-ERR wrong\r\n", "+OK\r\n"}),
         551,
         {"label Connection Error... 551"},
         {"USER joe", "PASS pw", "QUIT"},
         win::kWsaProtocolNotSupported},
        {"silent server",
         {Pause(1000ms)},
         551,
         {"label Connection Error... 551"},
         kLoginThenQuit,
         win::kWsaTimedOut},
        {"stall longer than the time-out",
         {Say("+OK"), Pause(1000ms)},
         551,
         {"label Connection Error... 551"},
         kLoginThenQuit,
         win::kWsaTimedOut},
        {"drip-fed greeting capped as a whole",
         {Drip("+OK " + std::string(40, '.') + "\r\n", 60ms)},
         551,
         {"label Connection Error... 551"},
         kLoginThenQuit,
         win::kWsaTimedOut},
        {"no line end before the buffer is full",
         {Say(kLongLine)},
         551,
         {"label Connection Error... 551"},
         kLoginThenQuit,
         win::kWsaTimedOut},
        {"closed connection",
         {Say("+OK\r\n"), Hear(), HangUp()},
         551,
         {"label Connection Error... 551"},
         {"USER joe"},
         win::kWsaConnectionReset},
        {"NOOP refused",
         Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "-ERR busy\r\n", "+OK\r\n"}),
         552,
         {"box Connection Error... 552: -ERR busy"},
         {"USER joe", "PASS pw", "NOOP", "QUIT"},
         win::kWsaProtocolNotSupported},
        {"STAT in lower case",
         Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+ok 2 10\r\n", "+OK\r\n"}),
         553,
         {"box Connect Error... 553: +ok 2 10"},
         kWholeSession,
         win::kWsaProtocolNotSupported},
        {"STAT without a size",
         Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 2\r\n", "+OK\r\n"}),
         553,
         {"box Connect Error... 553: +OK 2"},
         kWholeSession,
         win::kWsaProtocolNotSupported},
        {"STAT count beyond 32 bits",
         Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 4294967297 5\r\n", "+OK\r\n"}),
         553,
         {"box Connect Error... 553: +OK 4294967297 5"},
         kWholeSession,
         win::kWsaProtocolNotSupported},
        {"STAT refused",
         Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "-ERR locked\r\n", "+OK\r\n"}),
         553,
         {"box Connect Error... 553: -ERR locked"},
         kWholeSession,
         win::kWsaProtocolNotSupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScriptedPop3Server server(c.script);
        const Check check = RunCheck(server, Settings(server.port()));
        EXPECT_EQ(check.outcome.stage, c.stage);
        EXPECT_EQ(check.outcome.error, c.error);
        EXPECT_EQ(check.events, c.events);
        EXPECT_EQ(check.heard, c.heard);
        // No reply, the QUIT reply included, waits past the whole-reply cap.
        EXPECT_LT(check.took, 2 * kQuick.wholeReply + kQuick.response);
    }
}

TEST(MailCheck, FailuresEndAsSoonAsTheirCauseIsKnown) {
    // A closed stream and an overlong line are final: no waiting out the silence time-out.
    for (const std::vector<ServerStep>& script :
         {std::vector<ServerStep>{Say("+OK\r\n"), Hear(), HangUp()},
          std::vector<ServerStep>{Say(std::string(1200, 'x')), HangUp()}}) {
        testing::ScriptedPop3Server server(script);
        EXPECT_LT(RunCheck(server, Settings(server.port())).took, kQuick.response);
    }
    // A server that answers at once costs no poll interval per reply.
    testing::ScriptedPop3Server fast(
        Answering("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK 0 0\r\n", "+OK\r\n"}));
    EXPECT_LT(RunCheck(fast, Settings(fast.port())).took, 3 * kQuick.poll);
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
