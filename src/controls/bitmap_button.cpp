#include "controls/bitmap_button.h"

#include <QtCore/QEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOption>
#include <QtWidgets/QStylePainter>

namespace linkvane {
namespace {

const QChar kTextSeparator = QLatin1Char('\n');

}  // namespace

COXBitmapButton::COXBitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

COXBitmapButton::~COXBitmapButton() = default;

bool COXBitmapButton::LoadImageFromBitmap(int resourceId, bool fitToImage,
                                          std::uint32_t maskColour) {
    m_picture = QPixmap();
    m_resourceId = resourceId;
    m_maskColour = maskColour;
    if (!RenderPicture()) {
        update();
        return false;
    }
    if (fitToImage) {
        FitToImage();
    }
    update();
    return true;
}

bool COXBitmapButton::RenderPicture() {
    const QImage image =
        RenderBitmapResource(QString::number(m_resourceId), {}, devicePixelRatioF());
    if (image.isNull()) {
        m_picture = QPixmap();
        return false;
    }
    m_picture = QPixmap::fromImage(ApplyMaskColour(image, m_maskColour));
    return true;
}

QSize COXBitmapButton::PictureSize() const {
    return m_picture.isNull() ? QSize() : m_picture.deviceIndependentSize().toSize();
}

void COXBitmapButton::FitToImage() {
    if (m_picture.isNull()) {
        return;
    }
    QSize content = PictureSize();
    const QString caption = Caption();
    if (!caption.isEmpty()) {
        content = content.expandedTo(fontMetrics().size(Qt::TextSingleLine, caption));
    }
    const QRect oldGeometry = geometry();
    resize(content + QSize(2 * kMargin, 2 * kMargin));
    if (QWidget* parent = parentWidget()) {
        parent->update(oldGeometry.united(geometry()));
    }
}

bool COXBitmapButton::SetTransparentLook(bool on) {
    m_transparentLook = on;
    if (on) {
        InvalidateSnapshot();
    }
    if (QWidget* parent = parentWidget()) {
        parent->update(geometry());
    }
    update();
    return true;
}

bool COXBitmapButton::EnableTip(bool on) {
    m_tipEnabled = on;
    setToolTip(on ? TipText() : QString());
    return true;
}

void COXBitmapButton::SetTipText(const QString& text) {
    QString windowText = Caption();
    if (!text.isEmpty()) {
        windowText += kTextSeparator + text;
    }
    SetWindowText(windowText);
}

void COXBitmapButton::SetWindowText(const QString& text) {
    setText(text);
    OnWindowTextChanged();
}

QString COXBitmapButton::Caption() const {
    return text().section(kTextSeparator, 0, 0);
}

QString COXBitmapButton::TipText() const {
    return text().section(kTextSeparator, 1, 1);
}

void COXBitmapButton::OnWindowTextChanged() {
    const QString tip = TipText();
    if (m_tipEnabled) {
        setToolTip(tip);
    }
    // Assistive technology names the button by its caption, or by its tooltip when it
    // shows only a picture.
    const QString caption = Caption();
    setAccessibleName(caption.isEmpty() ? tip : caption);
    setAccessibleDescription(tip);
    update();
}

void COXBitmapButton::SetPictureAlignment(Qt::Alignment alignment) {
    m_pictureAlignment = alignment;
    update();
}

QRect COXBitmapButton::PictureRect(bool pressed) const {
    if (m_picture.isNull()) {
        return {};
    }
    const int w = width();
    const int h = height();
    const QSize picture = PictureSize();
    // A picture larger than the inside of the button is placed as if it were that large.
    const int iw = std::min(picture.width(), w - 2 * kMargin);
    const int ih = std::min(picture.height(), h - 2 * kMargin);
    int x = (w - iw - 2 * kMargin) / 2 + kMargin;
    if (m_pictureAlignment & Qt::AlignLeft) {
        x = kMargin;
    } else if (m_pictureAlignment & Qt::AlignRight) {
        x = w - iw - kMargin;
    }
    int y = (h - ih - 2 * kMargin) / 2 + kMargin;
    if (m_pictureAlignment & Qt::AlignTop) {
        y = kMargin;
    } else if (m_pictureAlignment & Qt::AlignBottom) {
        y = h - ih - kMargin;
    }
    QRect rect(x, y, iw, ih);
    if (pressed) {
        rect.translate(kPressedOffset);
    }
    return rect;
}

QSize COXBitmapButton::sizeHint() const {
    const QSize picture = m_picture.isNull() ? QSize(0, 0) : PictureSize();
    return picture + QSize(2 * kMargin, 2 * kMargin);
}

void COXBitmapButton::paintEvent(QPaintEvent* /*event*/) {
    if (!m_picture.isNull() && !qFuzzyCompare(m_picture.devicePixelRatio(), devicePixelRatioF())) {
        RenderPicture();
    }
    const qreal dpr = devicePixelRatioF();
    QImage buffer(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    if (buffer.isNull()) {
        return;
    }
    buffer.setDevicePixelRatio(dpr);
    buffer.fill(Qt::transparent);
    const QRect pictureRect = PictureRect(isDown());
    {
        QPainter painter(&buffer);
        painter.setFont(font());
        DrawBackground(painter);
        DrawPicture(painter, pictureRect);
        DrawCaption(painter);
        if (hasFocus()) {
            DrawFocus(painter, pictureRect);
        }
    }
    QPainter(this).drawImage(QPoint(0, 0), buffer);
}

void COXBitmapButton::DrawBackground(QPainter& painter) {
    if (m_transparentLook) {
        if (!m_snapshotValid) {
            TakeSnapshot();
        }
        if (m_snapshotValid) {
            painter.drawPixmap(QPoint(0, 0), m_snapshot);
        }
        return;
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
}

void COXBitmapButton::DrawPicture(QPainter& painter, const QRect& pictureRect) {
    if (m_picture.isNull() || pictureRect.isEmpty()) {
        return;
    }
    // Drawn whole at the rectangle's corner, like an image list draws its image.
    painter.drawPixmap(pictureRect.topLeft(), m_picture);
}

void COXBitmapButton::DrawCaption(QPainter& painter) {
    const QString caption = Caption();
    if (caption.isEmpty()) {
        return;
    }
    Qt::Alignment horizontal = Qt::AlignHCenter;
    if (m_pictureAlignment & Qt::AlignLeft) {
        horizontal = Qt::AlignLeft;
    } else if (m_pictureAlignment & Qt::AlignRight) {
        horizontal = Qt::AlignRight;
    }
    QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (isDown()) {
        area.translate(kPressedOffset);
    }
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, static_cast<int>(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                     caption);
}

void COXBitmapButton::DrawFocus(QPainter& painter, const QRect& pictureRect) {
    if (!m_transparentLook) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        return;
    }
    // A small ellipse at the centre of the picture (or of the button without one).
    const QRect around = pictureRect.isEmpty() ? rect() : pictureRect;
    const int dx = (around.width() - kFocusEllipse.width()) / 2;
    const int dy = (around.height() - kFocusEllipse.height()) / 2;
    const QRect ellipse = around.adjusted(dx, dy, -dx, -dy);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    // The outline stays inside the rectangle, as a window-system ellipse does.
    painter.drawEllipse(ellipse.adjusted(0, 0, -1, -1));
}

void COXBitmapButton::TakeSnapshot() {
    QWidget* parent = parentWidget();
    if (parent == nullptr || size().isEmpty()) {
        return;
    }
    const qreal dpr = devicePixelRatioF();
    QPixmap snapshot(size() * dpr);
    snapshot.setDevicePixelRatio(dpr);
    snapshot.fill(Qt::transparent);
    {
        // The parent's own painting, then each sibling below this button in stacking order,
        // with its children. This button is never rendered: it is being painted now.
        QPainter painter(&snapshot);
        parent->render(&painter, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
        for (QObject* child : parent->children()) {
            if (child == this) {
                break;
            }
            auto* sibling = qobject_cast<QWidget*>(child);
            if (sibling == nullptr || !sibling->isVisible() || sibling->isWindow()) {
                continue;
            }
            const QRect overlap = sibling->geometry().intersected(geometry());
            if (overlap.isEmpty()) {
                continue;
            }
            sibling->render(&painter, overlap.topLeft() - pos(),
                            QRegion(overlap.translated(-sibling->pos())),
                            QWidget::DrawWindowBackground | QWidget::DrawChildren);
        }
    }
    m_snapshot = snapshot;
    m_snapshotValid = true;
}

void COXBitmapButton::InvalidateSnapshot() {
    m_snapshotValid = false;
    m_snapshot = QPixmap();
}

void COXBitmapButton::moveEvent(QMoveEvent* event) {
    QAbstractButton::moveEvent(event);
    InvalidateSnapshot();
    update();
}

void COXBitmapButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    InvalidateSnapshot();
    update();
}

void COXBitmapButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        InvalidateSnapshot();
        update();
    }
}

}  // namespace linkvane
