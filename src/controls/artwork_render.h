#pragma once

// Drawing the program's SVG artwork into images, and the pre-drawn form the build keeps of it.
//
// The build draws every bitmap at the device pixel ratios met most (1 and 2) and every icon at
// the usual icon sizes (resources/prerender_artwork.cpp) with RenderSvgFile, and compiles the
// images in beside the drawings as ":/prerendered/<name>" (PrerenderedBitmapName,
// PrerenderedIconName). The program then shows its start-up pictures without parsing or drawing
// SVG; any other size or ratio is drawn from the SVG as before (resource_images.h). A pre-drawn
// image is a small header (the magic "LVA1", width and height as little-endian 32-bit numbers)
// and the pixels, ARGB32 premultiplied, row after row. Any thread (no QPixmap here).

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtGui/QImage>

#include <array>

namespace linkvane {

// The drawing at `path` rendered at `size` (its own size when empty) and device pixel ratio
// `dpr` on a transparent background; null for a missing or invalid drawing.
QImage RenderSvgFile(const QString& path, QSize size, qreal dpr);

inline constexpr std::array kPrerenderedRatios{1, 2};
inline constexpr std::array kPrerenderedIconSides{16, 22, 24, 32, 48, 64, 128, 256};

// Resource names below ":/prerendered/": "bitmaps/181@2x.argb", "icons/129-32.argb".
QString PrerenderedBitmapName(const QString& name, int ratio);
QString PrerenderedIconName(const QString& name, int side);

QByteArray EncodePrerendered(const QImage& image);
// Null for data that is not a whole pre-drawn image.
QImage DecodePrerendered(const QByteArray& data);

}  // namespace linkvane
