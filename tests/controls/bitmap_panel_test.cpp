#include "controls/bitmap_panel.h"

#include <gtest/gtest.h>

#include "gui_test_environment.h"

namespace linkvane {
namespace {

using testing::Grab;

constexpr int kRedDisc32 = 9004;
constexpr int kQuadrants = 9003;  // 40 x 20 quadrants, grey centre band, magenta last row/col

QPalette WithButtonColour(QPalette palette, QColor colour) {
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Button, colour);
    }
    return palette;
}

// golden/bitmap_panels.png, one panel a row: the picture less its last row and column,
// stretched over the whole panel whatever its proportions, then with the window text centred on
// it; a panel without a picture, in the palette's button face; the picture, its grey following
// a palette change to another face, kept by a failed load; and a picture loaded by name,
// reloaded by name after it was dropped; a disc, 1:1.
TEST(BitmapPanel, DrawsThePictureStretchedInThePalettesFaceAndCentresTheText) {
    CBitmapPanel panel;
    panel.resize(200, 20);
    ASSERT_TRUE(panel.LoadById(kQuadrants));
    EXPECT_EQ(panel.BitmapSize(), QSize(40, 20));
    std::vector<QImage> rows{Grab(panel)};
    QPalette palette = panel.palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    panel.setPalette(palette);
    panel.SetWindowText(QStringLiteral("WWW"));
    panel.SetCentreText(true);
    rows.push_back(Grab(panel));

    CBitmapPanel small;
    small.resize(40, 20);
    small.setPalette(WithButtonColour(small.palette(), QColor(201, 123, 45)));
    EXPECT_FALSE(small.LoadById(424242));
    EXPECT_FALSE(small.Reload());
    rows.push_back(Grab(small));
    ASSERT_TRUE(small.LoadById(kQuadrants));
    small.setPalette(WithButtonColour(small.palette(), QColor(10, 120, 200)));
    EXPECT_FALSE(small.LoadById(424242));
    rows.push_back(Grab(small));
    ASSERT_TRUE(small.LoadByName(QStringLiteral("test-panel")));
    small.SetBitmap(QPixmap());
    EXPECT_TRUE(small.Reload());
    rows.push_back(Grab(small));
    CBitmapPanel disc;  // curved edges show a picture scaled up instead of rendered for the screen
    disc.resize(31, 31);
    ASSERT_TRUE(disc.LoadById(kRedDisc32));
    rows.push_back(Grab(disc));
    testing::ExpectGoldenImage("controls/golden/bitmap_panels.png", testing::Stacked(rows));
}

}  // namespace
}  // namespace linkvane
