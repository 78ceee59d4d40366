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
constexpr int kRedDisc32 = 9004;

const QColor kGreen(0, 160, 0);

class BitmapButtonTest : public ::testing::Test {
  protected:
    BitmapButtonTest()
        : m_window(kGreen, QSize(200, 120)), m_button(new COXBitmapButton(&m_window)) {
        m_button->move(20, 20);
    }

    ColourWindow m_window;
    COXBitmapButton* m_button;
};

// golden/bitmap_buttons.png, one state a row. Fitted, the picture sits inside 5-pixel margins,
// drawn over what lies beneath the button with black as its mask: released, pressed (moved by
// (2, 2)), focused (a small black ellipse at the picture's centre, hollow), and moved over a
// blue sibling, whose colour it then shows. Then a picture larger than the inside, placed as
// if it were the inside's size and drawn whole from that corner: centred, left, right and
// bottom. Then a button whose load failed, which draws no picture, its caption pressed, and a
// disc.
TEST_F(BitmapButtonTest, DrawsThePictureAsItsStateAndAlignmentSay) {
    auto* blue = new QWidget(&m_window);  // a sibling beneath the button's second place
    blue->setGeometry(100, 0, 100, 120);
    blue->setPalette(QPalette(Qt::blue));
    blue->setAutoFillBackground(true);
    m_button->raise();
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, true, 0));
    m_button->SetTransparentLook(true);
    m_window.show();
    QApplication::setActiveWindow(&m_window);
    EXPECT_EQ(m_button->size(), QSize(42, 42));
    EXPECT_EQ(m_button->pos(), QPoint(20, 20)) << "fitting does not move the button";
    m_button->clearFocus();
    std::vector<QImage> rows{Grab(*m_button)};
    m_button->setDown(true);
    rows.push_back(Grab(*m_button));
    m_button->setDown(false);
    m_button->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return m_button->hasFocus(); }));
    rows.push_back(Grab(*m_button));
    m_button->clearFocus();
    m_button->move(130, 20);
    rows.push_back(Grab(*m_button));

    const struct {
        Qt::Alignment alignment;
        QPoint pictureAt;
    } cases[] = {{Qt::AlignCenter, {14, 5}},
                 {Qt::AlignLeft | Qt::AlignVCenter, {5, 5}},
                 {Qt::AlignRight | Qt::AlignBottom, {23, 5}}};
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedSquare32, false, kNoMaskColour));
    m_button->resize(60, 30);  // a 32 x 32 picture placed as if 32 x 20
    for (const auto& c : cases) {
        m_button->SetPictureAlignment(c.alignment);
        EXPECT_EQ(m_button->PictureRect(false), QRect(c.pictureAt, QSize(32, 20)));
        rows.push_back(Grab(*m_button));
    }
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kBlue20x12, true, 0));
    EXPECT_EQ(m_button->size(), QSize(30, 22));
    EXPECT_FALSE(m_button->LoadImageFromBitmap(424242, true, 0));
    EXPECT_FALSE(m_button->HasPicture());
    EXPECT_EQ(m_button->size(), QSize(30, 22)) << "a failed load keeps the size";
    rows.push_back(Grab(*m_button));
    m_button->SetWindowText(QStringLiteral("Go"));  // a caption, pressed, moves as a picture does
    m_button->setDown(true);
    rows.push_back(Grab(*m_button));
    // A disc's curved edges show whether a picture is rendered for the screen or scaled up.
    m_button->SetWindowText(QString());
    m_button->setDown(false);
    ASSERT_TRUE(m_button->LoadImageFromBitmap(kRedDisc32, true, 0));
    rows.push_back(Grab(*m_button));
    testing::ExpectGoldenImage("controls/golden/bitmap_buttons.png", testing::Stacked(rows));
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
