#include "controls/artwork_render.h"

#include <QtCore/QFile>
#include <QtCore/QtEndian>
#include <QtGui/QPainter>
#include <QtSvg/QSvgRenderer>

#include <cmath>
#include <cstring>

namespace linkvane {
namespace {

constexpr char kMagic[4] = {'L', 'V', 'A', '1'};
constexpr qsizetype kHeaderSize = 12;

}  // namespace

QImage RenderSvgFile(const QString& path, QSize size, qreal dpr) {
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

QString PrerenderedBitmapName(const QString& name, int ratio) {
    return QStringLiteral("bitmaps/%1@%2x.argb").arg(name).arg(ratio);
}

QString PrerenderedIconName(const QString& name, int side) {
    return QStringLiteral("icons/%1-%2.argb").arg(name).arg(side);
}

QByteArray EncodePrerendered(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qsizetype row = qsizetype{image.width()} * 4;
    QByteArray data(kHeaderSize + row * image.height(), Qt::Uninitialized);
    std::memcpy(data.data(), kMagic, sizeof kMagic);
    qToLittleEndian<quint32>(static_cast<quint32>(image.width()), data.data() + 4);
    qToLittleEndian<quint32>(static_cast<quint32>(image.height()), data.data() + 8);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(data.data() + kHeaderSize + row * y, image.constScanLine(y),
                    static_cast<std::size_t>(row));
    return data;
}

QImage DecodePrerendered(const QByteArray& data) {
    if (data.size() < kHeaderSize || std::memcmp(data.constData(), kMagic, sizeof kMagic) != 0)
        return {};
    const quint32 width = qFromLittleEndian<quint32>(data.constData() + 4);
    const quint32 height = qFromLittleEndian<quint32>(data.constData() + 8);
    // Checked before multiplying: both are at most 2^15, as for any QImage.
    if (width == 0 || height == 0 || width > 32768 || height > 32768 ||
        data.size() != kHeaderSize + qsizetype{width} * height * 4)
        return {};
    QImage image(static_cast<int>(width), static_cast<int>(height),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    const qsizetype row = qsizetype{width} * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), data.constData() + kHeaderSize + row * y,
                    static_cast<std::size_t>(row));
    return image;
}

}  // namespace linkvane
