#pragma once

// Helpers for tests that run the program's real windows (the QApplication comes from
// gui_test_environment.h): modal boxes answered from a timer, pixel counts, and screenshots
// saved as build artefacts.

#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QImage>

#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace linkvane::testing {

// Runs `action` on the modal widget that is active `delay` from now, retrying until one
// appears (up to two seconds). Records whether it ran.
class ModalAnswer {
  public:
    ModalAnswer(std::function<void(QWidget&)> action,
                std::chrono::milliseconds delay = std::chrono::milliseconds(100));
    bool ran() const { return *m_ran; }

  private:
    std::shared_ptr<bool> m_ran;
};

// Saves an image as <build>/artifacts/<name>.png for reviewers; returns the path.
QString SaveArtifact(const QImage& image, const QString& name);

// How many pixels of `image` are within `tolerance` (per channel) of `colour`.
int CountPixels(const QImage& image, const QColor& colour, int tolerance = 0);

}  // namespace linkvane::testing
