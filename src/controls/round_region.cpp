#include "controls/round_region.h"

#include <QtWidgets/QWidget>

#include <algorithm>

namespace linkvane {

QRegion RoundedRectRegion(const QRect& rect, const QSize& cornerSize) {
    if (rect.isEmpty()) {
        return {};
    }
    const int cw = std::clamp(cornerSize.width(), 0, rect.width());
    const int ch = std::clamp(cornerSize.height(), 0, rect.height());
    if (cw < 2 || ch < 2) {
        return QRegion(rect);
    }
    // Two crossing rectangles cover everything but the corners; each corner is filled by
    // its quarter of an ellipse of the corner size.
    QRegion region(rect.adjusted(cw / 2, 0, -(cw / 2), 0));
    region += QRegion(rect.adjusted(0, ch / 2, 0, -(ch / 2)));
    const int right = rect.left() + rect.width() - cw;
    const int bottom = rect.top() + rect.height() - ch;
    for (const QPoint corner : {rect.topLeft(), QPoint(right, rect.top()),
                                QPoint(rect.left(), bottom), QPoint(right, bottom)}) {
        region += QRegion(QRect(corner, QSize(cw, ch)), QRegion::Ellipse);
    }
    return region;
}

bool CRoundRegion::SetRoundRegion(const std::optional<QRect>& rect,
                                  const std::optional<QSize>& cornerSize) {
    QWidget* host = RegionHost();
    if (host == nullptr) {
        return false;
    }
    const QRect area = rect.value_or(host->rect());
    host->clearMask();
    m_region = RoundedRectRegion(area, cornerSize.value_or(QSize(0, 0)));
    host->setMask(m_region);
    host->update();
    return true;
}

}  // namespace linkvane
