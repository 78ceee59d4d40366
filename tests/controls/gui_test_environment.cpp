#include "gui_test_environment.h"

#include <gtest/gtest.h>
#include <QtCore/QElapsedTimer>
#include <QtGui/QPainter>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

#include <cstdlib>
#include <memory>

#include "support/golden.h"
#include "support/temp_dir.h"

namespace linkvane::testing {
namespace {

// One QApplication for the whole test program, made before the first test and destroyed
// after the last, so every test runs with a real GUI application on a real display.
class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        // Fixed look: the tests read colours from the palette and sizes from fonts.
        QApplication::setStyle(QStringLiteral("Fusion"));
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

  private:
    int m_argc = 1;
    char m_name[16] = "linkvane-tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

PixelSet Pixels(const QImage& image, const std::function<bool(int x, int y)>& pick) {
    PixelSet set;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (pick(x, y)) {
                ++set.count;
                set.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return set;
}

PixelSet Changed(const QImage& a, const QImage& b) {
    return Pixels(a, [&](int x, int y) { return a.pixel(x, y) != b.pixel(x, y); });
}

void ExpectGoldenImage(const std::string& relative, const QImage& image) {
    // A screen of ratio 2 has its own pictures: rendered there, not drawn at 1x and scaled up.
    std::string name = relative;
    if (image.devicePixelRatio() >= 2.0)
        name.insert(name.rfind('.'), "@2x");
    else if (qEnvironmentVariableIsSet("LINKVANE_EXPECT_HIGH_DENSITY"))
        ADD_FAILURE() << "expected a device pixel ratio of 2, got " << image.devicePixelRatio();
    const QString file = QString::fromStdString(SourcePath("tests/" + name).string());
    if (RewritingGolden()) {
        EXPECT_TRUE(image.save(file, "PNG"));
        return;
    }
    const QImage expected(file);
    ASSERT_FALSE(expected.isNull()) << name << " is missing; LINKVANE_REWRITE_GOLDEN=1 writes it";
    QImage actual = image.convertToFormat(expected.format());
    actual.setDevicePixelRatio(expected.devicePixelRatio());
    EXPECT_TRUE(actual == expected) << "differs from " << name;
}

QImage Stacked(const std::vector<QImage>& images) {
    QSize size;
    for (const QImage& image : images)
        size = QSize(std::max(size.width(), image.width()), size.height() + image.height());
    QImage sheet(size, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int y = 0;
    for (QImage image : images) {
        image.setDevicePixelRatio(1.0);  // drawn pixel for pixel
        painter.drawImage(0, y, image);
        y += image.height();
    }
    painter.end();
    sheet.setDevicePixelRatio(images.empty() ? 1.0 : images.front().devicePixelRatio());
    return sheet;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count()) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

ColourWindow::ColourWindow(QColor colour, QSize size) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
    setAutoFillBackground(true);
    resize(size);
}

}  // namespace linkvane::testing
