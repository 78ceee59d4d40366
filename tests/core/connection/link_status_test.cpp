// The status the running program shows other programs, kept from the real Connect controller's
// events over the loopback engine: the states and reasons it tells, a dropped line told apart
// from a hang-up, the call's figures, and each told change turning back into the events that
// made it (what "linkvanectl connect" prints through the program).

#include "core/connection/link_status.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/connection/dial_events.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "platform/modem_talk.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/dial_peers.h"
#include "support/temp_dir.h"
#include "tools/loopback_engine.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

std::string Word(const ConnectEvent& event) {
    using Kind = ConnectEvent::Kind;
    switch (event.kind) {
        case Kind::State:
            return "state " + std::to_string(event.state);
        case Kind::Connected:
            return "connected";
        case Kind::Failed:
            return "failed " + std::to_string(event.code);
        case Kind::TimedOut:
            return "timedOut";
        case Kind::Redial:
            return "redial " + std::to_string(event.redialsLeft);
        case Kind::Wait:
            return "wait " + std::to_string(event.seconds) + " " + event.text;
        case Kind::Dial:
            return "dial " + event.text;
        case Kind::Disconnected:
            return "disconnected";
        case Kind::Lan:
            return "lan";
    }
    return "?";
}

// Hands the controller's events to the board and writes them down; shows nothing.
class BoardView final : public ConnectView, public LinkStatusObserver {
  public:
    void ShowExclamation(std::string_view, std::string_view) override {}
    void ShowMessage(std::string_view, std::string_view, MessageIcon, std::string_view) override {}
    void SetConnectButton(int, std::string_view) override {}
    void SetConnectImage(int) override {}
    bool StartTimer(int, std::chrono::milliseconds) override { return true; }
    void StopTimer(int) override {}
    void ShowCallClock(const CallClockText&) override {}
    void RunPing(const ActiveProfile&) override {}
    void CheckMail(const ActiveProfile&) override {}
    void Launch(const std::string&) override {}
    void Reported(const ConnectEvent& event) override {
        reported.push_back(Word(event));
        board->Reported(event);
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
};

class LinkStatusTest : public testing::ConfigHomeTest {
  protected:
    void SetUp() override {
        ConfigHomeTest::SetUp();
        m_store = std::make_unique<SqliteRegistryStore>(linkvaneDir());
        m_phonebook = std::make_unique<PhonebookFile>(linkvaneDir() / "phonebook.json");
        COXRegistryItem(*m_store, kSettingsKey).SetNumberValue(1, "RedialTimeout");
        // The loopback engine dials the entry's name as the number.
        for (const char* name : {"5552", "5558", "5559"}) {
            ASSERT_TRUE(m_phonebook->WriteEntry(testing::DialEntry(name, "/dev/null", name)));
            ProfileRecord record;
            record.name = name;
            record.login = "jo";
            record.password = "s3cret";
            record.useLan = std::string(name) == "5558" ? 1 : 0;
            record.reconnect = std::string(name) == "5559" ? 1 : 0;
            ASSERT_TRUE(ProfileStore(*m_store).SaveProfile(record, false));
        }
    }

    std::unique_ptr<SqliteRegistryStore> m_store;
    std::unique_ptr<PhonebookFile> m_phonebook;
};

TEST_F(LinkStatusTest, EachEventIsToldAndTurnsBackIntoItselfAndADropIsNoHangUp) {
    enum class Then { Nothing, HangUpWhenUp, HangUpWhenWaiting };
    const struct {
        const char* what;
        const char* profile;
        std::uint32_t attempts;
        const char* script;
        Then then;
        const char* states;
        std::int32_t reason;
        bool dropped;
    } cases[] = {
        {"busy, redialled, then given up", "5552", 2, "5552=busy", Then::Nothing, "dialling idle",
         25676, false},
        {"no answer within the time-out", "5552", 0, "5552=silent", Then::Nothing, "dialling idle",
         0, false},
        {"a call whose line drops", "5552", 0, "5552=connect:10:200", Then::Nothing,
         "dialling connected idle", 0, true},
        {"a call hung up", "5552", 0, "", Then::HangUpWhenUp, "dialling connected idle", 0, false},
        {"a drop that waits to reconnect, hung up", "5559", 0, "5559=connect:10:200",
         Then::HangUpWhenWaiting, "dialling connected waiting waiting idle", 0, true},
        {"a LAN profile", "5558", 0, "", Then::Nothing, "LAN", 0, false},
    };
    const LineModemTalk talk;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        COXRegistryItem(*m_store, kSettingsKey).SetNumberValue(c.attempts, "RedialAttempts");
        LoopbackOptions options;
        options.modem = *ParseModemScript(c.script);
        options.linkUpDelay = 5ms;
        testing::TaskQueue queue;
        CRasDialer dialer(std::make_unique<LoopbackDialerEngine>(options, talk), queue.Poster());
        BoardView view;
        ConnectController controller(*m_store, *m_phonebook, dialer, view);
        LinkStatusBoard board(controller, dialer, view);
        view.board = &board;
        dialer.SetEventSink(&controller);
        controller.LoadStartupSettings();
        controller.Connect(c.profile);
        const auto said = [&](const std::string& word) {
            return std::any_of(view.reported.begin(), view.reported.end(),
                               [&](const std::string& w) { return w.starts_with(word); });
        };
        if (controller.Active()) {
            ASSERT_TRUE(queue.RunUntil([&] { return said("connected") || !controller.Active(); }));
        }
        if (said("connected")) {
            // The call's figures: its link's counters (not another link's) and its time.
            ActiveConnection other;
            other.entryName = "5551";
            other.volume = LinkVolume{1, 1};
            ActiveConnection ours;
            ours.entryName = c.profile;
            ours.volume = LinkVolume{4096, 1024};
            board.LinksListed({other, ours});
            board.ClockShown(controller.CallStartTime() + 61);
            EXPECT_EQ(board.Status().bytesIn, 4096u);
            EXPECT_EQ(board.Status().bytesOut, 1024u);
            EXPECT_EQ(board.Status().callSeconds, 61);
            if (c.then == Then::HangUpWhenUp)
                controller.HangUp();
            if (c.then == Then::HangUpWhenWaiting) {
                ASSERT_TRUE(queue.RunUntil([&] { return controller.Waiting(); }));
                EXPECT_EQ(board.Status().state, LinkState::Waiting) << "not idle between";
                controller.HangUp();
            }
            ASSERT_TRUE(queue.RunUntil([&] { return !controller.Active(); }));
        }
        EXPECT_EQ(view.turnedBack, view.reported);
        EXPECT_EQ(view.states, c.states);
        EXPECT_EQ(board.Status().profile, c.profile);
        EXPECT_EQ(board.Status().number, c.states == std::string("LAN") ? "" : c.profile);
        EXPECT_EQ(board.Status().reason.code, c.reason);
        if (std::string(c.script) == "5552=silent") {
            EXPECT_EQ(board.Status().reason.text, "No link within 1 seconds.");
        }
        EXPECT_EQ(view.dropped, c.dropped ? c.profile : "");
        dialer.SetEventSink(nullptr);
    }
}

}  // namespace
}  // namespace linkvane
