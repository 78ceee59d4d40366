#include "controls/bitmap_panel.h"

#include <gtest/gtest.h>
#include <QtWidgets/QApplication>

#include "gui_test_environment.h"

namespace linkvane {
namespace {

using testing::Grab;

constexpr int kQuadrants = 9003;  // 40 x 20 quadrants, grey centre band, magenta last row/col

const QColor kMagenta(255, 0, 255);
const QColor kFaceGrey(192, 192, 192);

QPalette WithButtonColour(QPalette palette, QColor colour) {
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Button, colour);
    }
    return palette;
}

TEST(BitmapPanel, StretchesThePictureLessItsLastRowAndColumnOverTheWholePanel) {
    CBitmapPanel panel;
    panel.resize(80, 40);
    ASSERT_TRUE(panel.LoadById(kQuadrants));
    EXPECT_EQ(panel.BitmapSize(), QSize(40, 20));
    const QImage image = Grab(panel);
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(75, 4), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(4, 35), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(75, 35), QColor(Qt::yellow));
    EXPECT_EQ(
        testing::Pixels(image, [&](int x, int y) { return image.pixelColor(x, y) == kMagenta; })
            .count,
        0)
        << "last row or column shown";
    // Not proportional: a flat panel squeezes the picture.
    panel.resize(200, 20);
    const QImage flat = Grab(panel);
    EXPECT_EQ(flat.pixelColor(195, 2), QColor(Qt::green));
    EXPECT_EQ(flat.pixelColor(2, 17), QColor(Qt::blue));
}

TEST(BitmapPanel, ShowsButtonFaceWithoutAPictureAndGreysFollowThePalette) {
    CBitmapPanel panel;
    panel.resize(40, 20);
    const QColor face(201, 123, 45);
    panel.setPalette(WithButtonColour(panel.palette(), face));
    EXPECT_FALSE(panel.LoadById(424242));
    EXPECT_FALSE(panel.Reload());
    EXPECT_EQ(Grab(panel).pixelColor(0, 0), face);
    EXPECT_EQ(Grab(panel).pixelColor(39, 19), face);

    ASSERT_TRUE(panel.LoadById(kQuadrants));
    EXPECT_EQ(Grab(panel).pixelColor(20, 10), face) << "the grey band is the button face";
    const QColor second(10, 120, 200);
    panel.setPalette(WithButtonColour(panel.palette(), second));
    EXPECT_EQ(Grab(panel).pixelColor(20, 10), second) << "a palette change reloads";
    EXPECT_EQ(Grab(panel).pixelColor(4, 4), QColor(Qt::red)) << "other colours stay";
    EXPECT_FALSE(panel.LoadById(424242));
    EXPECT_EQ(Grab(panel).pixelColor(4, 4), QColor(Qt::red)) << "the previous picture stays";

    // Loaded by name, the name is remembered for Reload.
    ASSERT_TRUE(panel.LoadByName(QStringLiteral("test-panel")));
    panel.SetBitmap(QPixmap());
    EXPECT_EQ(Grab(panel).pixelColor(4, 4), second);
    EXPECT_TRUE(panel.Reload());
    EXPECT_EQ(Grab(panel).pixelColor(4, 4), QColor(Qt::red));
}

TEST(BitmapPanel, WindowTextIsDrawnCentredOnThePicture) {
    CBitmapPanel panel;
    panel.resize(120, 40);
    ASSERT_TRUE(panel.LoadById(kQuadrants));
    const QImage plain = Grab(panel);
    QPalette palette = panel.palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    panel.setPalette(palette);
    panel.SetWindowText(QStringLiteral("WWW"));
    panel.SetCentreText(true);
    const QImage withText = Grab(panel);
    const QRect changed = testing::Changed(plain, withText).bounds;
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_LE(std::abs(changed.center().x() - 60), 2);
    EXPECT_LE(std::abs(changed.center().y() - 20), 3);
}

}  // namespace
}  // namespace linkvane
