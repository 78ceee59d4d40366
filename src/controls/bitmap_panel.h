#pragma once

// CBitmapPanel: a panel that shows a bitmap resource stretched over its whole area, with
// its window text drawn centred on top. Without a bitmap it shows the button-face colour.
// The greys of classic 3-D artwork follow the palette (MapThreeDColours), and a palette
// change reloads the picture so they follow a changed palette too. The panel owns its
// bitmap. GUI thread only.

#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

namespace linkvane {

class CBitmapPanel : public QWidget {
    Q_OBJECT

  public:
    explicit CBitmapPanel(QWidget* parent = nullptr);
    ~CBitmapPanel() override;

    // Loads the bitmap resource at its own size and shows it. On failure returns false and
    // the previous bitmap stays; the identifier or name is remembered either way.
    bool LoadById(int id);
    bool LoadByName(const QString& name);
    // Replaces the shown bitmap (a null pixmap shows the button-face colour).
    void SetBitmap(const QPixmap& bitmap);
    // Loads again from the remembered identifier (if > 0) or name (if not empty); false
    // when neither is set or the load fails.
    bool Reload();

    QPixmap Bitmap() const { return m_bitmap; }
    // The bitmap's size in device-independent pixels; empty without a bitmap.
    QSize BitmapSize() const;
    int ResourceId() const { return m_resourceId; }
    QString ResourceName() const { return m_resourceName; }

    // The text drawn on the picture, on one line, centred horizontally; vertically centred
    // when SetCentreText(true), else at the top.
    void SetWindowText(const QString& text);
    QString WindowText() const { return m_windowText; }
    void SetCentreText(bool centre);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool Load(const QString& name);

    QPixmap m_bitmap;
    int m_resourceId = -1;
    QString m_resourceName;
    QString m_windowText;
    bool m_centreText = false;
};

}  // namespace linkvane
