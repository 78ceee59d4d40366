#pragma once

// Dialog units to pixels. The window layouts are given in dialog units of an 8-point
// "MS Sans Serif" dialog, whose base units are 6 x 13 pixels: x pixels = x * 6 / 4,
// y pixels = y * 13 / 8, rounded to the nearest pixel as the dialog manager does.

#include <QtCore/QRect>
#include <QtCore/QSize>

namespace linkvane {

inline constexpr int kDialogBaseUnitX = 6;
inline constexpr int kDialogBaseUnitY = 13;

int DialogUnitsToPixelsX(int x);
int DialogUnitsToPixelsY(int y);
QSize DialogUnitsToPixels(QSize size);
// Each edge is converted on its own, so adjacent rectangles stay adjacent.
QRect DialogUnitsToPixels(QRect rect);

}  // namespace linkvane
