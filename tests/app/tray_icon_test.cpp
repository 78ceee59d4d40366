#include "app/tray_icon.h"

#include <gtest/gtest.h>
#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
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

TEST(PopupMenu, HasTheCommandsInOrderWithTheFirstAsDefault) {
    const std::unique_ptr<QMenu> menu = CreatePopupMenu(kPopupMenuId);
    ASSERT_TRUE(menu);
    struct Item {
        const char* text;
        int command;
    };
    const Item expected[] = {{"Show", 32774},     {"Hide", 32775},        {"Config", 32771},
                             {"View Log", 32780}, {"Check Email", 32776}, {"Ping", 32777},
                             {"Help", 32772},     {"About", 32773},       {"Exit", 32779}};
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), std::size(expected));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), QString::fromLatin1(expected[i].text));
        EXPECT_EQ(MenuCommand(actions[i]), expected[i].command);
        EXPECT_FALSE(actions[i]->isSeparator());
    }
    EXPECT_EQ(menu->defaultAction(), actions.first());
    EXPECT_FALSE(CreatePopupMenu(151)) << "only menu 150 exists";
}

TEST(PopupMenu, ShowsTheDefaultItemInBold) {
    const std::unique_ptr<QMenu> menu = CreatePopupMenu(kPopupMenuId);
    menu->popup(QPoint(50, 50));
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    // "Show" in bold is wider on screen than the same word in the menu's normal font.
    const QRect show = menu->actionGeometry(menu->actions().at(0));
    // Inside the row, clear of the menu's frame.
    const QImage image = menu->grab(show.adjusted(4, 3, -4, -3)).toImage();
    QFont bold = menu->font();
    bold.setBold(true);
    const int normalWidth = QFontMetrics(menu->font()).horizontalAdvance(QStringLiteral("Show"));
    const int boldWidth = QFontMetrics(bold).horizontalAdvance(QStringLiteral("Show"));
    ASSERT_GT(boldWidth, normalWidth);
    const QColor background = image.pixelColor(image.width() - 1, image.height() / 2);
    const QRect ink = testing::InkBounds(image, background, 60);
    EXPECT_GE(ink.width(), boldWidth - 1);
    EXPECT_LE(ink.width(), boldWidth + 2);
    menu->close();
}

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

TEST_F(TrayIconTest, DoubleClickSendsTheFirstCommand) {
    QSignalSpy commands(&m_tray, &CTrayIcon::commandTriggered);
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::DoubleClick));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kCmdShow);
}

TEST_F(TrayIconTest, RightClickOpensTheMenuAndSendsTheChosenCommand) {
    QSignalSpy commands(&m_tray, &CTrayIcon::commandTriggered);
    QStringList shown;
    QAction* shownDefault = nullptr;
    QString shownDefaultText;
    QTimer::singleShot(100, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no popup menu open";
        for (QAction* action : menu->actions()) {
            shown << action->text();
        }
        shownDefault = menu->defaultAction();
        shownDefaultText = shownDefault ? shownDefault->text() : QString();
        // Choose "Ping" with the keyboard, as a user would.
        menu->setActiveAction(menu->actions().at(5));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::Context));
    EXPECT_EQ(shown.size(), 9);
    EXPECT_EQ(shownDefaultText, QStringLiteral("Show"));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kCmdPing);
}

TEST_F(TrayIconTest, DismissedMenuAndOtherClicksSendNothing) {
    QSignalSpy commands(&m_tray, &CTrayIcon::commandTriggered);
    QTimer::singleShot(100, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::Context));
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::Trigger));
    EXPECT_TRUE(m_tray.OnTrayNotification(QSystemTrayIcon::MiddleClick));
    EXPECT_EQ(commands.count(), 0);
}

TEST(TrayIcon, WithoutOwnerOrCreationEverythingIsRefused) {
    CTrayIcon tray;
    EXPECT_FALSE(tray.Create(nullptr, QStringLiteral("Linkvaner"), QIcon(), kPopupMenuId));
    EXPECT_FALSE(tray.IsEnabled());
    EXPECT_FALSE(tray.SetTooltipText(QStringLiteral("x")));
    EXPECT_FALSE(tray.SetIcon(resource::kAppIcon));
    EXPECT_FALSE(tray.RemoveIcon());
    QSignalSpy commands(&tray, &CTrayIcon::commandTriggered);
    EXPECT_FALSE(tray.OnTrayNotification(QSystemTrayIcon::DoubleClick));
    EXPECT_EQ(commands.count(), 0);
}

TEST(TrayIcon, UnknownMenuIdentifierIsNotHandled) {
    ASSERT_TRUE(TrayReady());
    QWidget owner;
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create(&owner, QStringLiteral("Linkvaner"),
                            LoadIconResource(resource::kAppIcon), 151));
    QSignalSpy commands(&tray, &CTrayIcon::commandTriggered);
    EXPECT_FALSE(tray.OnTrayNotification(QSystemTrayIcon::DoubleClick));
    EXPECT_EQ(commands.count(), 0);
}

}  // namespace
}  // namespace linkvane
