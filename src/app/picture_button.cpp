#include "app/picture_button.h"

#include <QtGui/QPainter>

#include "controls/resource_images.h"

namespace linkvane {

CPictureButton::CPictureButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
}

CPictureButton::~CPictureButton() = default;

bool CPictureButton::LoadBitmaps(int upId, int downId) {
    m_upId = upId;
    m_downId = downId;
    Render();
    if (m_up.isNull() || m_down.isNull())
        return false;
    resize(m_up.deviceIndependentSize().toSize());
    update();
    return true;
}

void CPictureButton::Render() {
    m_up = LoadBitmapResource(m_upId, {}, devicePixelRatioF());
    m_down = LoadBitmapResource(m_downId, {}, devicePixelRatioF());
}

QSize CPictureButton::sizeHint() const {
    return m_up.isNull() ? QSize() : m_up.deviceIndependentSize().toSize();
}

void CPictureButton::paintEvent(QPaintEvent* /*event*/) {
    // Pictures follow the screen the button is on, so they stay sharp at any pixel ratio.
    if (!m_up.isNull() && !qFuzzyCompare(m_up.devicePixelRatio(), devicePixelRatioF()))
        Render();
    QPainter painter(this);
    const QPixmap& picture = isDown() ? m_down : m_up;
    if (!picture.isNull())
        painter.drawPixmap(rect(), picture);
}

}  // namespace linkvane
