// The Connect controller over the loopback engine (the real modem dialogue against a scripted
// modem) and a real settings store: what each press of Connect and each dial event leads to.

#include "core/connection/connect_controller.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

#include "core/connection/dial_events.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "platform/modem_talk.h"
#include "platform/sqlite_registry_store.h"
#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/loopback_engine.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// Writes down what the controller shows, one word or line for each, in order.
class RecordingView final : public ConnectView {
  public:
    void ShowExclamation(std::string_view text, std::string_view caption) override {
        ShowMessage(text, caption, MessageIcon::Exclamation, {});
    }
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon,
                     std::string_view) override {
        Log(std::string(caption) + ": " + std::string(text));
    }
    void SetConnectButton(int, std::string_view) override {}
    void SetConnectImage(int) override {}
    // The dialling timer blinks the button: its start and its stop are written down.
    bool StartTimer(int id, std::chrono::milliseconds period) override {
        if (id == kTimerDialling)
            Log("blink");
        timers[id] = period;
        return true;
    }
    void StopTimer(int id) override {
        if (timers.erase(id) != 0 && id == kTimerDialling)
            Log("blink off");
    }
    void ShowCallClock(const CallClockText&) override {}
    void RunPing(const ActiveProfile& profile) override { Log("ping " + profile.pingHost); }
    void CheckMail(const ActiveProfile& profile) override { Log("mail " + profile.pop3Host); }
    void Launch(const std::string& path) override { Log("launch " + path); }
    void Reported(const ConnectEvent& event) override {
        using Kind = ConnectEvent::Kind;
        static constexpr const char* kNames[] = {"",          "connected", "failed ",
                                                 "timed out", "redial ",   "disconnected"};
        if (event.kind == Kind::State)
            return;
        settled = settled || event.kind == Kind::Connected || event.kind == Kind::Disconnected;
        const std::string number = event.kind == Kind::Failed   ? std::to_string(event.code)
                                   : event.kind == Kind::Redial ? std::to_string(event.redialsLeft)
                                                                : "";
        Log(kNames[static_cast<int>(event.kind)] + number);
    }

    std::string log;
    bool settled = false;  // the dial is up or has ended
    std::map<int, std::chrono::milliseconds> timers;

  private:
    void Log(const std::string& line) { log += (log.empty() ? "" : "\n") + line; }
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
        // The entry's name is the number the loopback engine dials. 5551's ping host is too
        // short to arm the timer; 5558 is a LAN profile; 5559 has no login (its start page is
        // written all the same).
        for (const auto& [name, login, useLan, pingHost] :
             {std::tuple{"5551", "jo", 0, "abc"}, std::tuple{"5552", "jo", 0, "abcd"},
              std::tuple{"5558", "jo", 1, "abcd"}, std::tuple{"5559", "", 0, "abcd"}}) {
            ProfileRecord record;
            record.name = name;
            record.login = login;
            record.password = "s3cret";
            record.useLan = useLan;
            record.pingHost = pingHost;
            record.pingFreq = 5;
            record.pop3Host = "192.0.2.2";
            record.checkEmail = record.setIE = 1;
            record.popMinutes = 10;
            record.homepage = std::string("http://192.0.2.9/") + name;
            ASSERT_TRUE(ProfileStore(*m_store).SaveProfile(record, false));
        }
    }

    std::unique_ptr<SqliteRegistryStore> m_store;
};

// Each case's log and the timers left running are in golden/connect_controller.txt.
TEST_F(ConnectControllerTest, EachPressAndDialEventLeadsToItsTimersMessagesAndRedials) {
    const struct {
        const char* what;
        std::uint32_t attempts;  // RedialAttempts
        const char* script;      // the modem's
        const char* presses;     // profiles pressed in turn, each dial to its end; "!": twice
    } cases[] = {
        {"a failure needs a budget above 1", 1, "5552=busy", "5552"},
        {"a time-out redials while the budget lasts", 1, "5552=silent", "5552"},
        {"failures use the budget up", 3, "5552=busy", "5552"},
        {"no dial tone is fatal", 3, "5552=nodialtone", "5552"},
        {"a modem that cannot initialise is fatal", 3, "init=error", "5552"},
        {"the budget is the run's: a good call between does not raise it", 2, "5552=silent",
         "5552 5551 5551 5552"},
        {"a call up runs the clock, ping and mail, and launches", 3, "", "5552"},
        {"pressed while dialling: hang up", 3, "5552=connect:3000", "!5552"},
        {"a LAN profile dials nothing and starts ping and mail", 3, "", "5558"},
        {"a blank login dials nothing", 3, "", "5559"},
    };
    const LineModemTalk talk;
    std::string report;
    for (const auto& c : cases) {
        COXRegistryItem(*m_store, kSettingsKey).SetNumberValue(c.attempts, "RedialAttempts");
        LoopbackOptions options;
        options.modem = *ParseModemScript(c.script);
        options.linkUpDelay = 5ms;
        options.acceptedPassword = "s3cret";
        testing::TaskQueue queue;
        CRasDialer dialer(std::make_unique<LoopbackDialerEngine>(options, talk), queue.Poster());
        RecordingView view;
        ConnectController controller(*m_store, dialer, view);
        dialer.SetEventSink(&controller);
        controller.LoadStartupSettings();
        std::istringstream presses(c.presses);
        for (std::string name; presses >> name;) {
            view.settled = false;
            if (name.starts_with("!")) {
                name.erase(0, 1);
                controller.Connect(name);
            }
            // A dial or a hang-up may have ended before the press returns; its events are
            // still to come.
            const bool wasActive = dialer.CallActive();
            controller.Connect(name);
            if (wasActive || view.timers.contains(kTimerDialling)) {
                ASSERT_TRUE(queue.RunUntil([&] { return view.settled; }, 20s)) << view.log;
            }
        }
        report += std::string("# ") + c.what + "\n" + view.log + "\ntimers:";
        for (const auto& [id, period] : view.timers)
            report += " " + std::to_string(id) + "=" + std::to_string(period.count());
        report += "\n";
        dialer.SetEventSink(nullptr);
    }
    testing::ExpectGolden("core/connection/golden/connect_controller.txt", report);
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

}  // namespace
}  // namespace linkvane
