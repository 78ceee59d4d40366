#pragma once

// CTextLabel: a static text that paints itself from a pre-rendered image of its text.
//
// The text is measured and rendered into an off-screen image only when the text, a
// colour, the font, the alignment or the size changes (Rebuild); painting only fills the
// background and copies that image, so a label updated every second costs no text layout.
// Setters take a `redraw` flag: with false they only store the value, so an owner can
// set several properties and let the last call (with true) render once.
//
// Alignment codes: horizontal 0 left, 1 centre, 2 right; vertical 3 top, 4 centre,
// 5 bottom. An empty text shows the label's template text (the text it was laid out
// with). The rendered state is guarded by a lock of the label's own; calls come from the
// GUI thread.

#include <QtCore/QMutex>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

namespace linkvane {

class CTextLabel : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kAlignLeft = 0;
    static constexpr int kAlignCentre = 1;
    static constexpr int kAlignRight = 2;
    static constexpr int kAlignTop = 3;
    static constexpr int kAlignMiddle = 4;
    static constexpr int kAlignBottom = 5;

    // Font style selectors of SetFontStyle.
    static constexpr int kStyleBold = 0;
    static constexpr int kStyleItalic = 1;
    static constexpr int kStyleUnderline = 2;
    static constexpr int kStyleStrikeOut = 3;

    // Alignment codes out of range fall back to centre (1 and 4).
    explicit CTextLabel(int hAlign = kAlignCentre, int vAlign = kAlignMiddle,
                        const QString& templateText = {}, QWidget* parent = nullptr);
    ~CTextLabel() override;

    // Each returns the result of Rebuild(redraw).
    bool SetText(const QString& text, bool redraw = true);
    bool SetBackColour(const QColor& colour, bool redraw = true);
    bool SetTextColour(const QColor& colour, bool redraw = true);
    // Refuses values other than 0, 1 and 2 with false and changes nothing.
    bool SetHAlign(int alignment, bool redraw = true);
    // which: 0 bold (weight 700 when value is non-zero, else 400), 1 italic, 2 underline,
    // 3 strike-out (each on when the low byte of value is non-zero); others change nothing.
    bool SetFontStyle(int which, int value, bool redraw = true);

    // Renders the text image (with redraw true) and schedules a repaint. With redraw false it
    // does nothing and returns true. False only when the image cannot be created; the
    // label then shows its background alone.
    virtual bool Rebuild(bool redraw);

    // The text shown while the label's own text is empty.
    void SetTemplateText(const QString& text);

    QString Text() const { return m_text; }
    QString TemplateText() const { return m_templateText; }
    QColor BackColour() const { return m_backColour; }
    QColor TextColour() const { return m_textColour; }
    QFont FontDescription() const { return m_font; }
    int HAlign() const { return m_hAlign; }
    int VAlign() const { return m_vAlign; }
    // Size of the rendered text image in device-independent pixels (0 x 0 before the
    // first rebuild).
    QSize TextSize() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Renders m_displayText (or the template text) into m_textImage; lock held by caller.
    bool RenderTextImage();
    void ComputeTextCentre();

    QString m_text;
    QString m_displayText;
    QString m_templateText;
    QColor m_backColour;
    QColor m_textColour;
    QFont m_font;
    int m_hAlign;
    int m_vAlign;
    QMargins m_margins{2, 0, 2, 0};

    mutable QRecursiveMutex m_lock;  // guards the three members below
    QImage m_textImage;
    QSize m_textSize;
    QPointF m_textCentre;
};

}  // namespace linkvane
