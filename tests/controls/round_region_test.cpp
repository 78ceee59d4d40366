#include "controls/round_region.h"

#include <gtest/gtest.h>
#include <QtWidgets/QWidget>

namespace linkvane {
namespace {

class RoundWindow : public QWidget, public CRoundRegion {
  protected:
    QWidget* RegionHost() override { return this; }
};

// Corner ellipses of 20 x 20 cut the host's corners; a later call replaces the shape, which
// the host keeps however it is resized after. Oversized corners stay inside the rectangle.
TEST(RoundRegion, CutsTheCornersOfTheHostWithTheCornerEllipse) {
    RoundWindow window;
    window.resize(450, 84);
    ASSERT_TRUE(window.SetRoundRegion(std::nullopt, QSize(20, 20)));
    const QRegion mask = window.mask();
    EXPECT_EQ(mask, window.RoundRegion());
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 450, 84));
    const struct {
        QPoint at;
        bool inside;
    } points[] = {{{2, 2}, false}, {{447, 81}, false}, {{10, 0}, true},
                  {{0, 10}, true}, {{444, 79}, true},  {{449, 42}, true}};
    for (const auto& p : points)
        EXPECT_EQ(mask.contains(p.at), p.inside) << p.at.x() << "," << p.at.y();

    window.SetRoundRegion(QRect(0, 0, 100, 50));
    window.resize(200, 84);
    EXPECT_EQ(window.mask(), QRegion(0, 0, 100, 50));
    const QRegion oversized = RoundedRectRegion(QRect(10, 10, 30, 20), QSize(100, 100));
    EXPECT_TRUE(QRect(10, 10, 30, 20).contains(oversized.boundingRect()));
    EXPECT_FALSE(oversized.contains(QPoint(10, 10)));
    EXPECT_TRUE(RoundedRectRegion(QRect(), QSize(20, 20)).isEmpty());
}

}  // namespace
}  // namespace linkvane
