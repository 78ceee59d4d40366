#include "controls/bitmap_button.h"

#include <gtest/gtest.h>
#include <QtWidgets/QApplication>

#include "gui_test_environment.h"

namespace linkvane {
namespace {

using testing::ColourWindow;
using testing::Grab;
using testing::WaitUntil;

// Test pictures compiled into this test program (tests/controls/bitmaps).
constexpr int kRedSquare32 = 9001;  // black, red square from (8, 8) to (24, 24)
constexpr int kBlue20x12 = 9002;

const QColor kGreen(0, 160, 0);
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);

class BitmapButtonTest : public ::testing::Test {
  protected:
    BitmapButtonTest()
        : m_window(kGreen, QSize(200, 120)), m_button(new COXBitmapButton(&m_window)) {
        m_button->move(20, 20);
    }

    ColourWindow m_window;
    COXBitmapButton* m_button;
};

TEST_F(BitmapButtonTest, FittedPictureSitsInsideFivePixelMarginsAndMovesWhenPressed) {
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, kNoMaskColour));
    m_button->SetTransparentLook(true);
    EXPECT_EQ(m_button->size(), QSize(42, 42));
    EXPECT_EQ(m_button->pos(), QPoint(20, 20)) << "fitting does not move the button";

    struct Sample {
        QPoint at;
        QColor colour;
    };
    const QImage released = Grab(*m_button);
    for (const Sample& s :
         {Sample{{4, 4}, kGreen}, Sample{{5, 5}, kBlack}, Sample{{12, 12}, kBlack},
          Sample{{13, 13}, kRed}, Sample{{28, 28}, kRed}, Sample{{29, 29}, kBlack},
          Sample{{36, 36}, kBlack}, Sample{{37, 37}, kGreen}}) {
        EXPECT_EQ(released.pixelColor(s.at), s.colour) << "released " << s.at.x();
    }
    m_button->setDown(true);
    const QImage pressed = Grab(*m_button);
    for (const Sample& s :
         {Sample{{6, 6}, kGreen}, Sample{{7, 7}, kBlack}, Sample{{14, 14}, kBlack},
          Sample{{15, 15}, kRed}, Sample{{38, 38}, kBlack}, Sample{{39, 39}, kGreen}}) {
        EXPECT_EQ(pressed.pixelColor(s.at), s.colour) << "pressed " << s.at.x();
    }
}

TEST_F(BitmapButtonTest, BlackMaskShowsTheParentThroughThePictureWhereverTheButtonMoves) {
    // A blue sibling under the right half of the window: the parent shows blue there.
    auto* blue = new QWidget(&m_window);
    blue->setGeometry(100, 0, 100, 120);
    QPalette palette = blue->palette();
    palette.setColor(QPalette::Window, Qt::blue);
    blue->setPalette(palette);
    blue->setAutoFillBackground(true);
    m_button->raise();
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    m_button->SetTransparentLook(true);
    m_window.show();
    ASSERT_TRUE(WaitUntil([&] { return m_window.isVisible(); }));
    const QImage image = Grab(*m_button);
    EXPECT_EQ(image.pixelColor(5, 5), kGreen);
    EXPECT_EQ(image.pixelColor(12, 20), kGreen);
    EXPECT_EQ(image.pixelColor(20, 20), kRed);
    m_button->move(130, 20);
    EXPECT_EQ(Grab(*m_button).pixelColor(5, 5), QColor(Qt::blue));
}

TEST_F(BitmapButtonTest, LoadingAgainReplacesThePictureAndRefits) {
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kBlue20x12, true, 0));
    EXPECT_EQ(m_button->size(), QSize(30, 22));
    m_button->SetTransparentLook(true);
    EXPECT_EQ(Grab(*m_button).pixelColor(5, 5), QColor(Qt::blue));

    EXPECT_FALSE(m_button->LoadImageFromBitmap(424242, true, 0));
    EXPECT_FALSE(m_button->HasPicture());
    EXPECT_EQ(m_button->size(), QSize(30, 22)) << "a failed load keeps the size";
    EXPECT_EQ(Grab(*m_button).pixelColor(15, 11), kGreen) << "no picture drawn";
}

TEST_F(BitmapButtonTest, PictureFollowsAlignmentAndShrinksToTheInside) {
    struct Case {
        Qt::Alignment alignment;
        QPoint pictureAt;
    };
    // Button 60 x 30 with a 32 x 32 picture: placed as if 32 x 20 (30 - 10 high).
    const Case cases[] = {{Qt::AlignCenter, {14, 5}},
                          {Qt::AlignLeft | Qt::AlignVCenter, {5, 5}},
                          {Qt::AlignRight | Qt::AlignVCenter, {23, 5}},
                          {Qt::AlignHCenter | Qt::AlignBottom, {14, 5}}};
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, false, kNoMaskColour));
    m_button->resize(60, 30);
    m_button->SetTransparentLook(true);
    for (const Case& c : cases) {
        m_button->SetPictureAlignment(c.alignment);
        EXPECT_EQ(m_button->PictureRect(false), QRect(c.pictureAt, QSize(32, 20)));
        // The picture is drawn whole from that corner: its red square starts 8 further in.
        const QImage image = Grab(*m_button);
        const QPoint red = c.pictureAt + QPoint(8, 8);
        EXPECT_EQ(image.pixelColor(red), kRed);
        EXPECT_EQ(image.pixelColor(red - QPoint(1, 1)), kBlack);
    }
}

TEST_F(BitmapButtonTest, FocusedTransparentButtonShowsSmallEllipseAtPictureCentre) {
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    m_button->SetTransparentLook(true);
    m_window.show();
    QApplication::setActiveWindow(&m_window);
    m_button->clearFocus();
    ASSERT_FALSE(m_button->hasFocus());
    const QImage unfocused = Grab(*m_button);
    m_button->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return m_button->hasFocus(); }));
    const QImage focused = Grab(*m_button);
    // Picture at (5, 5, 32, 32): the ellipse box is shrunk by (32 - 7) / 2 and (32 - 6) / 2.
    const QRect ellipseBox(17, 18, 8, 6);
    const testing::PixelSet changed = testing::Changed(focused, unfocused);
    EXPECT_GT(changed.count, 8);
    EXPECT_TRUE(ellipseBox.contains(changed.bounds)) << "changes outside the ellipse box";
    EXPECT_EQ(testing::Pixels(focused,
                              [&](int x, int y) {
                                  return focused.pixel(x, y) != unfocused.pixel(x, y) &&
                                         focused.pixelColor(x, y) != kBlack;
                              })
                  .count,
              0)
        << "the ellipse is black";
    EXPECT_EQ(focused.pixelColor(17, 21), kBlack) << "left end of the ellipse";
    EXPECT_EQ(focused.pixelColor(20, 20), kRed) << "hollow inside";
}

TEST_F(BitmapButtonTest, TooltipComesFromTheWindowText) {
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    EXPECT_TRUE(m_button->EnableTip(true));
    EXPECT_TRUE(m_button->toolTip().isEmpty()) << "no tooltip part yet";
    m_button->SetTipText(QStringLiteral("Connect"));
    EXPECT_EQ(m_button->WindowText(), QStringLiteral("\nConnect"));
    EXPECT_EQ(m_button->toolTip(), QStringLiteral("Connect"));
    EXPECT_EQ(m_button->accessibleName(), QStringLiteral("Connect"));

    m_button->SetTipText(QString());
    EXPECT_EQ(m_button->WindowText(), QString());
    EXPECT_TRUE(m_button->toolTip().isEmpty());

    m_button->SetWindowText(QStringLiteral("Go\nStart the dial\nignored"));
    EXPECT_EQ(m_button->Caption(), QStringLiteral("Go"));
    EXPECT_EQ(m_button->toolTip(), QStringLiteral("Start the dial"));
    EXPECT_EQ(m_button->accessibleName(), QStringLiteral("Go"));
    m_button->SetTipText(QString());
    EXPECT_EQ(m_button->WindowText(), QStringLiteral("Go")) << "the caption stays";

    m_button->SetTipText(QStringLiteral("Exit"));
    EXPECT_TRUE(m_button->EnableTip(false));
    EXPECT_TRUE(m_button->toolTip().isEmpty());
}

}  // namespace
}  // namespace linkvane
