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

// Fitted, the picture sits inside 5-pixel margins, drawn over what lies beneath the button
// with black as its mask; pressed, it moves by (2, 2). The look follows the button around.
TEST_F(BitmapButtonTest, FittedPictureSitsInsideMarginsOverTheParentAndMovesWhenPressed) {
    auto* blue = new QWidget(&m_window);  // a sibling beneath the button's second place
    blue->setGeometry(100, 0, 100, 120);
    blue->setPalette(QPalette(Qt::blue));
    blue->setAutoFillBackground(true);
    m_button->raise();
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    m_button->SetTransparentLook(true);
    m_window.show();
    ASSERT_TRUE(WaitUntil([&] { return m_window.isVisible(); }));
    EXPECT_EQ(m_button->size(), QSize(42, 42));
    EXPECT_EQ(m_button->pos(), QPoint(20, 20)) << "fitting does not move the button";
    const QImage released = Grab(*m_button);
    EXPECT_EQ(released.pixelColor(12, 12), kGreen) << "the black is masked";
    EXPECT_EQ(released.pixelColor(13, 13), kRed);
    m_button->setDown(true);
    const QImage pressed = Grab(*m_button);
    EXPECT_EQ(pressed.pixelColor(14, 14), kGreen);
    EXPECT_EQ(pressed.pixelColor(15, 15), kRed);
    m_button->move(130, 20);
    EXPECT_EQ(Grab(*m_button).pixelColor(5, 5), QColor(Qt::blue));
}

// A picture larger than the inside is placed as if it were the inside's size, and drawn whole
// from that corner; a later load replaces it and refits, a failed one leaves no picture.
TEST_F(BitmapButtonTest, PictureFollowsAlignmentShrinksToTheInsideAndIsReplacedByALoad) {
    const struct {
        Qt::Alignment alignment;
        QPoint pictureAt;
    } cases[] = {{Qt::AlignCenter, {14, 5}},
                 {Qt::AlignLeft | Qt::AlignVCenter, {5, 5}},
                 {Qt::AlignRight | Qt::AlignBottom, {23, 5}}};
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, false, kNoMaskColour));
    m_button->resize(60, 30);  // a 32 x 32 picture placed as if 32 x 20
    m_button->SetTransparentLook(true);
    for (const auto& c : cases) {
        m_button->SetPictureAlignment(c.alignment);
        EXPECT_EQ(m_button->PictureRect(false), QRect(c.pictureAt, QSize(32, 20)));
        EXPECT_EQ(Grab(*m_button).pixelColor(c.pictureAt + QPoint(8, 8)), kRed);
    }
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kBlue20x12, true, 0));
    EXPECT_EQ(m_button->size(), QSize(30, 22));
    EXPECT_FALSE(m_button->LoadImageFromBitmap(424242, true, 0));
    EXPECT_FALSE(m_button->HasPicture());
    EXPECT_EQ(m_button->size(), QSize(30, 22)) << "a failed load keeps the size";
    EXPECT_EQ(Grab(*m_button).pixelColor(15, 11), kGreen) << "no picture drawn";
}

TEST_F(BitmapButtonTest, FocusedTransparentButtonShowsSmallBlackEllipseAtPictureCentre) {
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    m_button->SetTransparentLook(true);
    m_window.show();
    QApplication::setActiveWindow(&m_window);
    m_button->clearFocus();
    const QImage unfocused = Grab(*m_button);
    m_button->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return m_button->hasFocus(); }));
    const QImage focused = Grab(*m_button);
    // Picture at (5, 5, 32, 32): the ellipse box is shrunk by (32 - 7) / 2 and (32 - 6) / 2.
    EXPECT_EQ(testing::Changed(focused, unfocused).bounds, QRect(17, 18, 8, 6));
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
