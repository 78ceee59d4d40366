#include "app/desktop_notifier.h"

#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusConnectionInterface>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusPendingCallWatcher>
#include <QtDBus/QDBusPendingReply>

namespace linkvane {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CDesktopNotifier::CDesktopNotifier() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(Call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QStringList> capabilities = *call;
                if (capabilities.isValid())
                    m_markup = capabilities.value().contains(QStringLiteral("body-markup"));
                call->deleteLater();
            });
}

bool CDesktopNotifier::Show(const Bubble& bubble) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // Without a notification service running or startable, the bubble would be lost.
    QDBusConnectionInterface& names = *bus.interface();
    if (!names.isServiceRegistered(kService).value() &&
        !names.activatableServiceNames().value().contains(kService)) {
        return false;
    }
    const QString body = m_markup ? Text(bubble.body).toHtmlEscaped() : Text(bubble.body);
    const auto shown = m_shown.find(bubble.kind);
    QDBusMessage notify = Call(QStringLiteral("Notify"));
    notify << QStringLiteral("Linkvane")
           << static_cast<uint>(shown == m_shown.end() ? 0 : shown->second)
           << QStringLiteral("linkvane") << Text(bubble.summary) << body << QStringList()
           << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    const BubbleKind kind = bubble.kind;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, kind](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> id = *call;
                if (id.isValid())
                    m_shown[kind] = id.value();
                call->deleteLater();
            });
    return true;
}

}  // namespace linkvane
