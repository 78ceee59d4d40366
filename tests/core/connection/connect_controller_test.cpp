// The Connect controller over the loopback engine (the real modem dialogue against a scripted
// modem) and a real settings store: what each press of Connect and each dial event leads to.

#include "core/connection/connect_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <sstream>

#include "core/connection/dial_events.h"
#include "core/connection/link_status.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "platform/modem_talk.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/loopback_engine.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// A status event as a line of all its fields, so that a turned-back event must match in every one.
std::string Word(const ConnectEvent& e) {
    return std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.state) + " " +
           std::to_string(e.code) + " " + e.text + " " + std::to_string(e.redialsLeft) + " " +
           std::to_string(e.seconds);
}

// Writes down what the controller shows, one word or line for each, in order, and hands its
// events to the status board, whose told changes it turns back into events. Time is the
// test's: a call that comes up moves the clock on by the next of `upFor`.
class RecordingView final : public ConnectView, public LinkStatusObserver {
  public:
    void ShowExclamation(std::string_view text, std::string_view caption) override {
        ShowMessage(text, caption, MessageIcon::Exclamation, {});
    }
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon,
                     std::string_view detail) override {
        Log(std::string(caption) + ": " + std::string(text) +
            (detail.empty() ? "" : " (" + std::string(detail) + ")"));
    }
    void SetConnectButton(int, std::string_view) override {}
    void SetConnectImage(int) override {}
    // The dialling timer blinks the button: its start and its stop are written down.
    bool StartTimer(int id, std::chrono::milliseconds period) override {
        if (id == kTimerDialling && !timers.contains(id))
            Log("blink");
        timers[id] = period;
        return true;
    }
    void StopTimer(int id) override {
        if (timers.erase(id) != 0 && id == kTimerDialling)
            Log("blink off");
    }
    void ShowCallClock(const CallClockText&) override {}
    // The countdown's seconds carry the wait's jitter: only its showing and hiding are logged.
    void ShowRedialWait(std::optional<std::chrono::seconds> left) override {
        if (left.has_value() != countdown)
            Log(left ? "countdown" : "countdown off");
        countdown = left.has_value();
    }
    void RunPing(const ActiveProfile& profile) override { Log("ping " + profile.pingHost); }
    void CheckMail(const ActiveProfile& profile) override { Log("mail " + profile.pop3Host); }
    void Launch(const std::string& path) override { Log("launch " + path); }
    void Reported(const ConnectEvent& event) override {
        using Kind = ConnectEvent::Kind;
        static constexpr const char* kNames[] = {"",          "connected",    "failed ",
                                                 "timed out", "redial ",      "wait ",
                                                 "dial ",     "disconnected", "lan"};
        reported.push_back(Word(event));
        board->Reported(event);
        if (event.kind == Kind::State)
            return;
        up = event.kind == Kind::Connected || (up && event.kind != Kind::Disconnected);
        if (event.kind == Kind::Connected && !upFor.empty()) {
            now += upFor.front();
            upFor.pop_front();
        }
        const std::string more = event.kind == Kind::Failed   ? std::to_string(event.code)
                                 : event.kind == Kind::Redial ? std::to_string(event.redialsLeft)
                                 : event.kind == Kind::Wait   ? "(" + event.text + ")"
                                                              : event.text;
        Log(kNames[static_cast<int>(event.kind)] + more);
    }

    void StatusChanged(const LinkStatus& status, StatusFields changed) override {
        for (const ConnectEvent& event : ConnectEventsOf(status, changed))
            turnedBack.push_back(Word(event));
        if ((changed & kFieldState) != 0)
            states += (states.empty() ? "" : " ") + std::string(LinkStateName(status.state));
    }
    void LineDropped(const LinkStatus& status) override { dropped = status.profile; }

    LinkStatusBoard* board = nullptr;
    std::vector<std::string> reported;
    std::vector<std::string> turnedBack;
    std::string states;
    std::string dropped;
    std::string log;
    bool countdown = false;
    bool up = false;  // the link is up
    std::map<int, std::chrono::milliseconds> timers;
    SteadyTime now{0};
    std::deque<std::chrono::seconds> upFor;

  private:
    void Log(const std::string& line) { log += (log.empty() ? "" : ", ") + line; }
};

class ConnectControllerTest : public testing::ConfigHomeTest {
  protected:
    void SetUp() override {
        ConfigHomeTest::SetUp();
        m_store = std::make_unique<SqliteRegistryStore>(linkvaneDir());
        COXRegistryItem settings(*m_store, kSettingsKey);
        settings.SetNumberValue(1, "RedialTimeout");
        settings.SetNumberValue(1, "LaunchEmail");
        settings.SetStringValue("/usr/bin/mailer", "EmailPath");
        // Without a phonebook entry the loopback engine dials the entry's name. 5551's ping
        // host is too short to arm the timer; 5558 is a LAN profile; 5559 has no login (its
        // start page is written all the same).
        const struct {
            const char *name, *login, *pingHost, *password;
            std::int32_t useLan, redialPause, reconnect;
            std::vector<std::string> numbers;  // the entry's own, then its alternates
        } profiles[] = {
            {"5551", "jo", "abc", "s3cret", 0, 0, 0, {}},
            {"5552", "jo", "abcd", "s3cret", 0, 0, 0, {}},
            {"5558", "jo", "abcd", "s3cret", 1, 0, 0, {}},
            {"5559", "", "abcd", "s3cret", 0, 0, 0, {}},
            {"Refused", "jo", "", "guess", 0, 0, 0, {"5581"}},
            {"Three", "jo", "", "s3cret", 0, 30, 0, {"5571", "5572", "5573"}},
            {"Paced", "jo", "", "s3cret", 0, 20, 0, {"5591", "5592"}},
            {"Drops", "jo", "", "s3cret", 0, 0, 1, {"5561"}},
        };
        for (const auto& p : profiles) {
            ProfileRecord record;
            record.name = p.name;
            record.login = p.login;
            record.password = p.password;
            record.useLan = p.useLan;
            record.pingHost = p.pingHost;
            record.pingFreq = 5;
            record.pop3Host = "192.0.2.2";
            record.checkEmail = record.setIE = 1;
            record.popMinutes = 10;
            record.homepage = std::string("http://192.0.2.9/") + p.name;
            record.redialPause = p.redialPause;
            record.reconnect = p.reconnect;
            ASSERT_TRUE(ProfileStore(*m_store).SaveProfile(record, false));
            if (p.numbers.empty())
                continue;
            PhonebookEntry entry;
            entry.name = p.name;
            entry.properties.localPhoneNumber = p.numbers.front();
            entry.alternateNumbers.assign(p.numbers.begin() + 1, p.numbers.end());
            ASSERT_TRUE(m_phonebook.WriteEntry(entry));
        }
    }

    std::unique_ptr<SqliteRegistryStore> m_store;
    PhonebookFile m_phonebook{linkvaneDir() / "phonebook.json"};
};

// golden/connect_controller.txt: each case as what it shows, RedialAttempts, the modem's
// script, the profiles pressed in turn (each dial to its end; "!": pressed twice), the redial
// waits in seconds (each within 10%), the seconds each call is up before the modem drops it
// ("-": none) and the wait during which Connect is pressed again (-1: the dial followed to its
// end); then its log, the timers left running and the status told to other programs: its
// states and reason, and a dropped line told apart from a hang-up. Each told change turns
// back into the events that made it (what "linkvanectl connect" prints through the program).
TEST_F(ConnectControllerTest, EachPressAndDialEventLeadsToItsTimersMessagesAndRedials) {
    const LineModemTalk talk;
    testing::ExpectGoldenAnswers("core/connection/golden/connect_controller.txt", [&](auto& row) {
        std::istringstream fields(row);
        std::string what, attempts, script, pressed, waited, upFor;
        for (std::string* field : {&what, &attempts, &script, &pressed, &waited, &upFor}) {
            std::getline(fields >> std::ws, *field, '|');
            field->erase(field->find_last_not_of(' ') + 1);
        }
        int pressAtWait = 0;
        fields >> pressAtWait;
        COXRegistryItem(*m_store, kSettingsKey)
            .SetNumberValue(static_cast<std::uint32_t>(std::stoul(attempts)), "RedialAttempts");
        LoopbackOptions options;
        options.modem = *ParseModemScript(script == "-" || script == "idle" ? "" : script);
        options.linkUpDelay = 5ms;
        options.acceptedPassword = "s3cret";
        testing::TaskQueue queue;
        // "idle": the engine of a program that cannot dial at all.
        CRasDialer dialer(script == "idle" ? std::unique_ptr<DialerEngine>(new IdleDialerEngine)
                                           : std::make_unique<LoopbackDialerEngine>(options, talk),
                          queue.Poster());
        RecordingView view;
        std::istringstream ups(upFor);
        for (int seconds = 0; ups >> seconds;)
            view.upFor.emplace_back(seconds);
        ConnectController controller(
            *m_store, m_phonebook, dialer, view,
            {[&] { return std::time_t{1000000} + view.now.count() / 1000; },
             [&] { return view.now; }});
        LinkStatusBoard board(controller, dialer, view);
        view.board = &board;
        dialer.SetEventSink(&controller);
        controller.LoadStartupSettings();
        std::vector<std::chrono::milliseconds> waits;
        std::istringstream presses(pressed);
        for (std::string name; presses >> name;) {
            if (name.starts_with("!")) {
                name.erase(0, 1);
                controller.Connect(name);
            }
            const bool hangsUp = controller.Active();
            controller.Connect(name);
            // Until the dial has ended, or is up (for good, unless a wait is to be ended by
            // Connect); each wait ends when the clock has moved on by its length.
            for (;;) {
                if (!queue.RunUntil(
                        [&] {
                            return !controller.Active() || view.timers.contains(kTimerRedialWait) ||
                                   (view.up && pressAtWait == 0 && !hangsUp);
                        },
                        20s)) {
                    return "never ended: " + view.log;
                }
                if (!view.timers.contains(kTimerRedialWait))
                    break;
                waits.push_back(view.timers.at(kTimerRedialWait));
                if (static_cast<int>(waits.size()) == pressAtWait) {
                    controller.Connect(name);
                    break;
                }
                view.now += view.timers.at(kTimerRedialWait);
                controller.OnTimer(kTimerRedialWait);
            }
        }
        std::istringstream expected(waited);
        std::vector<double> wanted;
        for (double seconds = 0; expected >> seconds;)
            wanted.push_back(seconds);
        EXPECT_EQ(waits.size(), wanted.size()) << what;
        for (std::size_t i = 0; i < std::min(waits.size(), wanted.size()); ++i) {
            EXPECT_NEAR(static_cast<double>(waits[i].count()), wanted[i] * 1000, wanted[i] * 100)
                << what << ", wait " << i;
        }
        if (view.up) {
            // The call's figures: its link's counters (not another link's) and its time.
            ActiveConnection other;
            other.entryName = "Other";
            other.volume = LinkVolume{1, 1};
            ActiveConnection ours;
            ours.entryName = board.Status().profile;
            ours.volume = LinkVolume{4096, 1024};
            board.LinksListed({other, ours});
            board.ClockShown(controller.CallStartTime() + 61);
            EXPECT_EQ(board.Status().bytesIn, 4096u) << what;
            EXPECT_EQ(board.Status().bytesOut, 1024u) << what;
            EXPECT_EQ(board.Status().callSeconds, 61) << what;
        }
        EXPECT_EQ(view.turnedBack, view.reported) << what;
        // The blinking and the call clock are the controller's timers; 1040 is not.
        EXPECT_TRUE(controller.OnTimer(kTimerDialling) && controller.OnTimer(kTimerCall));
        EXPECT_FALSE(controller.OnTimer(kTimerDialling + 1));
        std::string report = view.log + " | timers:";
        for (const auto& [id, period] : view.timers)
            report += " " + std::to_string(id) + "=" + std::to_string(period.count());
        const LinkStatus& status = board.Status();
        dialer.SetEventSink(nullptr);
        return report + " | states: " + view.states + " | profile " + status.profile + ", number " +
               status.number + ", reason " + std::to_string(status.reason.code) + " " +
               status.reason.text + " | dropped: " + (view.dropped.empty() ? "none" : view.dropped);
    });
    const std::string startPage = "\\Software\\Microsoft\\Internet Explorer\\Main\\";
    EXPECT_EQ(COXRegistryItem(*m_store, startPage).GetStringValue("Start Page"),
              "http://192.0.2.9/5559")
        << "every Connect writes the client settings, the blank login's too";
    // A dial-up profile's entry has its terminal window switched off before the dial.
    const auto terminal =
        COXRegistryItem(*m_store, "\\RemoteAccess\\Profile\\5552\\").GetRawValue("Terminal");
    ASSERT_TRUE(terminal && terminal->data.size() == 44u);
    EXPECT_EQ(terminal->data[8], 7);
    EXPECT_FALSE(COXRegistryItem(*m_store, "\\RemoteAccess\\Profile\\5558\\").Open());
}

// Calls that drop after a second each: the back-off doubles from 5 s up to 600 s, each wait
// within its 10% jitter, and a new Connect starts it afresh, from the entry's own number.
TEST(RedialPolicy, ReconnectBackOffDoublesUpToTenMinutesAndEachConnectStartsAfresh) {
    RedialPolicy policy;
    SteadyTime now{0};
    std::vector<std::chrono::milliseconds> waits;
    for (const int drops : {9, 1}) {
        policy.Start({"5561", "5562"}, {0s, true});
        for (int drop = 0; drop < drops; ++drop) {
            EXPECT_EQ(policy.Dial(now), "5561");
            policy.LinkUp(now);
            const std::optional<RedialWait> wait = policy.AfterDrop(now += 1s);
            ASSERT_TRUE(wait && wait->reason == "dropped");
            waits.push_back(wait->time);
            now += wait->time;
        }
        (void)policy.AfterFailure(kDialErrorBusy, now);  // on to 5562; a new Connect starts over
    }
    const double expected[] = {5, 10, 20, 40, 80, 160, 320, 600, 600, 5};
    ASSERT_EQ(waits.size(), std::size(expected));
    for (std::size_t i = 0; i < waits.size(); ++i)
        EXPECT_NEAR(std::chrono::duration<double>(waits[i]).count(), expected[i], expected[i] / 10)
            << i;
}

}  // namespace
}  // namespace linkvane
