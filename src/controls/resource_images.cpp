#include "controls/resource_images.h"

#include <QtCore/QFile>
#include <QtCore/QResource>
#include <QtGui/QIconEngine>
#include <QtGui/QPainter>
#include <QtSvg/QSvgRenderer>

#include <array>
#include <cmath>
#include <utility>

#include "controls/artwork_render.h"

namespace linkvane {
namespace {

const QString kBitmapPrefix = QStringLiteral(":/bitmaps/");
const QString kIconPrefix = QStringLiteral(":/icons/");
const QString kSvgSuffix = QStringLiteral(".svg");
const QString kPrerenderedPrefix = QStringLiteral(":/prerendered/");

// The build's pre-drawn image of that name, or null.
QImage Prerendered(const QString& name) {
    const QResource resource(kPrerenderedPrefix + name);
    return resource.isValid() ? DecodePrerendered(resource.uncompressedData()) : QImage();
}

// The pre-drawn bitmap for an own-size picture at a pre-drawn ratio, else the drawing rendered.
QImage RenderBitmap(const QString& name, QSize size, qreal dpr) {
    if (size.isEmpty()) {
        for (const int ratio : kPrerenderedRatios) {
            if (dpr != ratio)
                continue;
            QImage image = Prerendered(PrerenderedBitmapName(name, ratio));
            if (!image.isNull()) {
                image.setDevicePixelRatio(dpr);
                return image;
            }
        }
    }
    return RenderSvgFile(BitmapResourcePath(name), size, dpr);
}

// An icon side in pixels that the build pre-drew, or 0.
int PrerenderedSide(QSize pixels) {
    for (const int side : kPrerenderedIconSides) {
        if (pixels == QSize(side, side))
            return side;
    }
    return 0;
}

QSize SvgSize(const QString& path) {
    if (!QFile::exists(path)) {
        return {};
    }
    QSvgRenderer renderer(path);
    return renderer.isValid() ? renderer.defaultSize() : QSize();
}

// An icon drawn at the size asked for, when it is asked for: pre-drawn at the usual sizes, else
// from its SVG. Nothing is kept (a window or tray icon asks rarely, and the drawing is small).
class SvgIconEngine final : public QIconEngine {
  public:
    SvgIconEngine(QString name, QString path) : m_name(std::move(name)), m_path(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal dpr =
            painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
        const QSize pixels(static_cast<int>(std::lround(rect.width() * dpr)),
                           static_cast<int>(std::lround(rect.height() * dpr)));
        if (const int side = PrerenderedSide(pixels); side != 0) {
            const QImage image = Prerendered(PrerenderedIconName(m_name, side));
            if (!image.isNull()) {
                painter->drawImage(rect, image);
                return;
            }
        }
        QSvgRenderer(m_path).render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        QImage image;
        if (const int side = PrerenderedSide(size); side != 0)
            image = Prerendered(PrerenderedIconName(m_name, side));
        if (image.isNull())
            image = RenderSvgFile(m_path, size, 1.0);
        return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : kPrerenderedIconSides)
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(m_name, m_path); }
    QString key() const override { return QStringLiteral("linkvane-svg"); }

  private:
    QString m_name;
    QString m_path;
};

}  // namespace

QString BitmapResourcePath(int id) {
    return BitmapResourcePath(QString::number(id));
}

QString BitmapResourcePath(const QString& name) {
    return kBitmapPrefix + name + kSvgSuffix;
}

QSize BitmapResourceSize(int id) {
    return SvgSize(BitmapResourcePath(id));
}

QSize BitmapResourceSize(const QString& name) {
    return SvgSize(BitmapResourcePath(name));
}

QImage RenderBitmapResource(const QString& name, QSize size, qreal dpr) {
    return RenderBitmap(name, size, dpr);
}

QPixmap LoadBitmapResource(int id, QSize size, qreal dpr) {
    const QImage image = RenderBitmapResource(QString::number(id), size, dpr);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

QImage ApplyMaskColour(const QImage& picture, std::uint32_t maskColour) {
    if (picture.isNull()) {
        return {};
    }
    QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const bool noMask = maskColour == kNoMaskColour;
    const QRgb key = qRgb(qRed(maskColour), qGreen(maskColour), qBlue(maskColour));
    const bool keepCoverage = !noMask && key == qRgb(0, 0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Premultiplied over black: the colour channels are already the composite.
            const QRgb onBlack = qRgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
            if (noMask) {
                line[x] = onBlack;
            } else if (onBlack == key) {
                line[x] = 0;
            } else if (!keepCoverage) {
                line[x] = onBlack;
            }
        }
    }
    return image;
}

QImage MapThreeDColours(const QImage& picture, const QPalette& palette) {
    if (picture.isNull()) {
        return {};
    }
    struct Mapping {
        QRgb grey;
        QPalette::ColorRole role;
    };
    const std::array<Mapping, 3> mappings{{{qRgb(128, 128, 128), QPalette::Dark},
                                           {qRgb(192, 192, 192), QPalette::Button},
                                           {qRgb(223, 223, 223), QPalette::Midlight}}};
    QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 255) {
                continue;
            }
            for (const Mapping& mapping : mappings) {
                if (line[x] == mapping.grey) {
                    line[x] = palette.color(QPalette::Active, mapping.role).rgb();
                    break;
                }
            }
        }
    }
    return image;
}

QIcon LoadIconResource(int id) {
    const QString name = QString::number(id);
    const QString path = kIconPrefix + name + kSvgSuffix;
    // A pre-drawn icon had a valid drawing at build time; only others are parsed to tell.
    const bool drawn =
        QResource(kPrerenderedPrefix + PrerenderedIconName(name, kPrerenderedIconSides.front()))
            .isValid();
    if (!drawn && SvgSize(path).isEmpty())
        return {};
    return QIcon(new SvgIconEngine(name, path));
}

}  // namespace linkvane
