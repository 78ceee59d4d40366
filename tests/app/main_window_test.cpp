// The main window on a real display: its shape and commands, Exit, a minimised start, the
// programs it launches, the call log, and what it shows for Connect, with the modem engine
// dialling the simulated modem and pppd's stand-in carrying the link. What Connect decides is
// tested in core (tests/core/connection/connect_controller_test.cpp).

#include "app/main_window.h"
#include "platform/modem_talk.h"
#include "tools/loopback_engine.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDate>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtCore/QRegularExpression>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "app/about_dialog.h"
#include "app/exit_dialog.h"
#include "app/log_view_dialog.h"
#include "app/popup_menu.h"
#include "controls/bitmap_button.h"
#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "controls/round_region.h"
#include "controls/text_label.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"
#include "gui_test_environment.h"
#include "gui_test_support.h"
#include "support/stand_in_pppd.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::ModalAnswer;

// Receives the addresses and documents the program hands to the desktop's opener.
class OpenedUrls : public QObject {
    Q_OBJECT

  public:
    OpenedUrls() {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~OpenedUrls() override {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;

  public Q_SLOTS:
    void Open(const QUrl& url) { urls.push_back(url); }
};

class MainWindowTest : public testing::DialShellTest {
  protected:
    void SetString(const char* name, const std::string& value) {
        COXRegistryItem item(*m_registry, kSettingsKey);
        ASSERT_TRUE(item.SetStringValue(value, name));
    }
    void SetNumber(const char* name, std::uint32_t value) {
        COXRegistryItem item(*m_registry, kSettingsKey);
        ASSERT_TRUE(item.SetNumberValue(value, name));
    }

    std::unique_ptr<CLinkvaneDlg> MakeWindow(std::unique_ptr<DialerEngine> engine = nullptr) {
        return DialShellTest::MakeWindow([&](MainWindowServices& services) {
            if (engine)
                services.engine = std::move(engine);
            services.hangUpSleep = [this](std::chrono::milliseconds pause) {
                m_pauses.push_back(pause);
            };
        });
    }

    // Runs the window's modal loop with `script` started from inside it; gives up (and fails)
    // after `limit`. Returns whether the loop ended by itself.
    bool RunModal(CLinkvaneDlg& window, const std::function<void()>& script,
                  std::chrono::milliseconds limit = 15s) {
        bool timedOut = false;
        const QObject guard;  // the time-out ends with this call
        QTimer::singleShot(0, &window, script);
        QTimer::singleShot(limit, &guard, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        window.exec();
        return !timedOut;
    }

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

    std::vector<std::chrono::milliseconds> m_pauses;
    const LineModemTalk m_talk{};
};

TEST_F(MainWindowTest, CollapsedIs450By84RoundedExpandsShowsTheClockDragsAndItsTrayMenuActs) {
    // The tray host may need a moment to claim the notification area after the display starts.
    ASSERT_TRUE(testing::WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    ASSERT_TRUE(m_phonebook->WriteEntry(testing::DialEntry("Provider One", "/dev/ttyS0", "5551")));
    SetString("Default", "provider");
    SetString("Url1Label", "News");
    SetString("Url2Label", "Weather");
    SetString("App1Label", "Editor");
    auto window = MakeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(window->size(), QSize(450, 84));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Linkvane"));

    // Every button is named for assistive tools, as its tip says, and no two alike.
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    EXPECT_GE(buttons.size(), 13);
    QStringList names;
    for (QAbstractButton* button : buttons) {
        names << button->accessibleName();
        EXPECT_FALSE(names.back().isEmpty()) << button->objectName().toStdString();
        if (auto* bitmapButton = qobject_cast<COXBitmapButton*>(button)) {
            EXPECT_EQ(names.back(), bitmapButton->TipText());
        }
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), buttons.size()) << names.join(u',').toStdString();

    // The profile list takes typed names; its drop-down is built when it is first opened.
    QComboBox* list = window->ProfileList();
    EXPECT_TRUE(list->isEditable());
    EXPECT_TRUE(list->findChildren<QAbstractItemView*>().isEmpty());
    list->showPopup();
    EXPECT_TRUE(list->view()->isVisible());
    EXPECT_EQ(list->view()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    list->hidePopup();

    // The outline is cut once from the template's client area (301 x 103 units) with 20 x 20
    // corners, and not recut when the window is resized.
    const QRegion expected = RoundedRectRegion(QRect(0, 0, 452, 167), QSize(20, 20));
    EXPECT_EQ(window->mask(), expected);

    window->OnCommand(ctl::kExpand);
    EXPECT_TRUE(window->Expanded());
    EXPECT_EQ(window->size(), QSize(455, 170));
    // The shortcut captions come from the settings.
    EXPECT_EQ(window->Label(ctl::kShortcut1Label)->Text(), QStringLiteral("News"));
    EXPECT_EQ(window->mask(), expected);

    window->OnCommand(ctl::kExpand);
    EXPECT_FALSE(window->Expanded());
    EXPECT_EQ(window->size(), QSize(455, 84));

    // The call clock shows hours (uncapped), minutes and seconds of the call.
    window->SetCallStartTime(1'000'000);
    window->RefreshCallClock(1'000'000 + 100 * 3600 + 62);
    EXPECT_EQ(window->Label(ctl::kCallHours)->Text(), QStringLiteral("100"));
    EXPECT_EQ(window->Label(ctl::kCallMinutes)->Text(), QStringLiteral("01"));
    EXPECT_EQ(window->Label(ctl::kCallSeconds)->Text(), QStringLiteral("02"));

    // Dragging any free point moves the window: a caption label takes no mouse input, so the
    // press reaches the window beneath it.
    const QPoint before = window->pos();
    QWidget* label = window->Control(ctl::kShortcut1Label);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(label, QPoint(45, 25));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(45, 25));
    EXPECT_TRUE(testing::WaitUntil([&] { return window->pos() == before + QPoint(40, 20); }))
        << window->pos().x() << "," << window->pos().y();

    // The start-up plan reaches the window: its list and selection.
    EXPECT_EQ(window->ProfileList()->currentText(), QStringLiteral("Provider One"));
    CTrayIcon& tray = window->TrayIcon();
    ASSERT_TRUE(tray.IsEnabled());
    EXPECT_EQ(tray.TooltipText(), QStringLiteral("Linkvaner"));

    // A right click opens the menu; only a chosen command is sent, and the window acts on it.
    QSignalSpy commands(&tray, &CTrayIcon::commandTriggered);
    std::vector<int> shown;
    QString shownDefault;
    QTimer::singleShot(100, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no popup menu open";
        for (QAction* action : menu->actions())
            shown.push_back(MenuCommand(action));
        shownDefault = menu->defaultAction() ? menu->defaultAction()->text() : QString();
        menu->setActiveAction(menu->actions().at(1));  // "Hide", with the keyboard
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_TRUE(tray.OnTrayNotification(QSystemTrayIcon::Context));
    EXPECT_EQ(shown, (std::vector<int>{kCmdShow, kCmdHide, kCmdConfig, kCmdViewLog, kCmdCheckEmail,
                                       kCmdPing, kCmdHelp, kCmdAbout, kCmdExit}));
    EXPECT_EQ(shownDefault, QStringLiteral("Show"));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kCmdHide);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(tray.IsEnabled());
    // A dismissed menu and other clicks send nothing.
    QTimer::singleShot(100, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    EXPECT_TRUE(tray.OnTrayNotification(QSystemTrayIcon::Context));
    EXPECT_TRUE(tray.OnTrayNotification(QSystemTrayIcon::Trigger));
    EXPECT_TRUE(tray.OnTrayNotification(QSystemTrayIcon::MiddleClick));
    EXPECT_EQ(commands.count(), 1);
    EXPECT_TRUE(tray.OnTrayNotification(QSystemTrayIcon::DoubleClick));  // "Show"
    EXPECT_TRUE(window->isVisible());

    ModalAnswer closeAbout([&](QWidget& modal) {
        EXPECT_NE(qobject_cast<CAboutDlg*>(&modal), nullptr);
        qobject_cast<QDialog*>(&modal)->accept();
    });
    EXPECT_TRUE(window->OnCommand(kCmdAbout));
    EXPECT_TRUE(closeAbout.ran());

    // Each menu command's handler is driven by the test of what it does.
    EXPECT_FALSE(window->OnCommand(4242));

    // The icon and its tip change; the icon is removed once, and then nothing changes.
    const QString longest(63, QLatin1Char('x'));
    EXPECT_TRUE(tray.SetTooltipText(longest));
    EXPECT_EQ(tray.TooltipText(), longest) << "a 63-character tooltip is kept whole";
    EXPECT_TRUE(tray.SetIcon(resource::kNewMailIcon));
    EXPECT_FALSE(tray.SetIcon(424242)) << "no such icon";
    EXPECT_TRUE(tray.RemoveIcon());
    EXPECT_FALSE(tray.RemoveIcon());
    EXPECT_FALSE(tray.IsEnabled());
    EXPECT_FALSE(tray.SetTooltipText(QStringLiteral("Linkvaner")));

    // A tray icon without an owner, or with a menu that does not exist, refuses everything.
    CTrayIcon orphan;
    EXPECT_FALSE(orphan.Create(nullptr, QStringLiteral("Linkvaner"), QIcon(), kPopupMenuId));
    EXPECT_FALSE(orphan.IsEnabled());
    EXPECT_FALSE(orphan.SetIcon(resource::kAppIcon));
    QWidget owner;
    CTrayIcon unknownMenu;
    ASSERT_TRUE(unknownMenu.Create(&owner, QStringLiteral("Linkvaner"),
                                   LoadIconResource(resource::kAppIcon), kPopupMenuId + 1));
    for (CTrayIcon* refusing : {&orphan, &unknownMenu}) {
        QSignalSpy sent(refusing, &CTrayIcon::commandTriggered);
        EXPECT_FALSE(refusing->OnTrayNotification(QSystemTrayIcon::DoubleClick));
        EXPECT_EQ(sent.count(), 0);
    }
}

TEST_F(MainWindowTest, EnterAndEscapeDoNothingAndExitDuringACallAsksAndOnlyYesHangsUpEveryLink) {
    testing::StandIns standIns(m_scratch.path());
    const pid_t link = standIns.Start("pppd");
    const pid_t theirs = standIns.Start("pppd", true);  // another program's, ignores SIGTERM
    testing::WritePidFile(m_scratch.path() / "run" / "ppp-Provider One.pid", link);
    testing::WritePidFile(m_scratch.path() / "run" / "ppp-Other.pid", theirs, "ppp1");
    const LoopbackOptions options;  // an idle modem: every number connects
    auto window = MakeWindow(std::make_unique<LoopbackDialerEngine>(options, m_talk));
    window->Dialer().SetEntryName("5551");
    ASSERT_EQ(window->Dialer().Dial(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Dialer().GetConnected(); }, 5000));
    window->show();

    int questions = 0;
    bool visibleAfterEscape = false, stillRunningAfterNo = false;
    testing::MessageLog messages;
    const bool ended = RunModal(*window, [&] {
        // Enter answers with a message; Escape and closing do nothing.
        window->ProfileList()->setFocus();
        QTest::keyClick(window->ProfileList(), Qt::Key_Return);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        window->close();
        QTest::qWait(50);
        visibleAfterEscape = window->isVisible();

        ModalAnswer no([&](QWidget& modal) {
            ++questions;
            ASSERT_NE(qobject_cast<CExitDlg*>(&modal), nullptr);
            EXPECT_EQ(modal.windowTitle(), QStringLiteral("Exit Linkvane"));
            qobject_cast<QDialog*>(&modal)->reject();  // "No"
        });
        window->OnCommand(kCmdExit);
        stillRunningAfterNo =
            window->isVisible() && window->Dialer().GetConnected() && standIns.Running(link);

        ModalAnswer yes([&](QWidget& modal) {
            ++questions;
            for (QPushButton* button : modal.findChildren<QPushButton*>()) {
                if (button->text() == QStringLiteral("Yes"))
                    button->click();
            }
        });
        window->OnCommand(ctl::kExit);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(messages.boxes, std::vector<std::string>{"Not a Magician: Hey, Gimme time! :-)"});
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_EQ(questions, 2);
    EXPECT_TRUE(stillRunningAfterNo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Dialer().CallActive(); }, 5000))
        << "Yes hangs up the program's own call";
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(standIns.EndSignal(link), SIGTERM);
    EXPECT_EQ(standIns.EndSignal(theirs), SIGKILL);
    EXPECT_EQ(m_pauses, (std::vector<std::chrono::milliseconds>{1000ms, 1000ms}));
}

TEST_F(MainWindowTest, MinimisedStartHidesTheWindowAfterASecondButWithoutATrayIconMinimises) {
    // Hidden, the window comes back only through the notification icon; where there is none
    // it must stay reachable, on the taskbar. Both windows start together.
    SetNumber("StartMinimised", 1);
    QElapsedTimer started;
    started.start();
    const std::array<std::unique_ptr<CLinkvaneDlg>, 2> windows{MakeWindow(), MakeWindow()};
    CLinkvaneDlg& tray = *windows[0];
    CLinkvaneDlg& none = *windows[1];
    none.TrayIcon().RemoveIcon();
    for (const auto& window : windows) {
        EXPECT_TRUE(window->windowState().testFlag(Qt::WindowMinimized));
        EXPECT_TRUE(window->HideTimerActive());
        window->show();
    }
    ASSERT_TRUE(testing::WaitUntil([&] { return !tray.isVisible(); }));
    EXPECT_GE(started.elapsed(), 900) << "hidden only after a second";
    ASSERT_TRUE(testing::WaitUntil([&] { return !none.HideTimerActive(); }));
    EXPECT_TRUE(none.isVisible() && none.isMinimized());

    // The Hide button does the same.
    for (const auto& window : windows) {
        window->OnCommand(kCmdShow);
        EXPECT_TRUE(window->isVisible() && !window->isMinimized());
        window->OnCommand(ctl::kHide);
    }
    EXPECT_FALSE(tray.isVisible());
    EXPECT_TRUE(none.isVisible() && none.isMinimized());
    // Without a call Exit asks nothing, and ends even a hidden window.
    EXPECT_TRUE(RunModal(tray, [&] { tray.OnCommand(kCmdExit); }));
}

// A window that notes when its call monitor has seen a link.
class SeeingWindow : public CLinkvaneDlg {
  public:
    using CLinkvaneDlg::CLinkvaneDlg;
    void OnConnectionCount(int count) override { seen = seen || count > 0; }
    bool seen = false;
};

// Launched programs, addresses and the manual; while they start, a call that another program
// made comes and goes, and is logged.
TEST_F(MainWindowTest, LaunchCommandsStartProgramsAndHandOnAddressesAndACallThatEndsIsLogged) {
    SeeingWindow window(MainWindowServices(*m_registry, *m_phonebook, *m_links));
    testing::StandIns standIns(m_scratch.path());
    const pid_t link = standIns.StartAs(
        "pppd", testing::BinaryPath("tools/pppd_stand_in"),
        {(m_scratch.path() / "run").string(), "linkname", "lv0", "ipparam", "Work"});
    const auto marker = m_scratch.path() / "launched";
    const auto script = m_scratch.path() / "tool.sh";
    std::ofstream(script) << "#!/bin/sh\ntouch '" << marker.string() << "'\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    SetString("App1Path", script.string());
    SetString("Url1Loc", "www.example.org");
    SetString("BrowserPath", "https://example.org/start");
    SetString("EmailPath", "");
    OpenedUrls opened;

    EXPECT_TRUE(window.OnCommand(ctl::kShortcut3));
    EXPECT_TRUE(testing::WaitUntil([&] { return std::filesystem::exists(marker); }));

    window.OnCommand(ctl::kShortcut1);
    window.OnCommand(ctl::kWeb);
    window.OnCommand(ctl::kEmail);      // empty: nothing
    window.OnCommand(ctl::kShortcut2);  // absent: nothing
    window.OnCommand(kCmdHelp);
    ASSERT_EQ(opened.urls.size(), 3);
    EXPECT_EQ(opened.urls[0], QUrl(QStringLiteral("http://www.example.org")));
    EXPECT_EQ(opened.urls[1], QUrl(QStringLiteral("https://example.org/start")));
    EXPECT_EQ(opened.urls[2].toLocalFile(),
              QCoreApplication::applicationDirPath() + QStringLiteral("/linkvane.html"));
    // The manual the program opens is built beside the program itself.
    EXPECT_TRUE(QFileInfo::exists(
        QString::fromStdString(testing::BinaryPath("src/app/linkvane.html").string())));

    // Polls are a second apart, so a call seen once has lasted at least a second when the
    // next poll finds it gone. The monitor runs only when the CPU has time to spare.
    ASSERT_TRUE(testing::WaitUntil([&] { return window.seen; }, 15s));
    ::kill(link, SIGTERM);
    const std::filesystem::path log = dataHome() / "linkvane" / "connect.log";
    ASSERT_TRUE(testing::WaitUntil([&] { return std::filesystem::exists(log); }, 15s));

    std::ifstream in(log);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
    const QRegularExpression expected(
        QStringLiteral("^Work - %1 [0-2]?\\d:[0-5]\\d:[0-5]\\d \\(0:00:0[1-9]\\)$")
            .arg(QRegularExpression::escape(today)));
    EXPECT_TRUE(expected.match(QString::fromStdString(line)).hasMatch()) << line;
    const QString logged = QString::fromStdString(line);
    EXPECT_FALSE(std::getline(in, line));

    // Button 1100 and the tray menu's "View Log" open the viewer on that log.
    for (const int command : {ctl::kViewLog, kCmdViewLog}) {
        QStringList shown;
        ModalAnswer read([&](QWidget& modal) {
            auto* viewer = qobject_cast<CLogViewDlg*>(&modal);
            ASSERT_NE(viewer, nullptr);
            shown = viewer->Lines();
            viewer->accept();
        });
        EXPECT_TRUE(window.OnCommand(command));
        EXPECT_TRUE(read.ran());
        EXPECT_EQ(shown, QStringList{logged});
    }
}

TEST_F(MainWindowTest, ConnectBlinksAFailureSaysWhyACallRunsItsTimersAndADropWaitsToRedial) {
    Modem("5552=busy;5554=connect:0:800");  // the link is up in well under 0.8 s
    AddProfile("Busy", "5552");
    AddProfile("\u202EWork", "5551");  // listed as "\xe2\x80\xaeWork"
    AddProfile("Drops", "5554");
    COXRegistryItem(*m_registry, ProfileKeyPath("Drops")).SetNumberValue(1, "Reconnect");
    // The mail program to launch once connected: a script that leaves a mark.
    const std::filesystem::path mark = m_scratch.path() / "launched";
    const std::filesystem::path mailer = m_scratch.path() / "mailer.sh";
    std::ofstream(mailer) << "#!/bin/sh\ntouch '" << mark.string() << "'\n";
    std::filesystem::permissions(mailer, std::filesystem::perms::owner_all);
    Settings(1, 10);
    SetNumber("LaunchEmail", 1);
    SetString("EmailPath", mailer.string());
    auto window = MakeDialWindow();
    testing::MessageLog messages;

    Press(*window, "Busy");
    ASSERT_TRUE(testing::WaitUntil([&] { return !messages.boxes.empty() && Idle(*window); }, 15s));
    EXPECT_EQ(messages.boxes, std::vector<std::string>{"Timeout: Connection Failed"});
    EXPECT_FALSE(messages.details.at(0).empty()) << "a failure says why";

    Press(*window, "\\xe2\\x80\\xaeWork");  // the listed name dials the entry it stands for
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            return window->Dialer().GetConnected() && Tip(*window) == QStringLiteral("Disconnect");
        },
        15s));
    // Which timers run is core's; their period is passed on.
    EXPECT_EQ(window->TimerPeriod(kTimerPing), 5min);
    EXPECT_TRUE(testing::WaitUntil([&] { return std::filesystem::exists(mark); }, 5s))
        << "mail program";
    // The name servers that pppd reported, once the call clock has ticked.
    CTextLabel* servers = window->Label(ctl::kNameServers);
    EXPECT_TRUE(testing::WaitUntil(
        [&] { return servers->Text() == QStringLiteral("DNS: 192.0.2.53, 192.0.2.54"); }, 5s))
        << servers->Text().toStdString();
    EXPECT_TRUE(
        testing::WaitUntil([&] { return !window->Label(ctl::kCallSeconds)->Text().isEmpty(); }, 5s))
        << "the call clock ticks";

    Press(*window, "\\xe2\\x80\\xaeWork");  // Disconnect
    ASSERT_TRUE(testing::WaitUntil([&] { return Idle(*window); }, 15s));
    EXPECT_TRUE(servers->Text().isEmpty());

    // A call that drops is dialled again after a wait: the button blinks, the call row counts
    // down, and Connect ends the wait at once.
    Press(*window, "Drops");
    ASSERT_TRUE(testing::WaitUntil([&] { return window->TimerActive(kTimerRedialWait); }, 15s));
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

#include "main_window_test.moc"
