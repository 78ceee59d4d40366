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
#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/loopback_engine.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// An event as a line of all its fields, so that a turned-back event must match in every one.
std::string Word(const ConnectEvent& e) {
    return std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.state) + " " +
           std::to_string(e.code) + " " + e.text + " " + std::to_string(e.redialsLeft) + " " +
           std::to_string(e.seconds);
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
        Then then = Then::Nothing;
    } cases[] = {
        {"busy, redialled, then given up", "5552", 2, "5552=busy"},
        {"no answer within the time-out", "5552", 0, "5552=silent"},
        {"a call whose line drops", "5552", 0, "5552=connect:10:200"},
        {"a call hung up", "5552", 0, "", Then::HangUpWhenUp},
        {"a drop that waits to reconnect, hung up", "5559", 0, "5559=connect:10:200",
         Then::HangUpWhenWaiting},
        {"a LAN profile", "5558", 0, ""},
    };
    const LineModemTalk talk;
    std::string report;
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
        const std::string connected = Word(ConnectEvent::Of(ConnectEvent::Kind::Connected));
        const auto up = [&] { return std::ranges::count(view.reported, connected) != 0; };
        if (controller.Active()) {
            ASSERT_TRUE(queue.RunUntil([&] { return up() || !controller.Active(); }));
        }
        if (up()) {
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
        const LinkStatus& status = board.Status();
        report += std::string("# ") + c.what + "\nstates: " + view.states + "\nprofile " +
                  status.profile + ", number " + status.number + ", reason " +
                  std::to_string(status.reason.code) + " " + status.reason.text +
                  "\ndropped: " + view.dropped + "\n";
        dialer.SetEventSink(nullptr);
    }
    testing::ExpectGolden("core/connection/golden/link_status.txt", report);
}

}  // namespace
}  // namespace linkvane
