// Each control on a screen of device pixel ratio 2 (ctest: controls_high_density, which sets
// QT_SCALE_FACTOR=2): pictures and text are rendered for the screen, not drawn at 1x and
// scaled up, which would fill whole 2 x 2 blocks with one colour.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "controls/bitmap_button.h"
#include "controls/bitmap_panel.h"
#include "controls/text_label.h"
#include "gui_test_environment.h"

namespace linkvane {
namespace {

constexpr int kRedDisc32 = 9004;  // a test picture of tests/controls/bitmaps

struct HighDensityCase {
    const char* name;
    // Makes the control (inside parent when it draws over one) and gives the one to grab.
    std::function<QWidget*(QWidget& parent)> make;
    QSize devicePixels;
};

const HighDensityCase kCases[] = {
    {"BitmapButton",
     [](QWidget& parent) {
         auto* button = new COXBitmapButton(&parent);
         button->move(20, 20);
         EXPECT_TRUE(button->LoadImageFromBitmap(kRedDisc32, true, 0));
         button->SetTransparentLook(true);
         return button;
     },
     {84, 84}},
    {"BitmapPanel",
     [](QWidget& parent) {
         auto* panel = new CBitmapPanel(&parent);
         panel->resize(31, 31);  // the 32 x 32 disc less a row and column, 1:1
         EXPECT_TRUE(panel->LoadById(kRedDisc32));
         return panel;
     },
     {62, 62}},
    {"TextLabel",
     [](QWidget& parent) {
         auto* label =
             new CTextLabel(CTextLabel::kAlignLeft, CTextLabel::kAlignMiddle, QString(), &parent);
         label->resize(120, 16);
         label->SetBackColour(QColor(88, 88, 88), false);
         label->SetTextColour(QColor(0, 228, 228), false);
         label->SetText(QStringLiteral("Not Activated"));
         return label;
     },
     {240, 32}},
};

TEST(HighDensity, EachControlIsRenderedAtScreenResolution) {
    for (const HighDensityCase& c : kCases) {
        SCOPED_TRACE(c.name);
        testing::ColourWindow window(QColor(0, 160, 0), QSize(200, 120));
        QWidget* control = c.make(window);
        if (!testing::IsHighDensity(*control))
            GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 (ctest: controls_high_density)";
        const QImage image = testing::Grab(*control);
        ASSERT_EQ(image.size(), c.devicePixels);
        int detailed = 0;
        for (int y = 0; y + 1 < image.height(); y += 2) {
            for (int x = 0; x + 1 < image.width(); x += 2) {
                const QRgb a = image.pixel(x, y);
                detailed += (image.pixel(x + 1, y) != a || image.pixel(x, y + 1) != a ||
                             image.pixel(x + 1, y + 1) != a)
                                ? 1
                                : 0;
            }
        }
        EXPECT_GT(detailed, 20) << "edges are smooth at device pixels";
    }
}

}  // namespace
}  // namespace linkvane
