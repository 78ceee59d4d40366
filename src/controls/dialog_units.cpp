#include "controls/dialog_units.h"

namespace linkvane {
namespace {

// value * numerator / denominator rounded half away from zero.
int MulDivRound(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

int DialogUnitsToPixelsX(int x) {
    return MulDivRound(x, kDialogBaseUnitX, 4);
}

int DialogUnitsToPixelsY(int y) {
    return MulDivRound(y, kDialogBaseUnitY, 8);
}

QSize DialogUnitsToPixels(QSize size) {
    return {DialogUnitsToPixelsX(size.width()), DialogUnitsToPixelsY(size.height())};
}

QRect DialogUnitsToPixels(QRect rect) {
    const int left = DialogUnitsToPixelsX(rect.x());
    const int top = DialogUnitsToPixelsY(rect.y());
    const int right = DialogUnitsToPixelsX(rect.x() + rect.width());
    const int bottom = DialogUnitsToPixelsY(rect.y() + rect.height());
    return {left, top, right - left, bottom - top};
}

}  // namespace linkvane
