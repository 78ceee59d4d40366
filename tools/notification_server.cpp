#include "tools/notification_server.h"

#include <algorithm>

namespace linkvane::testing {

namespace {

const QString kName = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

NotificationServer::NotificationServer()
    : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("linkvane-notification-server"))) {
    m_registered = m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
                   m_bus.registerService(kName);
}

NotificationServer::~NotificationServer() {
    m_bus.unregisterService(kName);
    m_bus.unregisterObject(kPath);
    QDBusConnection::disconnectFromBus(QStringLiteral("linkvane-notification-server"));
}

QStringList NotificationServer::GetCapabilities() {
    return {QStringLiteral("body"), QStringLiteral("body-markup")};
}

uint NotificationServer::Notify(const QString&, uint replacesId, const QString&,
                                const QString& summary, const QString& body, const QStringList&,
                                const QVariantMap&, int) {
    const bool known = std::any_of(m_shown.begin(), m_shown.end(),
                                   [replacesId](const Shown& s) { return s.id == replacesId; });
    const uint id = replacesId != 0 && known ? replacesId : ++m_lastId;
    m_shown.push_back({replacesId, id, summary, body});
    return id;
}

void NotificationServer::CloseNotification(uint) {}

QString NotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                 QString& specVersion) {
    vendor = QStringLiteral("Linkvane tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("notification-server");
}

}  // namespace linkvane::testing
