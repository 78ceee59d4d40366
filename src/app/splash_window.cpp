#include "app/splash_window.h"

#include <QtCore/QEventLoop>
#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtGui/QWindow>

#include "controls/resource_images.h"
#include "controls/window_drag.h"

namespace linkvane {

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    new CWindowDrag(this);  // dragged by any point
}

CSplashWnd::~CSplashWnd() = default;

bool CSplashWnd::SetSplashBitmap(int resourceId) {
    m_resourceId = resourceId;
    m_bitmap = LoadBitmapResource(resourceId, {}, devicePixelRatioF());
    if (m_bitmap.isNull()) {
        resize(0, 0);
        return false;
    }
    const QSize size = m_bitmap.deviceIndependentSize().toSize();
    setFixedSize(size);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - size.width()) / 2,
             area.y() + (area.height() - size.height()) / 2);
    }
    return true;
}

void CSplashWnd::ShowSplash() {
    if (!m_bitmap.isNull()) {
        show();
        raise();
    }
}

void CSplashWnd::HideSplash() {
    m_closeAllowed = true;
    close();
}

void CSplashWnd::paintEvent(QPaintEvent* /*event*/) {
    if (!m_bitmap.isNull() && !qFuzzyCompare(m_bitmap.devicePixelRatio(), devicePixelRatioF())) {
        m_bitmap = LoadBitmapResource(m_resourceId, {}, devicePixelRatioF());
    }
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), m_bitmap);
}

void CSplashWnd::closeEvent(QCloseEvent* event) {
    if (!m_closeAllowed) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void RunSplashScreen(int resourceId, std::chrono::milliseconds wait) {
    CSplashWnd splash;
    splash.SetSplashBitmap(resourceId);
    splash.ShowSplash();
    QEventLoop loop;
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    loop.exec();
    splash.HideSplash();
}

}  // namespace linkvane
