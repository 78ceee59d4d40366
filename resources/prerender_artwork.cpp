// Pre-draws the program's artwork at build time (see src/controls/artwork_render.h):
//   linkvane_prerender_artwork <output-dir> <drawing.svg>...
// A drawing in a folder named "icons" is drawn at every usual icon size, any other at its own
// size at each usual device pixel ratio. Exits 1 when a drawing cannot be drawn or written.

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QGuiApplication>

#include <cstdio>

#include "controls/artwork_render.h"

namespace {

using namespace linkvane;

bool Write(const QDir& out, const QString& name, const QImage& image) {
    QFile file(out.filePath(name));
    if (image.isNull() || !out.mkpath(QFileInfo(file).path()) || !file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = EncodePrerendered(image);
    return file.write(data) == data.size();
}

bool Prerender(const QDir& out, const QString& path) {
    const QFileInfo drawing(path);
    const QString name = drawing.completeBaseName();
    bool written = true;
    if (drawing.dir().dirName() == QStringLiteral("icons")) {
        for (const int side : kPrerenderedIconSides)
            written = Write(out, PrerenderedIconName(name, side),
                            RenderSvgFile(path, QSize(side, side), 1.0)) &&
                      written;
    } else {
        for (const int ratio : kPrerenderedRatios)
            written =
                Write(out, PrerenderedBitmapName(name, ratio), RenderSvgFile(path, {}, ratio)) &&
                written;
    }
    return written;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The drawings' text needs the font database, which needs an application; no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: linkvane_prerender_artwork <output-dir> <drawing.svg>...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        if (!Prerender(out, QString::fromLocal8Bit(argv[i]))) {
            std::fprintf(stderr, "linkvane_prerender_artwork: cannot pre-draw %s\n", argv[i]);
            status = 1;
        }
    }
    return status;
}
