// The running program on a private session bus: its window on Xvfb dialling the simulated modem
// through pppd's stand-in, reached by another connection as any client would, by a second
// start of the real program, and by the real linkvanectl. What the status decides is tested in
// core (tests/core/connection/connect_controller_test.cpp).

#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QXmlStreamReader>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusMetaType>
#include <QtDBus/QDBusPendingCall>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "app/linkvane_service.h"
#include "app/popup_menu.h"
#include "core/app/remote_control.h"
#include "core/connection/call_log.h"
#include "core/connection/own_call_log.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "gui_test_environment.h"
#include "gui_test_support.h"
#include "platform/xdg_paths.h"
#include "tools/notification_server.h"
#include "tools/pop3_script_server.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    return QTest::qWaitFor(done, static_cast<int>(limit.count()));
}

// Another program on the bus: it writes down the program's PropertiesChanged and calls its
// methods without holding the event loop, on which the program answers.
class BusClient final : public QObject {
    Q_OBJECT

  public:
    BusClient() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kName)) {
        qDBusRegisterMetaType<BusReason>();
        // QtDBus connects a bus signal to a slot by the slot's name only.
        m_bus.connect(Q(kBusName), Q(kBusPath), QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(Changed(QString, QVariantMap, QStringList)));
    }
    ~BusClient() override { QDBusConnection::disconnectFromBus(kName); }

    QDBusMessage Call(const QString& method, const QVariantList& args = {},
                      const QString& interface = Q(kBusInterface)) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(Q(kBusName), Q(kBusPath), interface, method);
        call.setArguments(args);
        QDBusPendingCall pending = m_bus.asyncCall(call, 90000);
        WaitFor([&] { return pending.isFinished(); }, 90s);
        return pending.reply();
    }
    QDBusMessage Connect(const char* profile) {
        return Call(QStringLiteral("Connect"), {Q(profile)});
    }
    // The values `name` was told to take, in order.
    QVariantList Told(const QString& name) const {
        QVariantList values;
        for (const QVariantMap& change : changes) {
            if (change.contains(name))
                values.push_back(change.value(name));
        }
        return values;
    }
    // The last value told (invalid when none was).
    QVariant Last(const QString& name) const {
        const QVariantList values = Told(name);
        return values.isEmpty() ? QVariant() : values.back();
    }
    QStringList States() const { return QVariant(Told(QStringLiteral("State"))).toStringList(); }

    std::vector<QVariantMap> changes;

  private Q_SLOTS:
    void Changed(const QString&, const QVariantMap& values, const QStringList&) {
        changes.push_back(values);
    }

  private:
    static inline const QString kName = QStringLiteral("linkvane-test-client");
    QDBusConnection m_bus;
};

class ProgramBusTest : public testing::DialShellTest {
  protected:
    void SetUp() override {
        DialShellTest::SetUp();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "no session bus";
        COXRegistryItem(*m_registry, kSettingsKey).SetStringValue(STAND_IN_PPPD, "PppdPath");
        Settings(1, 10);
    }
    // The program: its window, published on the bus.
    void Start(const std::function<void(MainWindowServices&)>& adjust = {}) {
        m_window = MakeDialWindow(adjust);
        m_service = std::make_unique<CLinkvaneService>(*m_window, QDBusConnection::sessionBus());
        ASSERT_TRUE(m_service->Publish());
    }
    // Runs a built program with args in the test's environment, the event loop going on.
    static QProcess* Run(const char* program, const QStringList& args) {
        auto* process = new QProcess;
        process->start(QString::fromLatin1(program), args);
        EXPECT_TRUE(WaitFor([&] { return process->state() == QProcess::NotRunning; }, 60s))
            << program << " did not end";
        return process;
    }
    static std::string ErrorOf(const QDBusMessage& reply) {
        return (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString();
    }
    std::size_t LoggedCalls() {
        std::size_t calls = 0;
        (void)ForEachCallLogLine(CallLogPath(), MissingLog::kEmpty,
                                 [&](const LogLine&) { ++calls; });
        return calls;
    }

    std::unique_ptr<CLinkvaneDlg> m_window;
    std::unique_ptr<CLinkvaneService> m_service;
};

// The dial that linkvanectl hands to the program is told like any other; a call of linkvanectl is
// logged once: by the command when no program runs, by the program's call monitor when the
// program dials it (that the command leaves its own calls to a watching monitor is tested with
// linkvanectl's). Through the program the command prints the events it prints alone.
TEST_F(ProgramBusTest, ConnectTellsEachStepHangUpIdlesAndLinkvanectlLogsEachCallOnce) {
    ::setenv("LINKVANE_PPPD_SCENARIO", "drop:200", 1);
    Modem("5552=busy");
    AddProfile("Busy", "5552", "jo");
    AddProfile("Work", "5551", "jo");
    AddProfile("Blank", "5551", "");
    const QStringList args{QStringLiteral("connect"), QStringLiteral("work"),  // any case
                           QStringLiteral("--json")};
    std::unique_ptr<QProcess> alone(Run(LINKVANECTL_PATH, args));
    EXPECT_EQ(alone->exitCode(), 0) << alone->readAllStandardError().toStdString();
    EXPECT_EQ(LoggedCalls(), 1u) << "logged by the command before it ends";
    ::setenv("LINKVANE_PPPD_SCENARIO", "up", 1);
    Start();
    EXPECT_TRUE(CallLogWatched(CallLogPath())) << "the program's monitor keeps the log";
    BusClient client;
    testing::MessageLog messages;

    EXPECT_EQ(client.Connect("Busy").type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(WaitFor([&] { return client.States().endsWith(QStringLiteral("idle")); }));
    EXPECT_EQ(client.States(), (QStringList{QStringLiteral("dialling"), QStringLiteral("idle")}));
    const QVariantList reasons = client.Told(QStringLiteral("StateReason"));
    ASSERT_EQ(reasons.size(), 1);
    const auto busy = qdbus_cast<BusReason>(reasons[0].value<QDBusArgument>());
    EXPECT_EQ(busy.code, kDialErrorBusy);
    EXPECT_FALSE(busy.text.isEmpty()) << "a failure says why";

    client.changes.clear();
    QProcess through;
    through.start(QStringLiteral(LINKVANECTL_PATH), args);
    ASSERT_TRUE(WaitFor([&] { return client.States().endsWith(QStringLiteral("connected")); }));
    EXPECT_EQ(client.States(),
              (QStringList{QStringLiteral("dialling"), QStringLiteral("connected")}));
    EXPECT_EQ(client.Last(QStringLiteral("Profile")).toString(), QStringLiteral("Work"));
    EXPECT_EQ(client.Last(QStringLiteral("Number")).toString(), QStringLiteral("5551"));
    EXPECT_EQ(client.Last(QStringLiteral("DialState")).toInt(), kRasConnected);

    // What cannot act says why, with the error's name; the window shows no box for it.
    EXPECT_TRUE(ErrorOf(client.Connect("Work")).starts_with(kErrorDialUnderWay));
    EXPECT_EQ(ErrorOf(client.Connect("Nobody")),
              std::string(kErrorNoSuchProfile) + ": There is no phonebook entry \"Nobody\".");

    // Up until the monitor has listed the link (its counters reach the window).
    ASSERT_TRUE(WaitFor([&] { return m_window->Status().bytesIn > 0; }));
    client.changes.clear();
    const auto hangUp = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Call(QStringLiteral("HangUp")).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(WaitFor([&] { return client.States() == QStringList{QStringLiteral("idle")}; }));
    EXPECT_LT(std::chrono::steady_clock::now() - hangUp, 2s);
    ASSERT_TRUE(WaitFor([&] { return through.state() == QProcess::NotRunning; }));
    EXPECT_EQ(through.exitCode(), 0) << through.readAllStandardError().toStdString();
    EXPECT_TRUE(WaitFor([&] { return LoggedCalls() == 2; }));
    QTest::qWait(1200);  // a second line would come with the monitor's next listing
    EXPECT_EQ(LoggedCalls(), 2u);
    const std::string printed = through.readAllStandardOutput().toStdString();
    EXPECT_EQ(printed, alone->readAllStandardOutput().toStdString()) << "the same events";
    EXPECT_TRUE(printed.ends_with("\n{\"event\":\"disconnected\"}\n")) << printed;

    EXPECT_EQ(ErrorOf(client.Call(QStringLiteral("HangUp"))),
              std::string(kErrorNoCall) + ": " + std::string(kNoCallText));
    EXPECT_EQ(ErrorOf(client.Connect("Blank")),
              std::string(kErrorRefused) + ": Username or Password is blank!");
    EXPECT_EQ(messages.boxes, std::vector<std::string>{"Timeout: Connection Failed"})
        << "only the busy line's failure is a box";
}

TEST_F(ProgramBusTest, BubblesTakeThePlaceOfTheBoxesAndASecondStartHandsOver) {
    testing::NotificationServer notifications;
    ASSERT_TRUE(notifications.Registered());
    COXRegistryItem(*m_registry, kSettingsKey).SetNumberValue(1, "Notifications");
    ::setenv("LINKVANE_PPPD_SCENARIO", "drop:300", 1);
    Modem("5552=busy");
    AddProfile("Busy", "5552", "jo");
    AddProfile("Work", "5551", "jo");
    using testing::Hear;
    using testing::Say;
    testing::ScriptedPop3Server pop3({Say("+OK ready\r\n"), Hear(), Say("+OK\r\n"), Hear(),
                                      Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(),
                                      Say("+OK 2 320\r\n"), Hear(), Say("+OK bye\r\n")});
    ProfileRecord mail = ProfileStore(*m_registry).LoadProfile("Work");
    mail.pop3Host = "127.0.0.1";
    mail.username = "jo";
    mail.ePassword = "pw";
    mail.pop3Security = "plain";
    mail.popupAlert = 1;
    mail.checkEmail = 0;
    ASSERT_TRUE(ProfileStore(*m_registry).SaveProfile(mail, false));
    Start([&](MainWindowServices& services) { services.pop3Port = pop3.port(); });
    BusClient client;
    testing::MessageLog messages;

    for (int dial = 0; dial < 2; ++dial) {
        client.changes.clear();
        client.Connect("Busy");
        ASSERT_TRUE(WaitFor([&] { return client.States().endsWith(QStringLiteral("idle")); }));
    }
    client.changes.clear();
    client.Connect("Work");
    ASSERT_TRUE(WaitFor([&] { return client.States().endsWith(QStringLiteral("idle")); }));
    const QDBusMessage checked = client.Call(QStringLiteral("CheckMail"));
    ASSERT_EQ(checked.type(), QDBusMessage::ReplyMessage) << ErrorOf(checked);
    EXPECT_EQ(checked.arguments(),
              (QVariantList{2u, 320ull, QStringLiteral("2 New Messages (320 bytes)")}));
    EXPECT_TRUE(WaitFor([&] { return client.Last(QStringLiteral("MailCount")).toUInt() == 2; }));
    ASSERT_TRUE(WaitFor([&] { return notifications.shown().size() == 4; }));

    const auto& shown = notifications.shown();
    EXPECT_EQ(shown[0].summary, QStringLiteral("Connection Failed"));
    EXPECT_FALSE(shown[0].body.isEmpty()) << "with its reason";
    EXPECT_EQ(shown[0].replacesId, 0u);
    EXPECT_EQ(shown[1].replacesId, shown[0].id) << "the second failure replaces the first";
    EXPECT_EQ(shown[2].summary, QStringLiteral("Line Dropped: Work"));
    EXPECT_EQ(shown[2].replacesId, 0u);
    EXPECT_NE(shown[2].id, shown[0].id);
    EXPECT_EQ(shown[3].summary, QStringLiteral("New Email: Work"));
    EXPECT_EQ(shown[3].body, QStringLiteral("2 New Messages (320 bytes)"));
    EXPECT_TRUE(messages.boxes.empty()) << messages.boxes.front();

    // The interface as the program describes it is the description the package ships (Qt's own
    // type-name annotations aside); a second start hands over to the first and ends.
    const QDBusMessage reply = client.Call(QStringLiteral("Introspect"), {},
                                           QStringLiteral("org.freedesktop.DBus.Introspectable"));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << ErrorOf(reply);
    const auto interfaceOf = [](const QString& xml) {
        QXmlStreamReader reader(xml);
        QStringList elements;
        bool inside = false;
        while (!reader.atEnd()) {
            reader.readNext();
            const auto name = reader.name();
            if (reader.isStartElement() && name == QStringLiteral("interface"))
                inside = reader.attributes().value(QStringLiteral("name")) == Q(kBusInterface);
            if (!inside || !reader.isStartElement() ||
                reader.attributes()
                    .value(QStringLiteral("name"))
                    .startsWith(QStringLiteral("org.qtproject."))) {
                continue;
            }
            QString element = name.toString();
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                element += QStringLiteral(" %1=%2").arg(attribute.name(), attribute.value());
            elements.push_back(element);
        }
        return elements;
    };
    QFile shipped(QString::fromStdString(
        testing::SourcePath("resources/dbus/org.linkvane.Linkvane1.xml").string()));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QStringList expected = interfaceOf(QString::fromUtf8(shipped.readAll()));
    EXPECT_EQ(expected.size(), 24) << "the interface, its properties, methods and arguments";
    EXPECT_EQ(interfaceOf(reply.arguments().value(0).toString()), expected);

    m_window->OnCommand(kCmdHide);
    ASSERT_FALSE(m_window->isVisible());
    std::unique_ptr<QProcess> second(Run(LINKVANE_PATH, {}));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_TRUE(WaitFor([&] { return m_window->isVisible(); }, 5s)) << "the first one shows";
}

}  // namespace
}  // namespace linkvane

#include "program_bus_test.moc"
