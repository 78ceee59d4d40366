// The other bus client that bus_client_bench starts: the same question through QtDBus, with
// the QCoreApplication a Qt command line has. Exits 0 (held), 1 (not held) or 2 (no bus).

#include <QtCore/QCoreApplication>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusConnectionInterface>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return 2;
    return bus.interface()->isServiceRegistered(QStringLiteral("org.linkvane.Linkvane")) ? 0 : 1;
}
