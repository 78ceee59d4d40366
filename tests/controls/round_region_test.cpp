#include "controls/round_region.h"

#include <gtest/gtest.h>
#include <QtWidgets/QWidget>

namespace linkvane {
namespace {

class RoundWindow : public QWidget, public CRoundRegion {
  protected:
    QWidget* RegionHost() override { return this; }
};

TEST(RoundRegion, CutsTheCornersOfTheHostWithTheCornerEllipse) {
    RoundWindow window;
    window.resize(450, 84);
    ASSERT_TRUE(window.SetRoundRegion(std::nullopt, QSize(20, 20)));
    const QRegion mask = window.mask();
    EXPECT_EQ(mask, window.RoundRegion());
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 450, 84));
    struct Point {
        QPoint at;
        bool inside;
    };
    // Corner ellipses of 20 x 20: radius 10 around (10, 10), (440, 10), (10, 74), (440, 74).
    const Point points[] = {{{0, 0}, false},   {{2, 2}, false},    {{449, 0}, false},
                            {{0, 83}, false},  {{449, 83}, false}, {{447, 81}, false},
                            {{5, 5}, true},    {{10, 0}, true},    {{0, 10}, true},
                            {{225, 0}, true},  {{0, 42}, true},    {{449, 42}, true},
                            {{225, 83}, true}, {{444, 79}, true},  {{225, 42}, true}};
    for (const Point& p : points) {
        EXPECT_EQ(mask.contains(p.at), p.inside) << p.at.x() << "," << p.at.y();
    }
}

TEST(RoundRegion, OversizedCornersStayInsideAndNoCornerSizeGivesSquareCorners) {
    const QRegion region = RoundedRectRegion(QRect(10, 10, 30, 20), QSize(100, 100));
    EXPECT_TRUE(QRect(10, 10, 30, 20).contains(region.boundingRect()));
    EXPECT_GE(region.boundingRect().width(), 28);
    EXPECT_TRUE(region.contains(QPoint(25, 20)));
    EXPECT_FALSE(region.contains(QPoint(10, 10)));
    EXPECT_TRUE(RoundedRectRegion(QRect(), QSize(20, 20)).isEmpty());
    // A later call replaces the shape; the window keeps it however it is resized after.
    RoundWindow window;
    window.SetRoundRegion(std::nullopt, QSize(20, 20));
    window.SetRoundRegion(QRect(0, 0, 100, 50));
    window.resize(450, 84);
    EXPECT_EQ(window.mask(), QRegion(0, 0, 100, 50));
}

}  // namespace
}  // namespace linkvane
