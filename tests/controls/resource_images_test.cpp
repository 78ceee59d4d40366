#include "controls/resource_images.h"

#include <QtCore/QResource>

#include <gtest/gtest.h>

#include "controls/artwork_render.h"
#include "controls/dialog_units.h"
#include "controls/resource_ids.h"
#include "gui_test_environment.h"
#include "support/golden.h"

namespace linkvane {
namespace {

QImage Stored(const QString& name) {
    return DecodePrerendered(QResource(QStringLiteral(":/prerendered/") + name).uncompressedData());
}

std::string SizeText(QSize size) {
    return std::to_string(size.width()) + " x " + std::to_string(size.height());
}

// golden/bitmaps.txt: every numbered bitmap of the program (its number and what it is), and
// the size its window lays it out at. At each density start-up shows the picture the build
// pre-drew, which must be the same pixels as drawing the SVG now; then the share of it that is
// drawn, and the opaque pixels that are black or that black as the mask colour changes. The
// top-row pictures are drawn with black as their transparent colour: their empty background
// (the corner) must go, and their pictograms must have no such pixels.
TEST(ResourceImages, EveryNumberedBitmapLoadsAtItsSizeAndEachDensityAsDrawn) {
    testing::ExpectGoldenAnswers("controls/golden/bitmaps.txt", [](const std::string& question) {
        const int id = std::stoi(question);
        std::string answer = SizeText(BitmapResourceSize(id));
        for (const int ratio : kPrerenderedRatios) {
            const QPixmap loaded = LoadBitmapResource(id, {}, ratio);
            const QImage drawn = RenderSvgFile(BitmapResourcePath(id), {}, ratio);
            const QImage shown = RenderBitmapResource(QString::number(id), {}, ratio);
            const bool asDrawn = !drawn.isNull() && shown == drawn &&
                                 Stored(PrerenderedBitmapName(QString::number(id), ratio)) == drawn;
            const QImage masked = ApplyMaskColour(drawn, 0);
            int inked = 0, lost = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QRgb p = drawn.pixel(x, y);
                    inked += qAlpha(p) != 0 ? 1 : 0;
                    lost +=
                        qAlpha(p) == 255 && (qRgb(qRed(p), qGreen(p), qBlue(p)) == qRgb(0, 0, 0) ||
                                             masked.pixel(x, y) != p)
                            ? 1
                            : 0;
                }
            }
            answer += "; at " + std::to_string(ratio) + "x " +
                      SizeText(loaded.deviceIndependentSize().toSize()) + " in " +
                      SizeText(loaded.size()) + " pixels" + (asDrawn ? "" : ", not as drawn") +
                      ", " + std::to_string(100 * inked / (drawn.width() * drawn.height())) +
                      "% drawn, " + std::to_string(lost) + " black or masked" +
                      (qAlpha(masked.pixel(0, 0)) == 0 ? ", corner masked" : "");
        }
        return answer;
    });
    EXPECT_EQ(LoadBitmapResource(resource::kUpperPanel, QSize(225, 42)).size(), QSize(225, 42));
    EXPECT_FALSE(BitmapResourceSize(424242).isValid());
    EXPECT_TRUE(LoadBitmapResource(424242).isNull());
    EXPECT_TRUE(RenderBitmapResource(QStringLiteral("no-such-picture")).isNull());
    // A truncated image is refused.
    EXPECT_TRUE(DecodePrerendered(QByteArrayLiteral("LVA1\x02\0\0\0\x01\0\0\0abc")).isNull());
}

// Icons come at the usual sizes, pre-drawn as drawn, each its own picture.
TEST(ResourceImages, IconsComeAtTheUsualSizesAsDrawn) {
    EXPECT_TRUE(LoadIconResource(424242).isNull());
    for (const int id : {resource::kAppIcon, resource::kNewMailIcon}) {
        const QIcon icon = LoadIconResource(id);
        ASSERT_FALSE(icon.isNull()) << id;
        for (const int side : kPrerenderedIconSides) {
            SCOPED_TRACE(::testing::Message() << "icon " << id << " at " << side);
            const QImage drawn =
                RenderSvgFile(QStringLiteral(":/icons/%1.svg").arg(id), QSize(side, side), 1.0);
            EXPECT_TRUE(Stored(PrerenderedIconName(QString::number(id), side)) == drawn);
            EXPECT_TRUE(icon.pixmap(side, side).toImage() == drawn);
        }
    }
    EXPECT_NE(LoadIconResource(resource::kAppIcon).pixmap(32, 32).toImage(),
              LoadIconResource(resource::kNewMailIcon).pixmap(32, 32).toImage());
}

TEST(ResourceImages, MaskColourOtherThanBlackKeysOutThatColour) {
    QImage picture(2, 1, QImage::Format_ARGB32_Premultiplied);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage keyed = ApplyMaskColour(picture, 0x00FF0000u);
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(keyed.pixel(1, 0), qRgb(0, 0, 255));
    // White (0x00FFFFFF) is a colour; all ones means no mask.
    EXPECT_EQ(ApplyMaskColour(picture, kNoMaskColour).pixel(0, 0), qRgb(255, 0, 0));
}

TEST(DialogUnits, ConvertWithTheDialogFontBaseUnits) {
    EXPECT_EQ(DialogUnitsToPixels(QSize(160, 68)), QSize(240, 111));
    EXPECT_EQ(DialogUnitsToPixels(QSize(18, 16)), QSize(27, 26));
    EXPECT_EQ(DialogUnitsToPixels(QSize(40, 12)), QSize(60, 20));
    EXPECT_EQ(DialogUnitsToPixels(QSize(301, 52)), QSize(452, 85));
    // Neighbours stay neighbours: the clock fields at x 253, 267, 283, 12 wide.
    const QRect hours = DialogUnitsToPixels(QRect(253, 88, 12, 8));
    const QRect minutes = DialogUnitsToPixels(QRect(265, 88, 2, 8));
    EXPECT_EQ(hours.x() + hours.width(), minutes.x());
    EXPECT_EQ(DialogUnitsToPixels(QRect(-4, -8, 4, 8)), QRect(-6, -13, 6, 13));
}

}  // namespace
}  // namespace linkvane
