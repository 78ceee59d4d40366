// Linkvane's entry point: start-up, the main window for the life of the program, shutdown.
//
// Start-up: the application object; the registry store (a damaged store is reported and ends
// the program before anything else is shown); the splash (bitmap 204) for three seconds while
// the GUI thread waits in a local event loop; then the main window runs modally until the exit
// sequence ends it, published on the session bus (linkvane_service.h). Sockets need no
// start-up here. One copy runs per session: a second start asks the first to show its window
// and ends, before its splash and again once its window is made (two starts at once).

#include <QtCore/QTimer>
#include <QtDBus/QDBusConnection>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <malloc.h>

#include <chrono>

#include "app/linkvane_service.h"
#include "app/main_window.h"
#include "app/splash_window.h"
#include "controls/resource_ids.h"
#include "core/connection/modem_engine_settings.h"
#include "platform/modem_engine.h"
#include "platform/phonebook_file.h"
#include "platform/ppp_links.h"
#include "platform/sqlite_registry_store.h"

namespace {

constexpr std::chrono::milliseconds kSplashTime{3000};
// By then the main window has painted once: what start-up drew and parsed (the splash, the
// artwork's documents) is freed, and its pages go back to the system.
constexpr std::chrono::milliseconds kStartUpSettled{500};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Linkvane"));
    QApplication::setDesktopFileName(QStringLiteral("linkvane"));
    // The main window hides to the notification area; that is no reason to end.
    QApplication::setQuitOnLastWindowClosed(false);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (linkvane::HandOverToRunningProgram(bus))
        return 0;

    const std::unique_ptr<linkvane::RegistryStore> registry = linkvane::OpenUserRegistry();
    if (const std::string problem = registry->Diagnose(linkvane::RegistryRoot::CurrentUser);
        !problem.empty()) {
        QMessageBox::critical(nullptr, QStringLiteral("Linkvane"),
                              QStringLiteral("Linkvane cannot start: its settings cannot be "
                                             "read.\n\n%1")
                                  .arg(QString::fromStdString(problem)));
        return 1;
    }

    linkvane::RunSplashScreen(linkvane::resource::kSplash, kSplashTime);

    linkvane::PhonebookFile phonebook;
    linkvane::PppLinks links;
    linkvane::MainWindowServices services(*registry, phonebook, links);
    linkvane::ModemEngineOptions engine;
    engine.pppd.pppdPath = linkvane::ReadPppdPath(*registry);
    services.engine = std::make_unique<linkvane::ModemDialerEngine>(phonebook, engine);
    linkvane::CLinkvaneDlg window(std::move(services));
    linkvane::CLinkvaneService service(window, bus);
    // Without a session bus the program runs all the same, unseen by other programs.
    if (!service.Publish() && linkvane::HandOverToRunningProgram(bus))
        return 0;
    QTimer::singleShot(kStartUpSettled, [] { malloc_trim(0); });
    window.exec();
    return 0;
}
