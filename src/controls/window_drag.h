#pragma once

// CWindowDrag lets the user drag a frameless window by any point that no control takes: the
// desktop moves the window when it can, otherwise the window follows the mouse. It filters
// the window's own mouse events and belongs to the window. GUI thread only.

#include <QObject>
#include <QPoint>
#include <optional>

class QWidget;

namespace linkvane {

// No signals or slots: it only filters events, so it needs no meta-object code.
class CWindowDrag : public QObject {
  public:
    explicit CWindowDrag(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_window;
    std::optional<QPoint> m_grabOffset;  // set while the window follows the mouse itself
};

}  // namespace linkvane
