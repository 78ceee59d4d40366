// Writes the program's artwork as PNG files for review, and a mock-up of the main window
// built from the real controls:
//   linkvane_render_artwork <output-dir>
// Run with QT_SCALE_FACTOR=2 to see the high-density rendering of the mock-up.

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>

#include <cstdio>

#include "controls/bitmap_button.h"
#include "controls/bitmap_panel.h"
#include "controls/dialog_units.h"
#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "controls/round_region.h"
#include "controls/text_label.h"

namespace {

using namespace linkvane;

// Every picture at 1x and 2x, laid on the panel colour so transparency reads as it will.
void WritePictures(const QDir& out) {
    QDirIterator it(QStringLiteral(":/bitmaps"));
    while (it.hasNext()) {
        const QString name = it.nextFileInfo().baseName();
        for (const int scale : {1, 2, 4}) {
            QImage picture = RenderBitmapResource(name, {}, scale);
            picture.setDevicePixelRatio(1.0);  // one image pixel per file pixel
            QImage sheet(picture.size(), QImage::Format_ARGB32_Premultiplied);
            sheet.fill(QColor(88, 88, 88));
            QPainter(&sheet).drawImage(0, 0, picture);
            sheet.save(out.filePath(QStringLiteral("bitmap-%1@%2x.png").arg(name).arg(scale)));
        }
    }
    // One sheet of the small pictures at 4x, in the order of the main window.
    const int sheetIds[] = {153, 159, 145, 163, 158, 146, 144, 156, 157, 183,
                            182, 179, 177, 184, 185, 196, 195, 198, 197};
    QImage sheet(QSize(1400, 110), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(88, 88, 88));
    {
        QPainter painter(&sheet);
        int x = 8;
        for (const int id : sheetIds) {
            const QImage picture = RenderBitmapResource(QString::number(id), {}, 4);
            painter.drawImage(QRectF(x, 8, picture.width(), picture.height()), picture);
            painter.setPen(Qt::white);
            painter.drawText(QPointF(x, 104), QString::number(id));
            x += picture.width() + 12;
        }
    }
    sheet.save(out.filePath(QStringLiteral("sheet-pictures@4x.png")));
    for (const int id : {resource::kAppIcon, resource::kNewMailIcon}) {
        const QIcon icon = LoadIconResource(id);
        for (const int side : {16, 22, 32, 64, 256}) {
            icon.pixmap(side, side)
                .save(out.filePath(QStringLiteral("icon-%1-%2.png").arg(id).arg(side)));
        }
    }
}

CTextLabel* AddLabel(QWidget* parent, QRect dlu, const QString& text, QColor colour, bool bold) {
    auto* label = new CTextLabel(CTextLabel::kAlignCentre, CTextLabel::kAlignMiddle, {}, parent);
    label->setGeometry(DialogUnitsToPixels(dlu));
    label->SetHAlign(CTextLabel::kAlignLeft, false);
    label->SetBackColour(QColor(88, 88, 88), false);
    label->SetTextColour(colour, false);
    label->SetFontStyle(CTextLabel::kStyleBold, bold ? 1 : 0, false);
    label->SetText(text);
    return label;
}

void AddPictureButton(QWidget* parent, QPoint dlu, int upId) {
    auto* button = new COXBitmapButton(parent);
    button->move(DialogUnitsToPixels(QRect(dlu, QSize(1, 1))).topLeft());
    button->LoadImageFromBitmap(upId, true, 0);
    button->SetTransparentLook(true);
}

// The main window's controls at their places, expanded, to judge the artwork together.
void WriteMockUp(const QDir& out) {
    QWidget window;
    window.resize(450, 166);
    auto* upper = new CBitmapPanel(&window);
    auto* lower = new CBitmapPanel(&window);
    lower->setGeometry(DialogUnitsToPixels(QRect(0, 48, 301, 54)));
    upper->setGeometry(DialogUnitsToPixels(QRect(0, 0, 301, 52)));
    upper->LoadById(resource::kUpperPanel);
    lower->LoadById(resource::kLowerPanel);
    upper->raise();
    const QColor cyan(0, 228, 228);
    const QColor yellow(243, 238, 165);
    const QColor green(0, 228, 0);
    const int shortcutRows[] = {10, 22, 34};
    const char* shortcutTexts[] = {"Home Page", "Web Mail", "Notepad"};
    for (int i = 0; i < 3; ++i) {
        AddPictureButton(&window, QPoint(88, shortcutRows[i]), resource::kShortcutUp);
        AddLabel(&window, QRect(101, shortcutRows[i] + 1, 49, 8),
                 QString::fromLatin1(shortcutTexts[i]), green, true);
    }
    const int topRow[] = {resource::kSetup, resource::kMail, resource::kWeb, resource::kConnectIdle,
                          resource::kExit};
    for (int i = 0; i < 5; ++i) {
        auto* button = new COXBitmapButton(&window);
        button->move(DialogUnitsToPixels(QRect(161 + 27 * i, 6, 18, 16)).topLeft());
        button->LoadImageFromBitmap(topRow[i], true, 0);
        button->SetTransparentLook(true);
        button->EnableTip(true);
    }
    auto* profiles = new QComboBox(&window);
    profiles->addItem(QStringLiteral("Example Net"));
    profiles->setGeometry(DialogUnitsToPixels(QRect(157, 32, 104, 13)));
    AddPictureButton(&window, QPoint(266, 34), resource::kHideUp);
    AddPictureButton(&window, QPoint(282, 34), resource::kExpandUp);
    AddPictureButton(&window, QPoint(13, 59), resource::kViewLogUp);
    AddPictureButton(&window, QPoint(61, 59), resource::kCheckMailUp);
    AddPictureButton(&window, QPoint(109, 59), resource::kPingUp);
    AddLabel(&window, QRect(7, 78, 46, 8), QStringLiteral("New Email:"), cyan, true);
    AddLabel(&window, QRect(56, 78, 144, 8), QStringLiteral("2 New Messages (5120 bytes)"), yellow,
             false);
    AddLabel(&window, QRect(12, 88, 39, 8), QStringLiteral("Last Ping:"), cyan, true);
    AddLabel(&window, QRect(56, 88, 144, 8), QStringLiteral("Reply from 192.0.2.1: 31 ms"), yellow,
             false);
    AddLabel(&window, QRect(206, 88, 41, 8), QStringLiteral("This Call:"), cyan, true);
    const int clock[] = {253, 267, 283};
    const char* clockTexts[] = {"01", "07", "42"};
    for (int i = 0; i < 3; ++i) {
        AddLabel(&window, QRect(clock[i], 88, 12, 8), QString::fromLatin1(clockTexts[i]), yellow,
                 false);
    }
    window.setMask(RoundedRectRegion(window.rect(), QSize(20, 20)));
    window.show();
    QApplication::processEvents();
    QImage shot = window.grab().toImage();
    shot.save(out.filePath(QStringLiteral("mockup-main-window.png")));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: linkvane_render_artwork <output-dir>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    WritePictures(out);
    WriteMockUp(out);
    return 0;
}
