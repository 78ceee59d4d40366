#include "gui_test_support.h"

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QWidget>

#include <memory>

#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "gui_test_environment.h"
#include "platform/modem_engine.h"

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
    options.pppdPath =
        STAND_IN_PPPD;  // the window lists its links with the stand-in taken for pppd
    m_links = std::make_unique<PppLinks>(options);
}

std::unique_ptr<CLinkvaneDlg> ShellTest::MakeWindow(
    const std::function<void(MainWindowServices&)>& adjust) {
    MainWindowServices services(*m_registry, *m_phonebook, *m_links);
    if (adjust)
        adjust(services);
    return std::make_unique<CLinkvaneDlg>(std::move(services));
}

void DialShellTest::SetUp() {
    ShellTest::SetUp();
    ::setenv("LINKVANE_PPPD_SCENARIO", "up", 1);
    ::unsetenv("LINKVANE_PPPD_PASSWORD");
    ::setenv("LINKVANE_PPPD_RUNDIR", (m_scratch.path() / "run").c_str(), 1);
    ::setenv("LINKVANE_PPPD_NETDIR", (m_scratch.path() / "net").c_str(), 1);
}

void DialShellTest::Settings(std::uint32_t attempts, std::uint32_t timeout) {
    COXRegistryItem item(*m_registry, kSettingsKey);
    item.SetNumberValue(attempts, "RedialAttempts");
    item.SetNumberValue(timeout, "RedialTimeout");
}

void DialShellTest::Modem(const std::string& script) {
    m_modem = std::make_unique<ModemSimulator>(MODEM_SIMULATOR, m_scratch.path(), script);
}

void DialShellTest::AddProfile(const std::string& name, const std::string& number,
                               const std::string& login, std::int32_t useLan) {
    ASSERT_TRUE(m_phonebook->WriteEntry(DialEntry(name, m_modem->device(), number)));
    ProfileRecord record;
    record.name = name;
    record.keyPath = ProfileKeyPath(name);
    record.login = login;
    record.password = "s3cret";
    record.useLan = useLan;
    record.pingHost = "192.0.2.1";  // the ping itself is not run by these tests
    record.pingFreq = 5;
    record.checkEmail = 1;
    record.popMinutes = 10;
    record.setIE = 1;
    record.homepage = "http://192.0.2.9/";
    ASSERT_TRUE(ProfileStore(*m_registry).SaveProfile(record, false));
}

std::unique_ptr<CLinkvaneDlg> DialShellTest::MakeDialWindow(
    const std::function<void(MainWindowServices&)>& adjust) {
    return MakeWindow([this, &adjust](MainWindowServices& services) {
        ModemEngineOptions options;
        options.pppd.pppdPath = STAND_IN_PPPD;
        options.lockDir = m_scratch.path();
        options.dtrDrop = std::chrono::milliseconds(20);
        services.engine = std::make_unique<ModemDialerEngine>(*m_phonebook, options);
        if (adjust)
            adjust(services);
    });
}

MessageLog::MessageLog() {
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.push_back(
                (box->windowTitle() + QStringLiteral(": ") + box->text()).toStdString());
            details.push_back(box->informativeText().toStdString());
            box->accept();
        }
    });
    m_poll.start(10);
}

}  // namespace linkvane::testing
