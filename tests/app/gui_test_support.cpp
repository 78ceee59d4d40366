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

void ShellTest::SetUp() {
    ConfigHomeTest::SetUp();
    QApplication::setQuitOnLastWindowClosed(false);
    m_registry = std::make_unique<SqliteRegistryStore>(linkvaneDir());
    m_phonebook = std::make_unique<PhonebookFile>(linkvaneDir() / "phonebook.json", m_ports);
    std::filesystem::create_directories(m_scratch.path() / "run");
    std::filesystem::create_directories(m_scratch.path() / "net");
    PppLinkOptions options;
    options.runDir = m_scratch.path() / "run";
    options.netDir = m_scratch.path() / "net";
    options.termGrace = std::chrono::milliseconds(500);
    m_links = std::make_unique<PppLinks>(options);
}

std::unique_ptr<CLinkvaneDlg> ShellTest::MakeWindow(
    const std::function<void(MainWindowServices&)>& adjust) {
    MainWindowServices services(*m_registry, *m_phonebook, *m_links);
    if (adjust)
        adjust(services);
    return std::make_unique<CLinkvaneDlg>(std::move(services));
}

}  // namespace linkvane::testing
