#include "app/linkvane_service.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtDBus/QDBusConnectionInterface>
#include <QtDBus/QDBusMetaType>

#include "app/main_window.h"
#include "app/popup_menu.h"
#include "core/app/remote_control.h"

namespace linkvane {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kHandOverTimeoutMs = 5000;

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const BusReason& reason) {
    argument.beginStructure();
    argument << reason.code << reason.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusReason& reason) {
    argument.beginStructure();
    argument >> reason.code >> reason.text;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const BusRedialWait& wait) {
    argument.beginStructure();
    argument << wait.seconds << wait.reason;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusRedialWait& wait) {
    argument.beginStructure();
    argument >> wait.seconds >> wait.reason;
    argument.endStructure();
    return argument;
}

CLinkvaneService::CLinkvaneService(CLinkvaneDlg& window, QDBusConnection bus)
    : m_window(window), m_bus(std::move(bus)) {
    qDBusRegisterMetaType<BusReason>();
    qDBusRegisterMetaType<BusRedialWait>();
}

CLinkvaneService::~CLinkvaneService() {
    m_window.SetStatusListener(nullptr);
    if (m_published) {
        m_bus.unregisterService(Text(kBusName));
        m_bus.unregisterObject(Text(kBusPath));
    }
}

bool CLinkvaneService::Publish() {
    // The object first: a call the bus held for the name while the program started (Connect
    // that started it) is delivered as soon as the name is taken.
    if (!m_bus.isConnected() || !m_bus.registerObject(Text(kBusPath), this,
                                                      QDBusConnection::ExportScriptableSlots |
                                                          QDBusConnection::ExportAllProperties)) {
        return false;
    }
    if (!m_bus.registerService(Text(kBusName))) {
        m_bus.unregisterObject(Text(kBusPath));
        return false;
    }
    m_published = true;
    m_window.SetStatusListener(this);
    return true;
}

const LinkStatus& CLinkvaneService::Status() const {
    return m_window.Status();
}

QVariant CLinkvaneService::Value(StatusField field) const {
    switch (field) {
        case kFieldState:
            return state();
        case kFieldDialState:
            return QVariant::fromValue(dialState());
        case kFieldReason:
            return QVariant::fromValue(stateReason());
        case kFieldRedialsLeft:
            return QVariant::fromValue(redialsLeft());
        case kFieldRedialWait:
            return QVariant::fromValue(redialWait());
        case kFieldProfile:
            return profile();
        case kFieldNumber:
            return number();
        case kFieldCallSeconds:
            return QVariant::fromValue(callSeconds());
        case kFieldBytesIn:
            return QVariant::fromValue(bytesIn());
        case kFieldBytesOut:
            return QVariant::fromValue(bytesOut());
        case kFieldLastPing:
            return lastPing();
        case kFieldMailCount:
            return QVariant::fromValue(mailCount());
        case kFieldMailSize:
            return QVariant::fromValue(mailSize());
    }
    return {};
}

void CLinkvaneService::StatusChanged(const LinkStatus&, StatusFields changed) {
    QVariantMap values;
    for (const StatusProperty& property : StatusProperties()) {
        if ((changed & property.field) != 0)
            values.insert(Text(property.name), Value(property.field));
    }
    QDBusMessage signal = QDBusMessage::createSignal(Text(kBusPath), kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << Text(kBusInterface) << values << QStringList();
    m_bus.send(signal);
}

QString CLinkvaneService::state() const {
    return Text(LinkStateName(Status().state));
}
qint16 CLinkvaneService::dialState() const {
    return Status().dialState;
}
BusReason CLinkvaneService::stateReason() const {
    return {Status().reason.code, Text(Status().reason.text)};
}
qint32 CLinkvaneService::redialsLeft() const {
    return Status().redialsLeft;
}
BusRedialWait CLinkvaneService::redialWait() const {
    return {Status().redialWait.seconds, Text(Status().redialWait.reason)};
}
QString CLinkvaneService::profile() const {
    return Text(Status().profile);
}
QString CLinkvaneService::number() const {
    return Text(Status().number);
}
qint64 CLinkvaneService::callSeconds() const {
    return Status().callSeconds;
}
quint64 CLinkvaneService::bytesIn() const {
    return Status().bytesIn;
}
quint64 CLinkvaneService::bytesOut() const {
    return Status().bytesOut;
}
QString CLinkvaneService::lastPing() const {
    return Text(Status().lastPing);
}
quint32 CLinkvaneService::mailCount() const {
    return Status().mailCount;
}
quint64 CLinkvaneService::mailSize() const {
    return Status().mailSize;
}

// Connect, CheckMail and Ping act once the bus's call has returned to the event loop: what
// they do may open the window's dialogs, which must not run inside the bus's delivery.
void CLinkvaneService::Connect(const QString& profile) {
    setDelayedReply(true);
    QTimer::singleShot(0, this, [this, call = message(), name = profile.toStdString()] {
        const std::optional<Refusal> refused = m_window.RemoteConnect(name);
        m_bus.send(refused ? call.createErrorReply(Text(refused->name), Text(refused->text))
                           : call.createReply());
    });
}

void CLinkvaneService::HangUp() {
    if (const std::optional<Refusal> refused = m_window.RemoteHangUp())
        sendErrorReply(Text(refused->name), Text(refused->text));
}

void CLinkvaneService::CheckMail(quint32&, quint64&, QString&) {
    setDelayedReply(true);
    QPointer<CLinkvaneService> self(this);
    QTimer::singleShot(0, this, [this, self, call = message()] {
        m_window.RemoteCheckMail([self, call](const MailCheckOutcome& outcome) {
            if (!self)
                return;
            if (outcome.stage != 0) {
                self->m_bus.send(
                    call.createErrorReply(Text(kErrorCheckFailed), Text(MailFailureText(outcome))));
                return;
            }
            self->m_bus.send(
                call.createReply({QVariant::fromValue(static_cast<quint32>(outcome.stat.count)),
                                  QVariant::fromValue(static_cast<quint64>(outcome.stat.size)),
                                  Text(outcome.text)}));
        });
    });
}

void CLinkvaneService::Ping(QString&) {
    setDelayedReply(true);
    QPointer<CLinkvaneService> self(this);
    QTimer::singleShot(0, this, [this, self, call = message()] {
        m_window.RemotePing([self, call](const PingOutcome& outcome) {
            if (!self)
                return;
            self->m_bus.send(
                outcome.ok ? call.createReply(Text(outcome.text))
                           : call.createErrorReply(Text(kErrorCheckFailed), Text(outcome.text)));
        });
    });
}

void CLinkvaneService::Show() {
    m_window.OnCommand(kCmdShow);
}

bool HandOverToRunningProgram(QDBusConnection bus) {
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(Text(kBusName)))
        return false;
    QDBusMessage show = QDBusMessage::createMethodCall(Text(kBusName), Text(kBusPath),
                                                       Text(kBusInterface), QStringLiteral("Show"));
    show.setAutoStartService(false);
    return bus.call(show, QDBus::Block, kHandOverTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

}  // namespace linkvane
