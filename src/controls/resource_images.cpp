#include "controls/resource_images.h"

#include <QtCore/QFile>
#include <QtGui/QIconEngine>
#include <QtGui/QPainter>
#include <QtSvg/QSvgRenderer>

#include <array>
#include <cmath>
#include <utility>

namespace linkvane {
namespace {

const QString kBitmapPrefix = QStringLiteral(":/bitmaps/");
const QString kIconPrefix = QStringLiteral(":/icons/");
const QString kSvgSuffix = QStringLiteral(".svg");

QImage RenderSvg(const QString& path, QSize size, qreal dpr) {
    if (!QFile::exists(path)) {
        return {};
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    if (size.isEmpty()) {
        size = renderer.defaultSize();
    }
    if (size.isEmpty() || dpr <= 0.0) {
        return {};
    }
    const QSize pixels(static_cast<int>(std::lround(size.width() * dpr)),
                       static_cast<int>(std::lround(size.height() * dpr)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {};
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

QSize SvgSize(const QString& path) {
    if (!QFile::exists(path)) {
        return {};
    }
    QSvgRenderer renderer(path);
    return renderer.isValid() ? renderer.defaultSize() : QSize();
}

// An icon drawn from its SVG at the size asked for, when it is asked for: nothing is rendered
// ahead, and nothing is kept (a window or tray icon asks rarely, and the drawing is small).
class SvgIconEngine final : public QIconEngine {
  public:
    explicit SvgIconEngine(QString path) : m_path(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        QSvgRenderer(m_path).render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QImage image = RenderSvg(m_path, size, 1.0);
        return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(m_path); }
    QString key() const override { return QStringLiteral("linkvane-svg"); }

  private:
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
    return RenderSvg(BitmapResourcePath(name), size, dpr);
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
    const QString path = kIconPrefix + QString::number(id) + kSvgSuffix;
    if (SvgSize(path).isEmpty())
        return {};
    return QIcon(new SvgIconEngine(path));
}

}  // namespace linkvane
