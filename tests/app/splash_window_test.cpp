#include "app/splash_window.h"

#include <gtest/gtest.h>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QMouseEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>

#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "gui_test_environment.h"
#include "gui_test_support.h"

namespace linkvane {
namespace {

using testing::WaitUntil;

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
