#include "controls/resource_images.h"

#include <QtCore/QResource>

#include <gtest/gtest.h>

#include "controls/artwork_render.h"
#include "controls/dialog_units.h"
#include "controls/resource_ids.h"
#include "gui_test_environment.h"

namespace linkvane {
namespace {

struct Expected {
    int id;
    QSize size;
};

// Every numbered bitmap of the program, at the size its window lays it out for.
const Expected kBitmaps[] = {
    {resource::kUpperPanel, {450, 84}}, {resource::kLowerPanel, {450, 68}},
    {resource::kSplash, {270, 400}},    {resource::kSetup, {17, 16}},
    {resource::kWeb, {17, 16}},         {resource::kMail, {17, 16}},
    {resource::kConnectIdle, {17, 16}}, {resource::kConnectDialling, {17, 16}},
    {resource::kConnected, {17, 16}},   {resource::kExit, {17, 16}},
    {resource::kShortcutUp, {16, 16}},  {resource::kShortcutDown, {16, 16}},
    {resource::kHideUp, {14, 14}},      {resource::kHideDown, {14, 14}},
    {resource::kExpandUp, {14, 14}},    {resource::kExpandDown, {14, 14}},
    {resource::kViewLogUp, {60, 20}},   {resource::kViewLogDown, {60, 20}},
    {resource::kCheckMailUp, {60, 20}}, {resource::kCheckMailDown, {60, 20}},
    {resource::kPingUp, {60, 20}},      {resource::kPingDown, {60, 20}},
};

TEST(ResourceImages, EveryNumberedBitmapLoadsAtItsSizeAndDensity) {
    for (const Expected& e : kBitmaps) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(BitmapResourceSize(e.id), e.size);
        const QPixmap one = LoadBitmapResource(e.id);
        ASSERT_FALSE(one.isNull());
        EXPECT_EQ(one.size(), e.size);
        const QPixmap two = LoadBitmapResource(e.id, {}, 2.0);
        EXPECT_EQ(two.size(), e.size * 2);
        EXPECT_EQ(two.devicePixelRatio(), 2.0);
        EXPECT_EQ(two.deviceIndependentSize().toSize(), e.size);
        const QImage image = one.toImage();
        EXPECT_GT(
            testing::Pixels(image, [&](int x, int y) { return qAlpha(image.pixel(x, y)); }).count,
            0)
            << "the picture is not empty";
    }
    EXPECT_EQ(LoadBitmapResource(resource::kUpperPanel, QSize(225, 42)).size(), QSize(225, 42));
    EXPECT_FALSE(BitmapResourceSize(424242).isValid());
    EXPECT_TRUE(LoadBitmapResource(424242).isNull());
    EXPECT_TRUE(RenderBitmapResource(QStringLiteral("no-such-picture")).isNull());
}

QImage Stored(const QString& name) {
    return DecodePrerendered(QResource(QStringLiteral(":/prerendered/") + name).uncompressedData());
}

// Start-up shows the pictures the build pre-drew: the same pixels as drawing the SVG now.
TEST(ResourceImages, PreDrawnPicturesAreTheDrawingsPixels) {
    for (const Expected& e : kBitmaps) {
        for (const int ratio : kPrerenderedRatios) {
            SCOPED_TRACE(::testing::Message() << e.id << " at " << ratio << "x");
            const QImage drawn = RenderSvgFile(BitmapResourcePath(e.id), {}, ratio);
            ASSERT_FALSE(drawn.isNull());
            EXPECT_TRUE(Stored(PrerenderedBitmapName(QString::number(e.id), ratio)) == drawn);
            const QImage shown = RenderBitmapResource(QString::number(e.id), {}, ratio);
            EXPECT_EQ(shown.devicePixelRatio(), ratio);
            EXPECT_TRUE(shown == drawn);
        }
    }
    for (const int id : {resource::kAppIcon, resource::kNewMailIcon}) {
        const QString path = QStringLiteral(":/icons/%1.svg").arg(id);
        for (const int side : kPrerenderedIconSides) {
            SCOPED_TRACE(::testing::Message() << "icon " << id << " at " << side);
            const QImage drawn = RenderSvgFile(path, QSize(side, side), 1.0);
            EXPECT_TRUE(Stored(PrerenderedIconName(QString::number(id), side)) == drawn);
            EXPECT_TRUE(LoadIconResource(id).pixmap(side, side).toImage() == drawn);
        }
    }
    // A truncated image is refused.
    EXPECT_TRUE(DecodePrerendered(QByteArrayLiteral("LVA1\x02\0\0\0\x01\0\0\0abc")).isNull());
}

TEST(ResourceImages, IconsComeAtTheUsualSizes) {
    EXPECT_TRUE(LoadIconResource(424242).isNull());
    for (const int id : {resource::kAppIcon, resource::kNewMailIcon}) {
        const QIcon icon = LoadIconResource(id);
        ASSERT_FALSE(icon.isNull()) << id;
        for (const int side : {16, 22, 32, 48}) {
            EXPECT_EQ(icon.pixmap(side, side).size(), QSize(side, side)) << id;
        }
    }
    EXPECT_NE(LoadIconResource(resource::kAppIcon).pixmap(32, 32).toImage(),
              LoadIconResource(resource::kNewMailIcon).pixmap(32, 32).toImage());
}

// The top-row pictures are drawn with black as their transparent colour: their empty
// background must go and their pictograms must not contain black that would go with it.
TEST(ResourceImages, TopRowPicturesLoseOnlyTheirBackgroundToTheBlackMask) {
    for (const int id : {resource::kSetup, resource::kWeb, resource::kMail, resource::kConnectIdle,
                         resource::kConnectDialling, resource::kConnected, resource::kExit}) {
        for (const qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(::testing::Message() << id << " at " << dpr);
            const QImage picture = RenderBitmapResource(QString::number(id), {}, dpr);
            const QImage opaque = ApplyMaskColour(picture, kNoMaskColour);
            const QImage masked = ApplyMaskColour(picture, 0);
            EXPECT_EQ(qAlpha(masked.pixel(0, 0)), 0) << "background corner masked";
            EXPECT_EQ(opaque.pixel(0, 0), qRgb(0, 0, 0)) << "background is black";
            const auto count = [&](const std::function<bool(QRgb, QRgb)>& pick) {
                return testing::Pixels(picture,
                                       [&](int x, int y) {
                                           return pick(picture.pixel(x, y), masked.pixel(x, y));
                                       })
                    .count;
            };
            EXPECT_GT(count([](QRgb p, QRgb) { return qAlpha(p) != 0; }),
                      picture.width() * picture.height() / 8);
            // Opaque pixels are never black and the mask keeps them.
            EXPECT_EQ(count([](QRgb p, QRgb m) {
                          return qAlpha(p) == 255 &&
                                 (qRgb(qRed(p), qGreen(p), qBlue(p)) == qRgb(0, 0, 0) || m != p);
                      }),
                      0);
        }
    }
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
