#include "gui_test_support.h"

#include <QtCore/QDir>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <memory>

#include "gui_test_environment.h"

#include "support/temp_dir.h"

namespace linkvane::testing {

namespace {

void AnswerWhenReady(std::shared_ptr<bool> ran, std::function<void(QWidget&)> action,
                     int triesLeft) {
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr) {
        *ran = true;
        action(*modal);
        return;
    }
    if (triesLeft > 0) {
        QTimer::singleShot(20, [ran, action = std::move(action), triesLeft]() mutable {
            AnswerWhenReady(std::move(ran), std::move(action), triesLeft - 1);
        });
    }
}

}  // namespace

ModalAnswer::ModalAnswer(std::function<void(QWidget&)> action, std::chrono::milliseconds delay)
    : m_ran(std::make_shared<bool>(false)) {
    QTimer::singleShot(delay, [ran = m_ran, action = std::move(action)]() mutable {
        AnswerWhenReady(std::move(ran), std::move(action), 100);
    });
}

QString SaveArtifact(const QImage& image, const QString& name) {
    const QDir dir(QString::fromStdString(BinaryPath("artifacts").string()));
    dir.mkpath(QStringLiteral("."));
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    image.save(path);
    return path;
}

int CountPixels(const QImage& image, const QColor& colour, int tolerance) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            if (Near(rgb.pixelColor(x, y), colour, tolerance))
                ++count;
        }
    }
    return count;
}

}  // namespace linkvane::testing
