#include "controls/text_label.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "gui_test_environment.h"

namespace linkvane {
namespace {

using testing::Grab;
using testing::InkBounds;
using testing::Near;
using testing::Pixels;

const QColor kPanel(88, 88, 88);
const QColor kCyan(0, 228, 228);
const QColor kYellow(243, 238, 165);

// A label styled the way the main window styles its labels.
void Style(CTextLabel& label, QColor textColour, bool bold) {
    label.SetHAlign(CTextLabel::kAlignLeft, false);
    label.SetBackColour(kPanel, false);
    label.SetTextColour(textColour, false);
    label.SetFontStyle(CTextLabel::kStyleBold, bold ? 1 : 0, false);
}

// True when `c` lies between the background and the text colour (antialiased glyph edges).
bool IsBlendOf(QColor c, QColor background, QColor text) {
    for (int step = 0; step <= 64; ++step) {
        const auto mix = [&](int b, int t) { return b + (t - b) * step / 64; };
        const QColor expected(mix(background.red(), text.red()),
                              mix(background.green(), text.green()),
                              mix(background.blue(), text.blue()));
        if (Near(c, expected, 12)) {
            return true;
        }
    }
    return false;
}

TEST(TextLabel, PaintsTextInItsColourOnItsBackgroundAndBoldWider) {
    CTextLabel label;
    label.resize(120, 16);
    Style(label, kCyan, true);
    ASSERT_TRUE(label.SetText(QStringLiteral("Last Ping:")));
    const QImage image = Grab(label);

    const auto count = [&](const std::function<bool(QColor)>& pick) {
        return Pixels(image, [&](int x, int y) { return pick(image.pixelColor(x, y)); }).count;
    };
    EXPECT_GT(count([](QColor c) { return Near(c, kCyan, 24); }), 20) << "glyphs in text colour";
    EXPECT_GT(count([](QColor c) { return c == kPanel; }), image.width() * image.height() / 2);
    EXPECT_EQ(count([](QColor c) { return !IsBlendOf(c, kPanel, kCyan); }), 0) << "stray colour";
    // The corners and the far right, past the text, are background.
    EXPECT_EQ(image.pixelColor(image.width() - 1, 0), kPanel);
    EXPECT_EQ(image.pixelColor(0, image.height() - 1), kPanel);

    CTextLabel normal;
    normal.resize(120, 16);
    Style(normal, kCyan, false);
    normal.SetText(QStringLiteral("Last Ping:"));
    EXPECT_GT(InkBounds(image, kPanel).width(), InkBounds(Grab(normal), kPanel).width());
    EXPECT_GT(label.TextSize().width(), normal.TextSize().width());
}

TEST(TextLabel, PlacesTextAsItsAlignmentSays) {
    const QSize size(200, 48);
    for (int hAlign = 0; hAlign <= 2; ++hAlign) {
        for (int vAlign = 3; vAlign <= 5; ++vAlign) {
            SCOPED_TRACE(::testing::Message() << "alignment " << hAlign << "/" << vAlign);
            CTextLabel label(hAlign, vAlign);
            label.resize(size);
            label.SetBackColour(kPanel, false);
            label.SetTextColour(kYellow, false);
            label.SetText(QStringLiteral("00"));
            const QRect ink = InkBounds(Grab(label), kPanel);
            ASSERT_FALSE(ink.isEmpty());
            // The text image (text plus 2-pixel side margins) lies where its centre belongs:
            // at the start, in the middle, or half an image (and a pixel) before the end.
            const QSize text = label.TextSize();
            const auto start = [](int step, int room, int extent) {
                const int centres[] = {extent / 2, room / 2, room - extent / 2 - 1};
                return centres[step] - extent / 2;
            };
            const QRect image(QPoint(start(hAlign, size.width(), text.width()),
                                     start(vAlign - 3, size.height(), text.height())),
                              text);
            EXPECT_TRUE(image.contains(ink)) << "ink outside the text image";
            EXPECT_LE(ink.left() - image.left(), 4);
            EXPECT_LE(image.right() - ink.right(), 4);
        }
    }
}

TEST(TextLabel, SetHAlignRefusesVerticalAndUnknownCodes) {
    CTextLabel label(CTextLabel::kAlignRight, CTextLabel::kAlignMiddle);
    label.resize(160, 16);
    label.SetText(QStringLiteral("Ping"));
    const QImage before = Grab(label);
    for (const int code : {3, 4, 5, -1, 6}) {
        EXPECT_FALSE(label.SetHAlign(code)) << code;
        EXPECT_EQ(label.HAlign(), CTextLabel::kAlignRight);
    }
    EXPECT_EQ(Grab(label), before);
    EXPECT_TRUE(label.SetHAlign(CTextLabel::kAlignLeft));
    EXPECT_NE(Grab(label), before);
}

// Empty text shows the template text; wide left-aligned text shows its beginning, cut at
// the right.
TEST(TextLabel, EmptyTextShowsTheTemplateAndWideTextIsCutAtTheRight) {
    const auto left = CTextLabel::kAlignLeft;
    const auto middle = CTextLabel::kAlignMiddle;
    CTextLabel fromTemplate(left, middle, QStringLiteral("Waiting Email:"));
    CTextLabel explicitText(left, middle), narrow(left, middle), wide(left, middle);
    for (CTextLabel* label : {&fromTemplate, &explicitText, &narrow, &wide}) {
        label->resize(150, 16);
        label->SetBackColour(kPanel, false);
        label->SetTextColour(kCyan, false);
    }
    fromTemplate.SetText(QString());
    explicitText.SetText(QStringLiteral("Waiting Email:"));
    const QImage shown = Grab(fromTemplate);
    EXPECT_FALSE(InkBounds(shown, kPanel).isEmpty());
    EXPECT_EQ(shown, Grab(explicitText));
    EXPECT_TRUE(fromTemplate.Text().isEmpty());

    narrow.resize(60, 16);
    wide.resize(400, 16);
    for (CTextLabel* label : {&narrow, &wide})
        label->SetText(QStringLiteral("Reply from 192.0.2.1: bytes=32 time=131ms TTL=52"));
    const QImage cut = Grab(narrow);
    EXPECT_EQ(cut, Grab(wide).copy(0, 0, cut.width(), cut.height()));
    EXPECT_EQ(InkBounds(cut, kPanel).right(), cut.width() - 1) << "text runs to the edge";
}

TEST(TextLabel, SettingsHeldBackShowTogetherOnTheNextRebuild) {
    CTextLabel label(CTextLabel::kAlignLeft, CTextLabel::kAlignMiddle);
    label.resize(150, 16);
    Style(label, kYellow, false);
    label.SetText(QStringLiteral("This Call:"));
    // Shown, as in the program: rendering a hidden widget would deliver a resize (and with
    // it a rebuild) on every grab.
    label.show();
    ASSERT_TRUE(testing::WaitUntil([&] { return label.isVisible(); }));
    const QImage first = Grab(label);
    const int firstWidth = InkBounds(first, kPanel).width();

    const QColor red(255, 0, 0);
    EXPECT_TRUE(label.SetTextColour(red, false));
    EXPECT_TRUE(label.SetFontStyle(CTextLabel::kStyleBold, 1, false));
    // Nothing rendered yet: the label still shows the old text image.
    EXPECT_EQ(Grab(label), first);

    EXPECT_TRUE(label.SetText(QStringLiteral("This Call:"), true));
    const QImage after = Grab(label);
    EXPECT_GT(
        Pixels(after, [&](int x, int y) { return Near(after.pixelColor(x, y), red, 30); }).count,
        0);
    EXPECT_GT(InkBounds(after, kPanel).width(), firstWidth);
}

TEST(TextLabel, ResizingRealignsTheText) {
    CTextLabel label;
    Style(label, kCyan, false);
    label.SetHAlign(CTextLabel::kAlignRight, false);
    label.resize(100, 16);
    label.SetText(QStringLiteral("42"));
    const QRect small = InkBounds(Grab(label), kPanel);
    label.resize(220, 30);
    const QRect large = InkBounds(Grab(label), kPanel);
    EXPECT_EQ(large.right() - small.right(), 120);
    EXPECT_GT(large.top(), small.top()) << "re-centred vertically in the taller label";
}

}  // namespace
}  // namespace linkvane
