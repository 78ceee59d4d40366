#include "controls/text_label.h"

#include <gtest/gtest.h>

#include "gui_test_environment.h"

namespace linkvane {
namespace {

using testing::Grab;

const QColor kPanel(88, 88, 88);
const QColor kCyan(0, 228, 228);

// A label of the given size styled the way the main window styles its labels.
void Style(CTextLabel& label, QSize size, bool bold = false) {
    label.resize(size);
    label.SetBackColour(kPanel, false);
    label.SetTextColour(kCyan, false);
    label.SetFontStyle(CTextLabel::kStyleBold, bold ? 1 : 0, false);
}

// golden/text_labels.png, one label a row: "Last Ping:" bold and normal, in the text colour on
// the background, then "00" at each of the nine alignments (left, centre, right by top, middle,
// bottom) in a label resized to 200 x 48, and again to 90 x 30. The text image (the text plus
// 2-pixel side margins) lies where its centre belongs: at the start, in the middle, or half an
// image (and a pixel) before the end.
TEST(TextLabel, PaintsTextInItsColoursWhereItsAlignmentSays) {
    std::vector<QImage> rows;
    for (const bool bold : {true, false}) {
        CTextLabel label(CTextLabel::kAlignLeft);
        Style(label, {120, 16}, bold);
        label.SetText(QStringLiteral("Last Ping:"));
        rows.push_back(Grab(label));
    }
    for (const QSize size : {QSize(200, 48), QSize(90, 30)}) {
        for (int hAlign = CTextLabel::kAlignLeft; hAlign <= CTextLabel::kAlignRight; ++hAlign) {
            for (int vAlign = CTextLabel::kAlignTop; vAlign <= CTextLabel::kAlignBottom; ++vAlign) {
                CTextLabel label(CTextLabel::kAlignCentre, vAlign);
                ASSERT_TRUE(label.SetHAlign(hAlign, false));
                Style(label, {60, 20});
                label.SetText(QStringLiteral("00"));
                label.resize(size);
                rows.push_back(Grab(label));
            }
        }
    }
    testing::ExpectGoldenImage("controls/golden/text_labels.png", testing::Stacked(rows));
}

// A vertical or unknown code is refused; empty text shows the template text; wide text shows
// its beginning, cut at the right.
TEST(TextLabel, RefusesBadAlignmentsShowsTheTemplateAndCutsWideText) {
    CTextLabel label(CTextLabel::kAlignRight, CTextLabel::kAlignMiddle);
    for (const int code : {3, -1, 6})
        EXPECT_FALSE(label.SetHAlign(code)) << code;
    EXPECT_EQ(label.HAlign(), CTextLabel::kAlignRight);

    const int left = CTextLabel::kAlignLeft, middle = CTextLabel::kAlignMiddle;
    CTextLabel fromTemplate(left, middle, QStringLiteral("Waiting Email:"));
    CTextLabel explicitText(left, middle), narrow(left, middle), wide(left, middle);
    for (CTextLabel* each : {&fromTemplate, &explicitText, &narrow, &wide})
        Style(*each, {150, 16});
    fromTemplate.SetText(QString());
    explicitText.SetText(QStringLiteral("Waiting Email:"));
    EXPECT_EQ(Grab(fromTemplate), Grab(explicitText));
    EXPECT_TRUE(fromTemplate.Text().isEmpty());

    narrow.resize(60, 16);
    wide.resize(400, 16);
    for (CTextLabel* each : {&narrow, &wide})
        each->SetText(QStringLiteral("Reply from 192.0.2.1: bytes=32 time=131ms TTL=52"));
    const QImage cut = Grab(narrow);
    EXPECT_EQ(cut, Grab(wide).copy(0, 0, cut.width(), cut.height()));
}

TEST(TextLabel, SettingsHeldBackShowTogetherOnTheNextRebuild) {
    CTextLabel label(CTextLabel::kAlignLeft, CTextLabel::kAlignMiddle);
    Style(label, {150, 16});
    label.SetText(QStringLiteral("This Call:"));
    // Shown, as in the program: rendering a hidden widget would deliver a resize (and with
    // it a rebuild) on every grab.
    label.show();
    ASSERT_TRUE(testing::WaitUntil([&] { return label.isVisible(); }));
    const QImage first = Grab(label);

    const QColor red(255, 0, 0);
    EXPECT_TRUE(label.SetTextColour(red, false));
    EXPECT_EQ(Grab(label), first) << "nothing rendered yet";
    EXPECT_TRUE(label.SetText(QStringLiteral("This Call:"), true));
    EXPECT_NE(Grab(label), first) << "shown in red";
}

}  // namespace
}  // namespace linkvane
