#include "controls/bitmap_panel.h"

#include <gtest/gtest.h>

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

// The picture less its last row and column, stretched over the whole panel, proportions or
// not; the window text is drawn centred on it.
TEST(BitmapPanel, StretchesThePictureLessItsLastRowAndColumnAndCentresTheText) {
    CBitmapPanel panel;
    panel.resize(200, 20);
    ASSERT_TRUE(panel.LoadById(kQuadrants));
    EXPECT_EQ(panel.BitmapSize(), QSize(40, 20));
    const QImage image = Grab(panel);
    EXPECT_EQ(image.pixelColor(195, 2), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(199, 19), QColor(Qt::yellow)) << "last row or column shown";

    QPalette palette = panel.palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    panel.setPalette(palette);
    panel.SetWindowText(QStringLiteral("WWW"));
    panel.SetCentreText(true);
    const QRect changed = testing::Changed(image, Grab(panel)).bounds;
    EXPECT_LE(std::abs(changed.center().x() - 100), 2);
    EXPECT_LE(std::abs(changed.center().y() - 10), 3);
}

// The picture's grey is the palette's button face, and follows it; without a picture the
// panel is button face. A failed load keeps the picture; one loaded by name reloads by name.
TEST(BitmapPanel, ShowsButtonFaceWithoutAPictureAndGreysFollowThePalette) {
    CBitmapPanel panel;
    panel.resize(40, 20);
    const QColor face(201, 123, 45);
    panel.setPalette(WithButtonColour(panel.palette(), face));
    EXPECT_FALSE(panel.LoadById(424242));
    EXPECT_FALSE(panel.Reload());
    EXPECT_EQ(Grab(panel).pixelColor(39, 19), face);

    ASSERT_TRUE(panel.LoadById(kQuadrants));
    const QColor second(10, 120, 200);
    panel.setPalette(WithButtonColour(panel.palette(), second));
    EXPECT_EQ(Grab(panel).pixelColor(20, 10), second) << "a palette change reloads";
    EXPECT_FALSE(panel.LoadById(424242));
    EXPECT_EQ(Grab(panel).pixelColor(4, 4), QColor(Qt::red)) << "the previous picture stays";

    ASSERT_TRUE(panel.LoadByName(QStringLiteral("test-panel")));
    panel.SetBitmap(QPixmap());
    EXPECT_TRUE(panel.Reload());
    EXPECT_EQ(Grab(panel).pixelColor(4, 4), QColor(Qt::red));
}

}  // namespace
}  // namespace linkvane
