#pragma once

// CLinkvaneService: the running program on the session bus. It publishes the object
// /org/linkvane/Linkvane1 with the interface org.linkvane.Linkvane1 (its introspection ships
// as resources/dbus/org.linkvane.Linkvane1.xml) under the name org.linkvane.Linkvane, which
// only one program holds.
//
// Methods forward to the main window's requests of other programs: Connect(profile),
// HangUp(), CheckMail() -> (count, size, text), Ping() -> text and Show(). Connect, CheckMail
// and Ping answer once the window has acted (a ping or check that is running already answers
// both); one that cannot act answers with the named error and its text (remote_control.h).
// Properties reflect the window's LinkStatus, and each change it tells goes out as
// org.freedesktop.DBus.Properties.PropertiesChanged with the values it set. The service holds
// no logic. GUI thread only; the window must outlive it.

#include <QtCore/QObject>
#include <QtDBus/QDBusArgument>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusContext>

#include "core/connection/link_status.h"

namespace linkvane {

class CLinkvaneDlg;

// StateReason on the bus: (is), the code and its text.
struct BusReason {
    qint32 code = 0;
    QString text;
};
QDBusArgument& operator<<(QDBusArgument& argument, const BusReason& reason);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusReason& reason);

// RedialWait on the bus: (xs), the seconds and why.
struct BusRedialWait {
    qint64 seconds = 0;
    QString reason;
};
QDBusArgument& operator<<(QDBusArgument& argument, const BusRedialWait& wait);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusRedialWait& wait);

class CLinkvaneService final : public QObject, protected QDBusContext, public LinkStatusObserver {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.linkvane.Linkvane1")
    Q_PROPERTY(QString State READ state)
    Q_PROPERTY(qint16 DialState READ dialState)
    Q_PROPERTY(linkvane::BusReason StateReason READ stateReason)
    Q_PROPERTY(qint32 RedialsLeft READ redialsLeft)
    Q_PROPERTY(linkvane::BusRedialWait RedialWait READ redialWait)
    Q_PROPERTY(QString Profile READ profile)
    Q_PROPERTY(QString Number READ number)
    Q_PROPERTY(qint64 CallSeconds READ callSeconds)
    Q_PROPERTY(quint64 BytesIn READ bytesIn)
    Q_PROPERTY(quint64 BytesOut READ bytesOut)
    Q_PROPERTY(QString LastPing READ lastPing)
    Q_PROPERTY(quint32 MailCount READ mailCount)
    Q_PROPERTY(quint64 MailSize READ mailSize)

  public:
    CLinkvaneService(CLinkvaneDlg& window, QDBusConnection bus);
    ~CLinkvaneService() override;

    // Registers the object, then takes the name; false (and nothing left registered) when
    // another program holds the name or there is no bus.
    bool Publish();

    void StatusChanged(const LinkStatus& status, StatusFields changed) override;
    void LineDropped(const LinkStatus&) override {}

    QString state() const;
    qint16 dialState() const;
    BusReason stateReason() const;
    qint32 redialsLeft() const;
    BusRedialWait redialWait() const;
    QString profile() const;
    QString number() const;
    qint64 callSeconds() const;
    quint64 bytesIn() const;
    quint64 bytesOut() const;
    QString lastPing() const;
    quint32 mailCount() const;
    quint64 mailSize() const;

  public Q_SLOTS:
    Q_SCRIPTABLE void Connect(const QString& profile);
    Q_SCRIPTABLE void HangUp();
    Q_SCRIPTABLE void CheckMail(quint32& count, quint64& size, QString& text);
    Q_SCRIPTABLE void Ping(QString& text);
    Q_SCRIPTABLE void Show();

  private:
    const LinkStatus& Status() const;
    QVariant Value(StatusField field) const;

    CLinkvaneDlg& m_window;
    QDBusConnection m_bus;
    bool m_published = false;
};

// Asks the program that holds the name to show its window: what a second start does instead of
// starting. False when no program holds it, or it did not answer.
bool HandOverToRunningProgram(QDBusConnection bus);

}  // namespace linkvane

Q_DECLARE_METATYPE(linkvane::BusReason)
Q_DECLARE_METATYPE(linkvane::BusRedialWait)
