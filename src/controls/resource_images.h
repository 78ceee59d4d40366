#pragma once

// Lookup of the bitmaps and icons compiled into the program. Each picture is an SVG
// drawing stored as ":/bitmaps/<name>.svg" or ":/icons/<name>.svg", where the name is the
// resource number (resource_ids.h) or, for pictures loaded by name, that name. The
// drawing's own width and height are the bitmap's size in device-independent pixels.
//
// Pictures are rendered at a device pixel ratio so that they stay sharp on high-density
// screens; the returned pixmaps carry that ratio. A missing resource gives a null
// image or pixmap and an invalid size; nothing throws. GUI thread only (QPixmap).

#include <QtGui/QColor>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QPalette>
#include <QtGui/QPixmap>

#include <cstdint>

namespace linkvane {

// The resource path of a bitmap named by number or by name.
QString BitmapResourcePath(int id);
QString BitmapResourcePath(const QString& name);

// The drawing's own size; invalid (QSize()) when there is no such bitmap.
QSize BitmapResourceSize(int id);
QSize BitmapResourceSize(const QString& name);

// The picture rendered at `size` (its own size when `size` is empty) and device pixel
// ratio `dpr`, on a transparent background: what the drawing leaves empty is the
// bitmap's black background (see ApplyMaskColour). Format ARGB32_Premultiplied.
QImage RenderBitmapResource(const QString& name, QSize size = {}, qreal dpr = 1.0);
QPixmap LoadBitmapResource(int id, QSize size = {}, qreal dpr = 1.0);

// Colour values as the bitmap button takes them: 0x00RRGGBB, all ones for "no mask".
inline constexpr std::uint32_t kNoMaskColour = 0xFFFFFFFFu;

// Gives a rendered picture the look of a bitmap drawn with a mask colour. The picture is
// laid on its black background; pixels that then have the mask colour become transparent.
// With black as the mask the drawing's own coverage is kept as alpha, so its edges blend
// with whatever is behind instead of carrying a dark fringe. Without a mask the result is
// opaque.
QImage ApplyMaskColour(const QImage& picture, std::uint32_t maskColour);

// Replaces the three greys of classic 3-D artwork (128, 192 and 223) by the palette's
// shadow, button-face and light colours, so a picture follows the desktop's colours.
QImage MapThreeDColours(const QImage& picture, const QPalette& palette);

// An icon drawn from ":/icons/<id>.svg" at whatever size is asked of it (the usual icon
// sizes are offered); null when missing.
QIcon LoadIconResource(int id);

}  // namespace linkvane
