#include "app/tray_icon.h"

#include <gtest/gtest.h>
#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>

#include "app/popup_menu.h"
#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "gui_test_environment.h"

namespace linkvane {
namespace {

using testing::WaitUntil;

// The test display runs a notification-area host (trayer); it may need a moment to claim
// the tray after the display starts.
bool TrayReady() {
    return WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
}

class TrayIconTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(TrayReady()) << "no notification area on the test display";
        ASSERT_TRUE(m_tray.Create(&m_owner, QStringLiteral("Linkvaner"),
                                  LoadIconResource(resource::kAppIcon), kPopupMenuId));
    }

    QWidget m_owner;
    CTrayIcon m_tray;
};

TEST_F(TrayIconTest, CreatedIconIsInTheNotificationAreaAndCanBeChanged) {
    EXPECT_TRUE(m_tray.IsEnabled());
    EXPECT_EQ(m_tray.TooltipText(), QStringLiteral("Linkvaner"));
    const QString longest(63, QLatin1Char('x'));
    EXPECT_TRUE(m_tray.SetTooltipText(longest));
    EXPECT_EQ(m_tray.TooltipText(), longest) << "a 63-character tooltip is kept whole";
    EXPECT_TRUE(m_tray.SetIcon(resource::kNewMailIcon));
    EXPECT_FALSE(m_tray.SetIcon(424242)) << "no such icon";
    EXPECT_TRUE(m_tray.RemoveIcon());
    EXPECT_FALSE(m_tray.RemoveIcon());
    EXPECT_FALSE(m_tray.IsEnabled());
    EXPECT_FALSE(m_tray.SetTooltipText(QStringLiteral("Linkvaner")));
}

TEST_F(TrayIconTest, RightClickOpensTheMenuAndOnlyAChosenCommandIsSent) {
    QSignalSpy commands(&m_tray, &CTrayIcon::commandTriggered);
    std::vector<int> shown;
    QString shownDefault;
    QTimer::singleShot(100, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no popup menu open";
        for (QAction* action : menu->actions())
            shown.push_back(MenuCommand(action));
        shownDefault = menu->defaultAction() ? menu->defaultAction()->text() : QString();
        // Choose "Ping" with the keyboard, as a user would.
        menu->setActiveAction(menu->actions().at(5));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::Context));
    EXPECT_EQ(shown, (std::vector<int>{kCmdShow, kCmdHide, kCmdConfig, kCmdViewLog, kCmdCheckEmail,
                                       kCmdPing, kCmdHelp, kCmdAbout, kCmdExit}));
    EXPECT_EQ(shownDefault, QStringLiteral("Show"));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kCmdPing);

    // A dismissed menu and other clicks send nothing.
    QTimer::singleShot(100, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::Context));
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::Trigger));
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::MiddleClick));
    EXPECT_EQ(commands.count(), 1);
}

TEST(TrayIcon, WithoutOwnerOrKnownMenuEverythingIsRefused) {
    ASSERT_TRUE(TrayReady());
    CTrayIcon orphan;
    EXPECT_FALSE(orphan.Create(nullptr, QStringLiteral("Linkvaner"), QIcon(), kPopupMenuId));
    EXPECT_FALSE(orphan.IsEnabled());
    EXPECT_FALSE(orphan.SetTooltipText(QStringLiteral("x")));
    EXPECT_FALSE(orphan.SetIcon(resource::kAppIcon));
    EXPECT_FALSE(orphan.RemoveIcon());
    QWidget owner;
    CTrayIcon unknownMenu;
    ASSERT_TRUE(unknownMenu.Create(&owner, QStringLiteral("Linkvaner"),
                                   LoadIconResource(resource::kAppIcon), kPopupMenuId + 1));
    for (CTrayIcon* tray : {&orphan, &unknownMenu}) {
        QSignalSpy commands(tray, &CTrayIcon::commandTriggered);
        EXPECT_FALSE(tray->OnTrayNotification(QSystemTrayIcon::DoubleClick));
        EXPECT_EQ(commands.count(), 0);
    }
}

}  // namespace
}  // namespace linkvane
