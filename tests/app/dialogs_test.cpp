// The program's small windows on a real display: the About, new mail and Exit boxes, the call
// log viewer and the splash.

#include <gtest/gtest.h>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QMouseEvent>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListView>
#include <QtWidgets/QPushButton>

#include <fstream>

#include "app/about_dialog.h"
#include "app/exit_dialog.h"
#include "app/log_view_dialog.h"
#include "app/new_mail_dialog.h"
#include "app/splash_window.h"
#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "gui_test_environment.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

using testing::WaitUntil;

// Runs the dialog modally and presses `key` on it once it is up; returns the result.
int ExecPressing(QDialog& dialog, Qt::Key key) {
    QTimer::singleShot(50, &dialog, [&dialog, key] {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(target, key);
    });
    return dialog.exec();
}

TEST(Dialogs, ReturnPressesTheDefaultButtonEscapeNoOrTheCloseBoxCancelAndEachShowsItsText) {
    CAboutDlg about;
    CNewMailDlg notice;
    CExitDlg exit;
    const struct {
        QDialog* dialog;
        Qt::Key key;
        int result;
    } cases[] = {{&about, Qt::Key_Return, QDialog::Accepted},
                 {&notice, Qt::Key_Return, QDialog::Accepted},
                 {&notice, Qt::Key_Escape, QDialog::Rejected},
                 {&exit, Qt::Key_Return, QDialog::Accepted},
                 {&exit, Qt::Key_Escape, QDialog::Rejected}};
    for (const auto& c : cases) {
        EXPECT_EQ(ExecPressing(*c.dialog, c.key), c.result)
            << c.dialog->windowTitle().toStdString() << " key " << c.key;
    }
    QTimer::singleShot(50, &notice, [&notice] { notice.close(); });
    EXPECT_EQ(notice.exec(), QDialog::Rejected);
    for (QPushButton* button : exit.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("No"))
            QTimer::singleShot(50, button, &QPushButton::click);
    }
    EXPECT_EQ(exit.exec(), QDialog::Rejected);

    // The icon is loaded afresh for every About box, not only the first.
    CAboutDlg second;
    for (const CAboutDlg* box : {&about, &second}) {
        const auto* icon = box->findChild<QLabel*>(QStringLiteral("icon"));
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->pixmap().isNull());
    }
    const QString text = QStringLiteral("3 New Messages (48213 bytes)");
    notice.SetText(text);
    const auto* label = notice.findChild<QLabel*>(QStringLiteral("text"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), text);

    for (const QLabel* question : exit.findChildren<QLabel*>())
        EXPECT_TRUE(question->alignment().testFlag(Qt::AlignHCenter));
}

// What the list view shows, read through its model.
QStringList Items(const QListView& list) {
    QStringList items;
    const QAbstractItemModel* model = list.model();
    for (int row = 0; row < model->rowCount(); ++row)
        items.push_back(model->index(row, 0).data().toString());
    return items;
}

// Pieces never split a UTF-8 character; CR LF line ends and a missing last line end are read.
TEST(LogViewDialog, ListsTheLogSortedWithLongLinesSplitIntoPiecesOf254) {
    testing::TempDir dir;
    const auto log = dir.path() / "linkvane" / "connect.log";
    const std::string longEntry(300, 'L');
    {
        CLogViewDlg missing(log);
        EXPECT_TRUE(Items(*missing.List()).isEmpty());
        EXPECT_TRUE(std::filesystem::exists(log));
    }
    std::ofstream(log) << "Zeta - Monday 7 December 2026 09:00:00 (0:00:59)\n"
                       << "alpha - Sunday 6 December 2026 23:10:00 (1:00:00)\r\n\n"
                       << longEntry << " - Sunday 6 December 2026 08:00:00 (25:03:07)\n"
                       << std::string(253, 'y') << "\u20AC.\n"
                       << "Alpha - Monday 7 December 2026 10:00:00 (0:10:00)";

    CLogViewDlg viewer(log);
    QListView* list = viewer.List();
    const QString tail = QStringLiteral(" - Sunday 6 December 2026 08:00:00 (25:03:07)");
    EXPECT_EQ(Items(*list), (QStringList{
                                // Case is ignored: "alpha" and "Alpha" sort by what follows.
                                QStringLiteral("Alpha - Monday 7 December 2026 10:00:00 (0:10:00)"),
                                QStringLiteral("alpha - Sunday 6 December 2026 23:10:00 (1:00:00)"),
                                // The two pieces of the long line, each sorted by its own text.
                                QString(46, QLatin1Char('L')) + tail,
                                QString(254, QLatin1Char('L')),
                                QString(253, QLatin1Char('y')),
                                QStringLiteral("Zeta - Monday 7 December 2026 09:00:00 (0:00:59)"),
                                QStringLiteral("\u20AC."),
                            }))
        << Items(*list).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Call log"));
}

CSplashWnd* VisibleSplash() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* splash = qobject_cast<CSplashWnd*>(widget); splash && splash->isVisible()) {
            return splash;
        }
    }
    return nullptr;
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPoint global = widget.mapToGlobal(local);
    QMouseEvent event(type, QPointF(local), QPointF(global), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

TEST(SplashWindow, ShowsItsPictureCentredMovesWithTheMouseAndClosesOnlyWhenAllowed) {
    CSplashWnd splash;
    ASSERT_TRUE(splash.SetSplashBitmap(resource::kSplash));
    splash.ShowSplash();
    ASSERT_TRUE(WaitUntil([&] { return splash.isVisible(); }));
    EXPECT_EQ(splash.size(), QSize(270, 400));
    const QRect screen = splash.screen()->geometry();
    EXPECT_LE(std::abs(splash.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(splash.geometry().center().y() - screen.center().y()), 1);
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    const QImage shown = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, LoadBitmapResource(resource::kSplash, {}, splash.devicePixelRatioF())
                         .toImage()
                         .convertToFormat(QImage::Format_RGB32));

    const QPoint start = splash.pos();
    SendMouse(splash, QEvent::MouseButtonPress, QPoint(200, 300), Qt::LeftButton);
    SendMouse(splash, QEvent::MouseMove, QPoint(240, 325), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return splash.pos() == start + QPoint(40, 25); }))
        << "dragged by any point to " << splash.pos().x() << "," << splash.pos().y();
    SendMouse(splash, QEvent::MouseButtonRelease, QPoint(200, 300), Qt::NoButton);
    const QPoint dropped = splash.pos();
    SendMouse(splash, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton);
    EXPECT_EQ(splash.pos(), dropped) << "released: no more dragging";

    EXPECT_FALSE(splash.close()) << "Alt+F4 and the like are refused";
    EXPECT_TRUE(splash.isVisible());
    EXPECT_FALSE(splash.CloseAllowed());
    splash.HideSplash();
    EXPECT_TRUE(splash.CloseAllowed());
    EXPECT_FALSE(splash.isVisible());

    CSplashWnd missing;
    EXPECT_FALSE(missing.SetSplashBitmap(424242));
    missing.ShowSplash();
    EXPECT_FALSE(missing.isVisible()) << "no picture: nothing shown";

    // Start-up's own splash: shown while it waits, closed after.
    bool seen = false;
    QTimer::singleShot(150, [&] { seen = VisibleSplash() != nullptr; });
    QElapsedTimer timer;
    timer.start();
    RunSplashScreen(resource::kSplash, std::chrono::milliseconds(400));
    EXPECT_GE(timer.elapsed(), 400);
    EXPECT_TRUE(seen) << "the splash paints while start-up waits";
    EXPECT_EQ(VisibleSplash(), nullptr);
}

}  // namespace
}  // namespace linkvane
