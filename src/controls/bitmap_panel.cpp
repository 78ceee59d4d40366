#include "controls/bitmap_panel.h"

#include <QtCore/QEvent>
#include <QtGui/QPainter>

#include "controls/resource_images.h"

namespace linkvane {

CBitmapPanel::CBitmapPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CBitmapPanel::~CBitmapPanel() = default;

bool CBitmapPanel::LoadById(int id) {
    m_resourceId = id;
    m_resourceName.clear();
    return Load(QString::number(id));
}

bool CBitmapPanel::LoadByName(const QString& name) {
    m_resourceId = -1;
    m_resourceName = name;
    return Load(name);
}

bool CBitmapPanel::Load(const QString& name) {
    const QImage image = RenderBitmapResource(name, {}, devicePixelRatioF());
    if (image.isNull()) {
        return false;
    }
    SetBitmap(QPixmap::fromImage(MapThreeDColours(image, palette())));
    return true;
}

void CBitmapPanel::SetBitmap(const QPixmap& bitmap) {
    m_bitmap = bitmap;
    update();
}

bool CBitmapPanel::Reload() {
    if (m_resourceId > 0) {
        return LoadById(m_resourceId);
    }
    if (!m_resourceName.isEmpty()) {
        return LoadByName(m_resourceName);
    }
    return false;
}

QSize CBitmapPanel::BitmapSize() const {
    return m_bitmap.isNull() ? QSize() : m_bitmap.deviceIndependentSize().toSize();
}

void CBitmapPanel::SetWindowText(const QString& text) {
    m_windowText = text;
    setAccessibleName(text);
    update();
}

void CBitmapPanel::SetCentreText(bool centre) {
    m_centreText = centre;
    update();
}

void CBitmapPanel::paintEvent(QPaintEvent* /*event*/) {
    // A move to a screen of another pixel density renders the picture anew for it.
    if (!m_bitmap.isNull() && !qFuzzyCompare(m_bitmap.devicePixelRatio(), devicePixelRatioF())) {
        Reload();
    }
    QPainter painter(this);
    if (m_bitmap.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
    } else {
        // The picture less its last row and column, stretched over the whole panel, with
        // nearest-pixel sampling (no smoothing), as a colour-on-colour stretch does.
        const qreal dpr = m_bitmap.devicePixelRatio();
        const QSizeF logical = m_bitmap.deviceIndependentSize();
        const QRectF source(0, 0, (logical.width() - 1) * dpr, (logical.height() - 1) * dpr);
        painter.drawPixmap(QRectF(rect()), m_bitmap, source);
    }
    if (!m_windowText.isEmpty()) {
        const Qt::Alignment vertical = m_centreText ? Qt::AlignVCenter : Qt::AlignTop;
        painter.setPen(palette().color(QPalette::WindowText));
        const auto flags = Qt::AlignHCenter | vertical | Qt::TextSingleLine | Qt::TextDontClip;
        painter.drawText(rect(), static_cast<int>(flags), m_windowText);
    }
}

void CBitmapPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        Reload();
    }
}

}  // namespace linkvane
