#pragma once

// COXBitmapButton: a push button that shows a picture from a bitmap resource and a tooltip
// instead of a caption. In the transparent look it draws over a snapshot of what its
// parent shows under it, so the picture seems to float on the parent's background.
//
// Window text convention: the window text is "caption\ntooltip"; the caption is the part
// before the first "\n", the tooltip the part between the first and the second "\n". A
// button with an empty caption draws no text. Change the window text through
// SetWindowText or SetTipText (not QAbstractButton::setText) so the tooltip follows.
//
// Layout: the picture keeps a margin of 5 pixels; a fitted button is the picture plus 10
// each way, with the picture at (5, 5); pressed, the picture moves by (2, 2). Clicks emit
// clicked() like any push button. GUI thread only.

#include <QtGui/QPixmap>
#include <QtWidgets/QAbstractButton>

#include <cstdint>

#include "controls/resource_images.h"

namespace linkvane {

class COXBitmapButton : public QAbstractButton {
    Q_OBJECT

  public:
    static constexpr int kMargin = 5;
    static constexpr QPoint kPressedOffset{2, 2};
    // The focus mark of the transparent look is an ellipse of about this size.
    static constexpr QSize kFocusEllipse{7, 6};

    explicit COXBitmapButton(QWidget* parent = nullptr);
    ~COXBitmapButton() override;

    // Loads bitmap `resourceId` as the picture. maskColour is 0x00RRGGBB (0 = black is
    // transparent) or kNoMaskColour. With fitToImage the button is resized to the picture.
    // False when the bitmap cannot be loaded: the button then has no picture and keeps its
    // size.
    bool LoadImageFromBitmap(int resourceId, bool fitToImage = false,
                             std::uint32_t maskColour = kNoMaskColour);
    // Resizes the button to the picture plus the margins (and its caption, if any) without
    // moving it. Does nothing without a picture.
    void FitToImage();
    // Switches the transparent look; returns true.
    bool SetTransparentLook(bool on);
    bool TransparentLook() const { return m_transparentLook; }
    // Switches the tooltip on or off; returns true.
    bool EnableTip(bool on);
    bool TipEnabled() const { return m_tipEnabled; }
    // Sets the tooltip part of the window text, keeping the caption; an empty text leaves
    // only the caption and removes the tooltip.
    void SetTipText(const QString& text);

    void SetWindowText(const QString& text);
    QString WindowText() const { return text(); }
    QString Caption() const;
    QString TipText() const;

    // Placement of the picture inside the button (left/right/h-centre, top/bottom/v-centre).
    void SetPictureAlignment(Qt::Alignment alignment);
    // The picture rectangle for the current size, pressed or not (empty without picture).
    QRect PictureRect(bool pressed) const;
    QSize PictureSize() const;
    bool HasPicture() const { return !m_picture.isNull(); }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Drawing steps, called in this order by paintEvent on an off-screen image.
    virtual void DrawBackground(QPainter& painter);
    virtual void DrawPicture(QPainter& painter, const QRect& pictureRect);
    virtual void DrawCaption(QPainter& painter);
    virtual void DrawFocus(QPainter& painter, const QRect& pictureRect);

  private:
    bool RenderPicture();
    void TakeSnapshot();
    void InvalidateSnapshot();
    void OnWindowTextChanged();

    int m_resourceId = 0;
    std::uint32_t m_maskColour = kNoMaskColour;
    QPixmap m_picture;
    Qt::Alignment m_pictureAlignment = Qt::AlignCenter;
    bool m_transparentLook = false;
    QPixmap m_snapshot;
    bool m_snapshotValid = false;
    bool m_tipEnabled = false;
};

}  // namespace linkvane
