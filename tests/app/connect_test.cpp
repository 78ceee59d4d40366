// Connect, redial and hang-up through the real main window, with the modem engine dialling
// the simulated modem on a pseudo-terminal and pppd's stand-in carrying the link.

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMessageBox>

#include <gtest/gtest.h>

#include <fstream>

#include "controls/bitmap_button.h"
#include "controls/text_label.h"
#include "core/clients/ie_settings.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "gui_test_environment.h"
#include "gui_test_support.h"
#include "platform/modem_engine.h"
#include "support/dial_peers.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// Answers every message box as it opens and writes it down as "caption: text".
class MessageLog {
  public:
    MessageLog() {
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
    std::vector<std::string> boxes;
    std::vector<std::string> details;

  private:
    QTimer m_poll;
};

class ConnectTest : public testing::ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ::setenv("LINKVANE_PPPD_SCENARIO", "up", 1);
        ::unsetenv("LINKVANE_PPPD_PASSWORD");
        ::unsetenv("LINKVANE_PPPD_RUNDIR");
        // The window lists its links with the stand-in taken for pppd.
        PppLinkOptions links = m_links->options();
        links.pppdPath = STAND_IN_PPPD;
        m_links = std::make_unique<PppLinks>(links);
    }

    void Settings(std::uint32_t attempts, std::uint32_t timeout) {
        COXRegistryItem item(*m_registry, kSettingsKey);
        item.SetNumberValue(attempts, "RedialAttempts");
        item.SetNumberValue(timeout, "RedialTimeout");
    }
    void Modem(const std::string& script) {
        m_modem =
            std::make_unique<testing::ModemSimulator>(MODEM_SIMULATOR, m_scratch.path(), script);
    }
    void AddProfile(const std::string& name, const std::string& number, const std::string& login,
                    std::int32_t useLan = 0) {
        ASSERT_TRUE(m_phonebook->WriteEntry(testing::DialEntry(name, m_modem->device(), number)));
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
    std::unique_ptr<CLinkvaneDlg> MakeWindow() {
        return ShellTest::MakeWindow([this](MainWindowServices& services) {
            ModemEngineOptions options;
            options.pppd.pppdPath = STAND_IN_PPPD;
            options.lockDir = m_scratch.path();
            options.dtrDrop = 20ms;
            services.engine = std::make_unique<ModemDialerEngine>(*m_phonebook, options);
        });
    }
    // Presses Connect with `entry` in the profile list.
    static void Press(CLinkvaneDlg& window, const std::string& entry) {
        window.ProfileList()->setCurrentText(QString::fromStdString(entry));
        window.OnCommand(ctl::kConnect);
    }
    static QString Tip(CLinkvaneDlg& window) {
        return qobject_cast<COXBitmapButton*>(window.Control(ctl::kConnect))->toolTip();
    }
    static bool Idle(CLinkvaneDlg& window) {
        return !window.Dialer().CallActive() && Tip(window) == QStringLiteral("Connect") &&
               !window.TimerActive(kTimerDialling);
    }
    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
        return QTest::qWaitFor(done, static_cast<int>(limit.count()));
    }
    int Dials() const {
        const std::string transcript = m_modem->Transcript();
        int count = 0;
        for (std::size_t at = transcript.find("ATDT"); at != std::string::npos;
             at = transcript.find("ATDT", at + 1))
            ++count;
        return count;
    }

    std::unique_ptr<testing::ModemSimulator> m_modem;
};

TEST_F(ConnectTest, RedialBudgetDecidesBetweenRedialAndMessage) {
    const struct {
        std::uint32_t attempts;
        const char* script;
        int dials;
        const char* message;
    } cases[] = {
        {1, "5551=busy", 1, "Timeout: Connection Failed"},    // a failure needs a budget above 1
        {1, "5551=silent", 2, "Timeout: Connection Failed"},  // a time-out redials once
        {3, "5551=busy", 3, "Timeout: Connection Failed"},
        {3, "5551=nodialtone", 1, "Fatal Error: No Dial Tone - Please Check Cables"},
        {3, "init=error", 0, "Fatal Error: Unable to Initialise Modem"},  // never dials
    };
    for (const auto& c : cases) {
        Settings(c.attempts, 1);
        Modem(c.script);
        AddProfile("Work", "5551", "jo");
        auto window = MakeWindow();
        MessageLog messages;
        Press(*window, "Work");
        EXPECT_TRUE(window->TimerActive(kTimerDialling)) << "the button blinks while dialling";
        ASSERT_TRUE(WaitFor([&] { return !messages.boxes.empty() && Idle(*window); })) << c.script;
        EXPECT_EQ(messages.boxes, std::vector<std::string>{c.message}) << c.script;
        EXPECT_FALSE(messages.details.at(0).empty()) << "a failure says why";
        EXPECT_EQ(Dials(), c.dials) << c.script;
        window.reset();
        m_modem.reset();
    }
}

TEST_F(ConnectTest, BudgetIsSharedByTheWholeRunAndNeverRaised) {
    Settings(3, 1);
    Modem("5551=silent");
    AddProfile("Silent", "5551", "jo");
    AddProfile("Up", "5552", "jo");
    auto window = MakeWindow();
    MessageLog messages;
    Press(*window, "Silent");
    ASSERT_TRUE(WaitFor([&] { return messages.boxes.size() == 1 && Idle(*window); }, 20s));
    EXPECT_EQ(Dials(), 4);
    EXPECT_EQ(window->Connection().RedialBudget(), 0);

    Press(*window, "Up");  // a good call in between
    ASSERT_TRUE(WaitFor([&] { return window->Dialer().GetConnected(); }));
    Press(*window, "Up");
    ASSERT_TRUE(WaitFor([&] { return Idle(*window); }));

    Press(*window, "Silent");
    ASSERT_TRUE(WaitFor([&] { return messages.boxes.size() == 2 && Idle(*window); }));
    EXPECT_EQ(messages.boxes.back(), "Timeout: Connection Failed");
    EXPECT_EQ(Dials(), 6) << "the later time-out shows the message without a redial";
}

TEST_F(ConnectTest, HangUpWhileDiallingEndsQuietlyAndAConnectedCallRunsItsTimersUntilHangUp) {
    Settings(3, 10);
    Modem("5551=connect:3000");
    AddProfile("Work", "5551", "jo");
    // The mail program to launch once connected: a script that leaves a mark.
    const std::filesystem::path mark = m_scratch.path() / "launched";
    const std::filesystem::path mailer = m_scratch.path() / "mailer.sh";
    std::ofstream(mailer) << "#!/bin/sh\ntouch '" << mark.string() << "'\n";
    std::filesystem::permissions(mailer, std::filesystem::perms::owner_all);
    COXRegistryItem settings(*m_registry, kSettingsKey);
    settings.SetNumberValue(1, "LaunchEmail");
    settings.SetStringValue(mailer.string(), "EmailPath");
    auto window = MakeWindow();
    MessageLog messages;
    Press(*window, "Work");
    ASSERT_TRUE(
        WaitFor([&] { return window->Dialer().GetConnectionState() == kRasConnectDevice; }));
    EXPECT_TRUE(window->TimerActive(kTimerDialling));
    Press(*window, "Work");  // pressed while dialling: hangs up, does not dial again
    ASSERT_TRUE(WaitFor([&] { return Idle(*window); }));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(Dials(), 1);
    EXPECT_EQ(window->Connection().RedialBudget(), 3);

    Press(*window, "Work");
    ASSERT_TRUE(WaitFor([&] {
        return window->Dialer().GetConnected() && Tip(*window) == QStringLiteral("Disconnect");
    }));
    EXPECT_FALSE(window->TimerActive(kTimerDialling));
    EXPECT_TRUE(window->TimerActive(kTimerCall));
    EXPECT_EQ(window->TimerPeriod(kTimerPing), 5min);
    EXPECT_EQ(window->TimerPeriod(kTimerMailCheck), 10min);
    EXPECT_TRUE(window->TimerActive(kTimerPing) && window->TimerActive(kTimerMailCheck));
    EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(mark); }, 5s)) << "mail program";
    // The name servers that pppd reported, once the call clock has ticked.
    CTextLabel* servers = window->Label(ctl::kNameServers);
    EXPECT_TRUE(WaitFor(
        [&] { return servers->Text() == QStringLiteral("DNS: 192.0.2.53, 192.0.2.54"); }, 5s))
        << servers->Text().toStdString();
    COXRegistryItem terminal(*m_registry, "\\RemoteAccess\\Profile\\Work\\");
    const std::optional<RegistryValue> block = terminal.GetRawValue("Terminal");
    ASSERT_TRUE(block && block->data.size() == 44u) << "the entry's terminal window is off";
    EXPECT_EQ(block->data[8], 7);

    Press(*window, "Work");  // Disconnect
    ASSERT_TRUE(WaitFor([&] { return Idle(*window); }));
    for (const int id : {kTimerCall, kTimerPing, kTimerMailCheck})
        EXPECT_FALSE(window->TimerActive(id)) << id;
    EXPECT_TRUE(servers->Text().isEmpty());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(Dials(), 2);
}

TEST_F(ConnectTest, LanProfileAndBlankLoginApplySettingsWithoutDialling) {
    Settings(3, 10);
    Modem("");
    AddProfile("\u202EOffice", "5551", "jo", 1);  // listed as "\xe2\x80\xaeOffice"
    AddProfile("Nobody", "5551", "");
    auto window = MakeWindow();
    MessageLog messages;

    Press(*window, "Nobody");
    ASSERT_TRUE(WaitFor([&] { return messages.boxes.size() == 1; }));
    EXPECT_EQ(messages.boxes.back(), "Username/Password: Username or Password is blank!");
    COXRegistryItem startPage(*m_registry, "\\Software\\Microsoft\\Internet Explorer\\Main\\");
    EXPECT_EQ(startPage.GetStringValue("Start Page"), "http://192.0.2.9/") << "settings written";

    Press(*window, "\\xe2\\x80\\xaeOffice");
    ASSERT_TRUE(WaitFor([&] { return messages.boxes.size() == 2; }));
    EXPECT_EQ(messages.boxes.back(), "Internet LAN Configuration: Settings Updated!");
    EXPECT_TRUE(window->TimerActive(kTimerPing) && window->TimerActive(kTimerMailCheck));
    EXPECT_FALSE(window->Dialer().CallActive());
    EXPECT_EQ(Dials(), 0);
}

}  // namespace
}  // namespace linkvane
