#pragma once

// CSplashWnd: the borderless window that shows the splash bitmap while the program
// starts. It is centred on the screen, can be dragged by any point, and refuses to close
// (Alt+F4 included) until HideSplash allows it. It lives on the GUI thread: start-up
// waits in a local event loop (RunSplashScreen) so the splash keeps painting and can be
// dragged during the wait.

#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

#include <chrono>
#include <optional>

namespace linkvane {

class CSplashWnd : public QWidget {
    Q_OBJECT

  public:
    explicit CSplashWnd(QWidget* parent = nullptr);
    ~CSplashWnd() override;

    // Loads the bitmap resource, sizes the window to it and centres it on the screen.
    // Without the bitmap the window has no picture and zero size (and is not shown).
    bool SetSplashBitmap(int resourceId);
    // Shows the window when it has a picture.
    void ShowSplash();
    // Allows the close and closes the window.
    void HideSplash();
    bool CloseAllowed() const { return m_closeAllowed; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QPixmap m_bitmap;
    int m_resourceId = 0;
    bool m_closeAllowed = false;
};

// Shows bitmap `resourceId` in a splash window, runs the event loop for `wait`, then
// closes the splash. Returns when the splash is gone.
void RunSplashScreen(int resourceId, std::chrono::milliseconds wait);

}  // namespace linkvane
