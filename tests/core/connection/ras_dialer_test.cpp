// The modem dialogue on its own, as data, and the dialler control over the loopback engine:
// the real modem dialogue, the engine base's time-out, hang-up and reports, and the control's
// events on the poster's thread.

#include "core/connection/ras_dialer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

#include "core/connection/dial_events.h"
#include "core/connection/modem_dialogue.h"
#include "core/connection/modem_probe.h"
#include "platform/modem_talk.h"
#include "support/golden.h"
#include "tools/loopback_engine.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::RecordingSink;
using testing::TaskQueue;

// golden/modem_answers.txt holds what a modem answers to each command in turn ("|" between
// the answers), and after each the commands the dialogue sent and how it ended. A question
// that runs out of answers ends with the answer's time-out.
std::string Converse(const std::string& answers) {
    ModemDialogue dialogue("AT&F", "5551");
    std::istringstream replies(answers);
    std::string said;
    for (std::string reply; !dialogue.Connected() && !dialogue.Failure();) {
        const std::string command = dialogue.TakeCommand();
        said += command.empty() ? "" : command.substr(0, command.size() - 1) + " ";
        if (!std::getline(replies, reply, '|')) {
            if (!dialogue.AnswerLimit())
                return said + "=> still dialling";
            dialogue.AnswerTimedOut();
            break;
        }
        dialogue.Receive(reply);
    }
    if (dialogue.Connected())
        return said + "=> connected \"" + dialogue.ConnectText() + "\"";
    return said + "=> " + std::to_string(dialogue.Failure()->errorCode) + " " +
           dialogue.Failure()->text;
}

TEST(ModemDialogue, EachAnswerLeadsToItsCommandsAndItsEnd) {
    testing::ExpectGoldenAnswers("core/connection/golden/modem_answers.txt", Converse);
}

// golden/modem_models.txt: a probe's answers to ATI and to AT+GMM ("ATI lines ; GMM lines",
// lines split at '|'), and the model it names.
TEST(ModemDialogue, TheModelComesFromGmmWhenItSaysOneElseFromAti) {
    const auto lines = [](std::string_view text) {
        std::vector<std::string> split;
        for (std::istringstream in{std::string(text)}; !in.eof();)
            std::getline(in, split.emplace_back(), '|');
        return text.empty() ? std::vector<std::string>{} : split;
    };
    testing::ExpectGoldenAnswers("core/connection/golden/modem_models.txt", [&](auto& answers) {
        const std::size_t cut = answers.find(" ; ");
        return '"' +
               ModelFromAnswers(lines(answers.substr(0, cut)), lines(answers.substr(cut + 3))) +
               '"';
    });
}

const LineModemTalk kTalk{};

LoopbackOptions Options(const std::string& script) {
    LoopbackOptions options;
    options.modem = *ParseModemScript(script);
    options.linkUpDelay = 5ms;
    options.answerTime = 300ms;
    options.acceptedPassword = "s3cret";
    return options;
}

struct Dialling {
    explicit Dialling(LoopbackOptions options)
        : dialer(std::make_unique<LoopbackDialerEngine>(std::move(options), kTalk),
                 queue.Poster()) {
        dialer.SetEventSink(&sink);
        dialer.SetUserName("jo");
        dialer.SetPassword("s3cret");
        dialer.SetDialTimeout(2);
    }
    std::int16_t Dial(const std::string& number) {
        dialer.SetEntryName(number);
        return dialer.Dial();
    }
    bool RunUntilEnded() {
        return queue.RunUntil([this] { return sink.Ended(); });
    }

    TaskQueue queue;
    RecordingSink sink;
    CRasDialer dialer;
};

// golden/dialer_answers.txt: a modem script, the number and the password ("/" between them),
// and how the dial ended with the code and text the control reports. The dialogue's every
// answer is modem_answers.txt; here one of each way a dial ends through the engine.
std::string DialAnswer(const std::string& question) {
    const std::size_t first = question.find(" / "), second = question.rfind(" / ");
    LoopbackOptions options = Options(question.substr(0, first));
    options.initString = "AT&F";
    Dialling d(options);
    d.dialer.SetDialTimeout(1);
    d.dialer.SetPassword(question.substr(second + 3));
    if (d.Dial(question.substr(first + 3, second - first - 3)) != 0)
        return "refused";
    if (!d.queue.RunUntil([&] { return d.sink.Ended() || d.dialer.GetConnected(); }))
        return "never ended";
    d.queue.RunUntil([&] { return d.sink.Ended(); }, 300ms);  // a script may drop the line
    // Ended on the engine's thread, its events not yet run: still a dial that started.
    std::string answer = d.dialer.DialsStarted() == 1 ? "" : "not counted! ";
    for (const std::string& event : d.sink.Outcome())
        answer += event + ", ";
    answer += "code " + std::to_string(d.dialer.GetErrorCode());
    for (const std::string& text : d.sink.texts)
        answer += ": " + (text.empty() ? "no reason given!" : text);
    return answer;
}

TEST(RasDialer, EachWayADialEndsIsReportedWithItsCode) {
    testing::ExpectGoldenAnswers("core/connection/golden/dialer_answers.txt", DialAnswer);
}

// A hang-up in each state ends the dial with one "disconnected" and no failure; at once and
// once up, for 500 rounds on one dialler each (under ThreadSanitizer: the engine thread, the
// modem thread and this thread share the state, the hang-up and the reports). On the way the
// states rise through the dial and the link is up at 8192, where a second dial is refused.
TEST(RasDialer, HangUpInEachStateEndsTheDialWithDisconnectedOnly) {
    const struct {
        const char* script;
        std::int16_t hangUpAt;  // hang up once this state is reported; 0 at once
        unsigned rounds = 1;
    } cases[] = {{"", 0, 500},
                 {"5551=silent", kRasConnectDevice},
                 {"5551=connect:200", kRasConnectDevice},
                 {"", kRasAuthenticate},
                 {"", kRasConnected, 500}};
    for (const auto& c : cases) {
        LoopbackOptions options = Options(c.script);
        options.linkUpDelay = c.hangUpAt == kRasAuthenticate ? 100ms : 0ms;
        Dialling d(options);
        for (unsigned round = 0; round < c.rounds; ++round) {
            d.sink.events.clear();
            ASSERT_EQ(d.Dial("5551"), 0) << round;
            // The engine's thread may have moved on; the dial is under way all the same.
            EXPECT_GE(d.dialer.GetConnectionState(), kRasPortOpened) << "under way at once";
            EXPECT_TRUE(d.dialer.CallActive());
            if (c.hangUpAt != 0) {
                const std::string wanted = "state " + std::to_string(c.hangUpAt);
                ASSERT_TRUE(d.queue.RunUntil([&] {
                    return !d.sink.events.empty() && d.sink.events.back() == wanted;
                })) << wanted;
            }
            if (c.hangUpAt == kRasConnected) {
                EXPECT_EQ(d.sink.events, (std::vector<std::string>{"state 2", "state 3", "state 5",
                                                                   "state 8192"}));
                EXPECT_EQ(d.Dial("5552"), kDialErrorAlreadyDialling);
                EXPECT_EQ(d.dialer.DialsStarted(), round + 1u) << "a refused dial is not one";
            }
            EXPECT_EQ(d.dialer.HangUp(), 0);
            ASSERT_TRUE(d.RunUntilEnded()) << c.hangUpAt;
            EXPECT_EQ(std::count(d.sink.events.begin(), d.sink.events.end(), "disconnected"), 1);
            EXPECT_EQ(d.sink.texts.size(), 0u) << "a hang-up is no failure";
            EXPECT_EQ(d.dialer.GetConnectionState(), 0);
            EXPECT_FALSE(d.dialer.CallActive());
        }
    }
}

TEST(RasDialer, EventsQueuedWhenTheDiallerGoesAreDropped) {
    TaskQueue queue;
    RecordingSink sink;
    {
        CRasDialer dialer(std::make_unique<LoopbackDialerEngine>(Options("5551=busy"), kTalk),
                          queue.Poster());
        dialer.SetEventSink(&sink);
        dialer.SetEntryName("5551");
        ASSERT_EQ(dialer.Dial(), 0);
        while (dialer.GetConnectionState() != 0)
            std::this_thread::sleep_for(1ms);
    }
    std::size_t looks = 0;  // once, and again after each queued task
    queue.RunUntil([&] { return ++looks == 0; }, 50ms);
    EXPECT_GT(looks, 1u);
    EXPECT_TRUE(sink.events.empty());
}

// An observer that takes its time over each report.
class SlowObserver final : public DialerEngineObserver {
  public:
    void EngineStateChanged(std::int16_t) override { Report(); }
    void EngineDisconnected() override { Report(); }
    void EngineFailed(std::int16_t, const std::string&) override { Report(); }
    void EngineTimedOut() override { Report(); }
    std::atomic<bool> inside{false};
    std::atomic<int> reports{0};

  private:
    void Report() {
        inside = true;
        ++reports;
        std::this_thread::sleep_for(30ms);
        inside = false;
    }
};

TEST(DialerEngineBase, ClearingTheObserverWaitsForTheReportUnderWay) {
    LoopbackDialerEngine engine(Options(""), kTalk);
    SlowObserver observer;
    engine.SetObserver(&observer);
    ASSERT_EQ(engine.Dial({"5551", "jo", "s3cret", 5, ""}), 0);
    while (!observer.inside)
        std::this_thread::yield();
    engine.SetObserver(nullptr);
    EXPECT_FALSE(observer.inside) << "no report runs once SetObserver(nullptr) has returned";
    const int seen = observer.reports;
    engine.HangUp();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(observer.reports, seen) << "and none starts";
}

TEST(RasDialer, DialTimeoutComesFromTheStoredRedialTimeout) {
    testing::ExpectGoldenAnswers("core/connection/golden/dial_timeouts.txt", [](auto& stored) {
        const auto setting = DialTimeoutFromSetting(std::stoi(stored));
        return std::to_string(setting.seconds) + " s" + (setting.writeBack ? ", written back" : "");
    });
}

}  // namespace
}  // namespace linkvane
