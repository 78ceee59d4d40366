#include "controls/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace linkvane {

CWindowDrag::CWindowDrag(QWidget* window) : QObject(window), m_window(window) {
    window->installEventFilter(this);
}

bool CWindowDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            QWindow* window = m_window->windowHandle();
            if (window == nullptr || !window->startSystemMove())
                m_grabOffset =
                    mouse->globalPosition().toPoint() - m_window->frameGeometry().topLeft();
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!m_grabOffset || !(mouse->buttons() & Qt::LeftButton))
                return false;
            m_window->move(mouse->globalPosition().toPoint() - *m_grabOffset);
            return true;
        }
        case QEvent::MouseButtonRelease:
            m_grabOffset.reset();
            return false;
        default:
            return false;
    }
}

}  // namespace linkvane
