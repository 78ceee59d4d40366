#pragma once

// CPictureButton: a push button drawn entirely by two bitmaps of the program's resources,
// one for the released and one for the pressed state, and sized to the released bitmap
// (the main window's launch, hide, expand, log, mail-check and ping buttons). It has no
// caption; set an accessible name so that assistive tools can name it. Clicks emit clicked()
// like any push button. GUI thread only.

#include <QtGui/QPixmap>
#include <QtWidgets/QAbstractButton>

namespace linkvane {

class CPictureButton : public QAbstractButton {
    Q_OBJECT

  public:
    explicit CPictureButton(QWidget* parent = nullptr);
    ~CPictureButton() override;

    // Loads both pictures and resizes the button to the released one without moving it.
    // False when either cannot be loaded; the button then keeps its size.
    bool LoadBitmaps(int upId, int downId);

    int UpId() const { return m_upId; }
    int DownId() const { return m_downId; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Render();

    int m_upId = 0;
    int m_downId = 0;
    QPixmap m_up;
    QPixmap m_down;
};

}  // namespace linkvane
