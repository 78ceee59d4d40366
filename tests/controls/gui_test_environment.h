#pragma once

// Helpers for tests of widgets: a QApplication for the whole test program (registered as
// a GoogleTest environment by gui_test_environment.cpp) and small image helpers that
// read what a widget really painted.

#include <QtCore/QRect>
#include <QtGui/QColor>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace linkvane::testing {

// What the widget paints, as an image in device pixels (ARGB32).
QImage Grab(QWidget& widget);

// How many pixels `pick(x, y)` chooses, and their bounding box (empty when none).
struct PixelSet {
    int count = 0;
    QRect bounds;
};
PixelSet Pixels(const QImage& image, const std::function<bool(int x, int y)>& pick);

// The pixels where two images of one size differ.
PixelSet Changed(const QImage& a, const QImage& b);

// Compares the image with the PNG at `relative` (below tests/), pixel for pixel, or writes it
// there when LINKVANE_REWRITE_GOLDEN=1: look at the picture before committing it. An image of
// device pixel ratio 2 has its own file, named with "@2x"; the ctest run that sets
// QT_SCALE_FACTOR=2 also sets LINKVANE_EXPECT_HIGH_DENSITY, and then a lower ratio fails.
void ExpectGoldenImage(const std::string& relative, const QImage& image);

// The images one below the other on white, pixel for pixel, as one picture for a golden file
// (of the first image's device pixel ratio).
QImage Stacked(const std::vector<QImage>& images);

// Runs the event loop until `done` holds or `timeout` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// A plain parent window of one colour, shown, for controls that draw over their parent.
class ColourWindow : public QWidget {
  public:
    ColourWindow(QColor colour, QSize size);
};

}  // namespace linkvane::testing
