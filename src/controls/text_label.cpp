#include "controls/text_label.h"

#include <QtGui/QFontDatabase>
#include <QtGui/QFontMetrics>
#include <QtGui/QPainter>

namespace linkvane {
namespace {

// The classic dialog font is 8 points at 96 dpi, 11 pixels high; the layouts are sized
// for it, so the labels keep that pixel size whatever the desktop's point size.
constexpr int kFontPixelSize = 11;

bool IsHAlign(int value) {
    return value >= CTextLabel::kAlignLeft && value <= CTextLabel::kAlignRight;
}

bool IsVAlign(int value) {
    return value >= CTextLabel::kAlignTop && value <= CTextLabel::kAlignBottom;
}

}  // namespace

CTextLabel::CTextLabel(int hAlign, int vAlign, const QString& templateText, QWidget* parent)
    : QWidget(parent),
      m_templateText(templateText),
      m_backColour(palette().color(QPalette::Base)),
      m_textColour(palette().color(QPalette::Text)),
      m_font(QFontDatabase::systemFont(QFontDatabase::GeneralFont)),
      m_hAlign(IsHAlign(hAlign) ? hAlign : kAlignCentre),
      m_vAlign(IsVAlign(vAlign) ? vAlign : kAlignMiddle) {
    m_font.setPixelSize(kFontPixelSize);
    // Today's sans-serif faces run wider than the classic dialog font; a semi-condensed
    // face keeps the captions inside the widths the layouts give them.
    m_font.setStretch(QFont::SemiCondensed);
    m_font.setWeight(QFont::Normal);
    // The label paints every pixel itself; no background erase before paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

CTextLabel::~CTextLabel() = default;

bool CTextLabel::SetText(const QString& text, bool redraw) {
    m_text = text;
    m_displayText = text;
    setAccessibleName(text.isEmpty() ? m_templateText : text);
    return Rebuild(redraw);
}

bool CTextLabel::SetBackColour(const QColor& colour, bool redraw) {
    m_backColour = colour;
    return Rebuild(redraw);
}

bool CTextLabel::SetTextColour(const QColor& colour, bool redraw) {
    m_textColour = colour;
    return Rebuild(redraw);
}

bool CTextLabel::SetHAlign(int alignment, bool redraw) {
    if (!IsHAlign(alignment)) {
        return false;
    }
    m_hAlign = alignment;
    {
        QMutexLocker locker(&m_lock);
        ComputeTextCentre();
    }
    return Rebuild(redraw);
}

bool CTextLabel::SetFontStyle(int which, int value, bool redraw) {
    const bool on = (value & 0xFF) != 0;
    switch (which) {
        case kStyleBold:
            m_font.setWeight(value != 0 ? QFont::Bold : QFont::Normal);
            break;
        case kStyleItalic:
            m_font.setItalic(on);
            break;
        case kStyleUnderline:
            m_font.setUnderline(on);
            break;
        case kStyleStrikeOut:
            m_font.setStrikeOut(on);
            break;
        default:
            break;
    }
    return Rebuild(redraw);
}

void CTextLabel::SetTemplateText(const QString& text) {
    m_templateText = text;
    if (m_text.isEmpty()) {
        setAccessibleName(text);
    }
}

QSize CTextLabel::TextSize() const {
    QMutexLocker locker(&m_lock);
    return m_textSize;
}

QSize CTextLabel::sizeHint() const {
    const QFontMetrics metrics(m_font);
    const QString& shown = m_displayText.isEmpty() ? m_templateText : m_displayText;
    return {metrics.horizontalAdvance(shown) + m_margins.left() + m_margins.right(),
            metrics.height() + m_margins.top() + m_margins.bottom()};
}

bool CTextLabel::Rebuild(bool redraw) {
    if (!redraw) {
        return true;
    }
    bool built = false;
    {
        QMutexLocker locker(&m_lock);
        built = RenderTextImage();
        if (built) {
            ComputeTextCentre();
        }
    }
    // Queued rather than immediate: a rebuild may run while a window is being painted
    // (a resize delivered during a grab), where an immediate repaint would recurse.
    update();
    return built;
}

bool CTextLabel::RenderTextImage() {
    const QString& shown = m_displayText.isEmpty() ? m_templateText : m_displayText;
    const QFontMetrics metrics(m_font);
    const QSize size(metrics.horizontalAdvance(shown) + m_margins.left() + m_margins.right(),
                     metrics.height() + m_margins.top() + m_margins.bottom());
    const qreal dpr = devicePixelRatioF();
    m_textImage = QImage();
    m_textSize = QSize();
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return false;
    }
    image.setDevicePixelRatio(dpr);
    image.fill(m_backColour);
    {
        QPainter painter(&image);
        painter.setFont(m_font);
        painter.setPen(m_textColour);
        // Horizontal centre on the image's centre; the baseline is moved down by half the
        // difference of ascent and descent, which centres the character cell vertically.
        const int x = size.width() / 2 - metrics.horizontalAdvance(shown) / 2;
        const int baseline = size.height() / 2 + (metrics.ascent() - metrics.descent()) / 2;
        painter.drawText(QPoint(x, baseline), shown);
    }
    m_textImage = image;
    m_textSize = size;
    return true;
}

void CTextLabel::ComputeTextCentre() {
    const QRect client = rect();
    const int l = client.left();
    const int t = client.top();
    const int r = client.left() + client.width();
    const int b = client.top() + client.height();
    const int w = m_textSize.width();
    const int h = m_textSize.height();
    int x = 0;
    switch (m_hAlign) {
        case kAlignLeft:
            x = w / 2;
            break;
        case kAlignRight:
            x = r - w / 2 - l - 1;
            break;
        default:
            x = (r - l) / 2;
            break;
    }
    int y = 0;
    switch (m_vAlign) {
        case kAlignTop:
            y = h / 2;
            break;
        case kAlignBottom:
            y = b - h / 2 - t - 1;
            break;
        default:
            y = (b - t) / 2;
            break;
    }
    m_textCentre = QPointF(x, y);
}

void CTextLabel::paintEvent(QPaintEvent* /*event*/) {
    QMutexLocker locker(&m_lock);
    // A move to a screen of another pixel density re-renders at the new density.
    if (!m_textImage.isNull() &&
        !qFuzzyCompare(m_textImage.devicePixelRatio(), devicePixelRatioF())) {
        RenderTextImage();
    }
    QPainter painter(this);
    painter.fillRect(rect(), m_backColour);
    if (m_textImage.isNull()) {
        return;
    }
    const int w = m_textSize.width();
    const int h = m_textSize.height();
    const QPoint topLeft(static_cast<int>(m_textCentre.x() - w / 2 + 0.5),
                         static_cast<int>(m_textCentre.y() - h / 2 + 0.5));
    painter.drawImage(topLeft, m_textImage);
}

void CTextLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Rebuild(true);
}

}  // namespace linkvane
