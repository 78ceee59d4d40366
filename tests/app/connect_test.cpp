// What the main window does for Connect, with the modem engine dialling the simulated modem on
// a pseudo-terminal and pppd's stand-in carrying the link: the blinking button, the message
// boxes with their reason, the real timers of a call and the launch, and the countdown of a
// redial's wait in the call row. What Connect decides is tested in core
// (tests/core/connection/connect_controller_test.cpp).

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMessageBox>

#include <gtest/gtest.h>

#include <fstream>

#include "controls/bitmap_button.h"
#include "controls/text_label.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "gui_test_environment.h"
#include "gui_test_support.h"
#include "platform/modem_engine.h"
#include "support/dial_peers.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

class ConnectTest : public testing::DialShellTest {
  protected:
    // Presses Connect with `entry` in the profile list.
    static void Press(CLinkvaneDlg& window, const std::string& entry) {
        window.ProfileList()->setCurrentText(QString::fromStdString(entry));
        window.OnCommand(ctl::kConnect);
    }
    static QString Tip(CLinkvaneDlg& window) {
        return qobject_cast<COXBitmapButton*>(window.Control(ctl::kConnect))->toolTip();
    }
    static bool Idle(CLinkvaneDlg& window) {
        return !window.Dialer().CallActive() && Tip(window) == QStringLiteral("Connect") &&
               !window.TimerActive(kTimerDialling);
    }
    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
        return QTest::qWaitFor(done, static_cast<int>(limit.count()));
    }
};

TEST_F(ConnectTest, TheButtonBlinksAFailureSaysWhyACallRunsItsTimersAndADropWaitsToRedial) {
    Modem("5552=busy;5554=connect:0:1500");
    AddProfile("Busy", "5552");
    AddProfile("\u202EWork", "5551");  // listed as "\xe2\x80\xaeWork"
    AddProfile("Drops", "5554");
    COXRegistryItem(*m_registry, ProfileKeyPath("Drops")).SetNumberValue(1, "Reconnect");
    // The mail program to launch once connected: a script that leaves a mark.
    const std::filesystem::path mark = m_scratch.path() / "launched";
    const std::filesystem::path mailer = m_scratch.path() / "mailer.sh";
    std::ofstream(mailer) << "#!/bin/sh\ntouch '" << mark.string() << "'\n";
    std::filesystem::permissions(mailer, std::filesystem::perms::owner_all);
    COXRegistryItem settings(*m_registry, kSettingsKey);
    settings.SetNumberValue(1, "RedialAttempts");
    settings.SetNumberValue(10, "RedialTimeout");
    settings.SetNumberValue(1, "LaunchEmail");
    settings.SetStringValue(mailer.string(), "EmailPath");
    auto window = MakeDialWindow();
    testing::MessageLog messages;

    Press(*window, "Busy");
    EXPECT_TRUE(window->TimerActive(kTimerDialling)) << "the button blinks while dialling";
    ASSERT_TRUE(WaitFor([&] { return !messages.boxes.empty() && Idle(*window); }));
    EXPECT_EQ(messages.boxes, std::vector<std::string>{"Timeout: Connection Failed"});
    EXPECT_FALSE(messages.details.at(0).empty()) << "a failure says why";

    Press(*window, "\\xe2\\x80\\xaeWork");  // the listed name dials the entry it stands for
    ASSERT_TRUE(WaitFor([&] {
        return window->Dialer().GetConnected() && Tip(*window) == QStringLiteral("Disconnect");
    }));
    EXPECT_FALSE(window->TimerActive(kTimerDialling));
    EXPECT_TRUE(window->TimerActive(kTimerCall));
    EXPECT_EQ(window->TimerPeriod(kTimerPing), 5min);
    EXPECT_EQ(window->TimerPeriod(kTimerMailCheck), 10min);
    EXPECT_TRUE(window->TimerActive(kTimerPing) && window->TimerActive(kTimerMailCheck));
    EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(mark); }, 5s)) << "mail program";
    // The name servers that pppd reported, once the call clock has ticked.
    CTextLabel* servers = window->Label(ctl::kNameServers);
    EXPECT_TRUE(WaitFor(
        [&] { return servers->Text() == QStringLiteral("DNS: 192.0.2.53, 192.0.2.54"); }, 5s))
        << servers->Text().toStdString();
    EXPECT_TRUE(WaitFor([&] { return !window->Label(ctl::kCallSeconds)->Text().isEmpty(); }, 5s))
        << "the call clock ticks";

    Press(*window, "\\xe2\\x80\\xaeWork");  // Disconnect
    ASSERT_TRUE(WaitFor([&] { return Idle(*window); }));
    for (const int id : {kTimerCall, kTimerPing, kTimerMailCheck})
        EXPECT_FALSE(window->TimerActive(id)) << id;
    EXPECT_TRUE(servers->Text().isEmpty());

    // A call that drops is dialled again after a wait: the button blinks, the call row counts
    // down, and Connect ends the wait at once.
    Press(*window, "Drops");
    ASSERT_TRUE(WaitFor([&] { return window->TimerActive(kTimerRedialWait); }));
    CTextLabel& caption = *window->Label(ctl::kCallCaption);
    EXPECT_TRUE(window->TimerActive(kTimerDialling));
    EXPECT_EQ(caption.Text(), QStringLiteral("Redial In:"));
    Press(*window, "Drops");
    EXPECT_TRUE(Idle(*window) && !window->TimerActive(kTimerRedialWait));
    EXPECT_EQ(caption.Text(), QStringLiteral("This Call:"));
    EXPECT_EQ(messages.boxes.size(), 1u);
}

}  // namespace
}  // namespace linkvane
