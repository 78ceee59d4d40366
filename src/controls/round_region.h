#pragma once

// CRoundRegion gives a host window a rounded outline: a mask shaped as a rectangle whose
// corners are quarter ellipses of the given corner size. A window inherits it next to its
// widget base and names itself as the host. The region is computed when SetRoundRegion
// is called and not recomputed when the host changes size. GUI thread only.

#include <QtCore/QRect>
#include <QtCore/QSize>
#include <QtGui/QRegion>

#include <optional>

class QWidget;

namespace linkvane {

// The rounded rectangle as a region: corners cut by an ellipse of cornerSize (width and
// height of the whole ellipse, as for a window region). An empty corner gives the plain
// rectangle.
QRegion RoundedRectRegion(const QRect& rect, const QSize& cornerSize);

class CRoundRegion {
  public:
    CRoundRegion() = default;
    virtual ~CRoundRegion() = default;
    CRoundRegion(const CRoundRegion&) = delete;
    CRoundRegion& operator=(const CRoundRegion&) = delete;

    // Shapes the host: `rect` defaults to the host's client rectangle at the moment of the
    // call, `cornerSize` to none (square corners). Replaces any earlier shape. False only
    // when there is no host window.
    bool SetRoundRegion(const std::optional<QRect>& rect = std::nullopt,
                        const std::optional<QSize>& cornerSize = std::nullopt);

    // The region given to the host last (empty before the first call).
    const QRegion& RoundRegion() const { return m_region; }

  protected:
    // The window to shape.
    virtual QWidget* RegionHost() = 0;

  private:
    QRegion m_region;
};

}  // namespace linkvane
