#pragma once

// A desktop notification service for tests: org.freedesktop.Notifications on the session bus,
// on a connection of its own, as a notification daemon would be. It writes down every Notify
// with the replaces_id it was given, and answers as a daemon does: with replaces_id when that
// names a notification it has shown, else with a new id. It reads markup in bodies. Runs on
// the thread that made it (the test's event loop).

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariantMap>
#include <QtDBus/QDBusConnection>

#include <vector>

namespace linkvane::testing {

class NotificationServer final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    struct Shown {
        uint replacesId = 0;
        uint id = 0;
        QString summary;
        QString body;
    };

    NotificationServer();
    ~NotificationServer() override;
    // Whether it holds the service's name.
    bool Registered() const { return m_registered; }
    const std::vector<Shown>& shown() const { return m_shown; }

  public Q_SLOTS:
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);

  private:
    QDBusConnection m_bus;
    bool m_registered = false;
    std::vector<Shown> m_shown;
    uint m_lastId = 0;
};

}  // namespace linkvane::testing
