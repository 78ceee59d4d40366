// The window's ping and mail check against real servers: a POP3 server on loopback and the
// kernel's echo on loopback, with the labels, the tray, the notice and the message boxes.

#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QMessageBox>

#include <gtest/gtest.h>

#include "app/new_mail_dialog.h"
#include "app/popup_menu.h"
#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "controls/text_label.h"
#include "core/clients/active_profile.h"
#include "core/profiles/registry_item.h"
#include "gui_test_support.h"
#include "tools/dovecot_server.h"
#include "tools/pop3_script_server.h"
#include "tools/test_certificates.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::Hear;
using testing::ModalAnswer;
using testing::Pause;
using testing::Say;

std::vector<testing::ServerStep> StatSession(const std::string& stat) {
    return {Pause(300ms), Say("+OK\r\n"), Hear(), Say("+OK\r\n"), Hear(), Say("+OK\r\n"),
            Hear(),       Say("+OK\r\n"), Hear(), Say(stat),      Hear(), Say("+OK\r\n")};
}

QImage IconImage(const QIcon& icon) {
    return icon.pixmap(32).toImage();
}

class ConnectionChecksTest : public testing::ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        m_profile.username = "joe";
        m_profile.ePassword = "pw";
        m_profile.pop3Host = "127.0.0.1";
        m_profile.pingHost = "127.0.0.1";
    }

    // A window whose active profile is m_profile.
    std::unique_ptr<CLinkvaneDlg> MakeWindow(std::uint16_t pop3Port) {
        auto window = ShellTest::MakeWindow(
            [pop3Port](MainWindowServices& services) { services.pop3Port = pop3Port; });
        window->Connection().UseProfile(m_profile);
        window->show();
        return window;
    }

    ActiveProfile m_profile;
};

// The labels' texts are core's. The buttons (not the tray menu) check only hosts of four
// characters or more.
TEST_F(ConnectionChecksTest, ButtonsNeedLongHostsNewMailIsToldAndAPingAskedMeanwhileWaits) {
    m_profile.popupAlert = 1;
    testing::ScriptedPop3Server server(StatSession("+OK 2 300\r\n"));
    auto window = MakeWindow(server.port());
    ActiveProfile shortHosts = m_profile;
    shortHosts.pingHost = shortHosts.pop3Host = "abc";
    window->Connection().UseProfile(shortHosts);
    window->OnCommand(ctl::kPing);
    window->OnCommand(ctl::kCheckMail);
    EXPECT_EQ(window->Label(ctl::kPingResult)->Text(), QStringLiteral("Not Activated"));
    EXPECT_EQ(window->Label(ctl::kMailResult)->Text(), QStringLiteral("Not Activated"));

    window->Connection().UseProfile(m_profile);
    QString notice;  // shown before the label and the tray change, as core orders it
    ModalAnswer answer([&](QWidget& modal) {
        notice = qobject_cast<CNewMailDlg*>(&modal)->Text();
        qobject_cast<QDialog*>(&modal)->accept();
    });
    // The window keeps handling posted work while it waits for the server; a ping asked for
    // meanwhile (as a timer would) runs after the check, not inside it.
    bool checking = true;
    bool ranWhileChecking = false;
    QString pingLabelAfterAsking = QStringLiteral("unset");
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            ranWhileChecking = checking;
            window->OnCommand(kCmdPing);
            pingLabelAfterAsking = window->Label(ctl::kPingResult)->Text();
        },
        Qt::QueuedConnection);
    window->OnCommand(kCmdCheckEmail);
    checking = false;

    EXPECT_TRUE(ranWhileChecking);
    EXPECT_EQ(pingLabelAfterAsking, QStringLiteral("Not Activated"));
    EXPECT_TRUE(window->Label(ctl::kPingResult)->Text().contains(QStringLiteral("ms ( ")));
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(notice, QStringLiteral("2 New Messages (300 bytes)"));
    EXPECT_EQ(window->Label(ctl::kMailResult)->Text(),
              QStringLiteral("2 New Messages (300 bytes)"));
    EXPECT_EQ(window->TrayIcon().TooltipText(), QStringLiteral("2 New Messages (300 bytes)"));
    EXPECT_EQ(IconImage(window->TrayIcon().Icon()),
              IconImage(LoadIconResource(resource::kNewMailIcon)));

    // An empty mailbox puts the tray's own icon back.
    testing::ScriptedPop3Server empty(StatSession("+OK 0 0\r\n"));
    auto again = MakeWindow(empty.port());
    again->TrayIcon().SetIcon(resource::kNewMailIcon);
    again->OnCommand(ctl::kPing);
    again->OnCommand(ctl::kCheckMail);
    EXPECT_TRUE(again->Label(ctl::kPingResult)->Text().contains(QStringLiteral("ms ( ")));
    EXPECT_EQ(again->Label(ctl::kMailResult)->Text(), QStringLiteral("No New Messages."));
    EXPECT_EQ(IconImage(again->TrayIcon().Icon()), IconImage(LoadIconResource(resource::kAppIcon)));
}

// A certificate the system does not trust is shown as plain text with its fingerprint; once
// accepted it is pinned in the profile and the check goes on. Another certificate is then
// refused with both fingerprints, told once however often the timer checks.
TEST_F(ConnectionChecksTest, AnAcceptedCertificateIsPinnedAndAnotherOneIsRefused) {
    const testing::TestCertificates certificates;
    const std::vector<testing::Mailbox> boxes{{"joe", "pw", {testing::MessageOfSize(400)}}};
    testing::DovecotServer own(boxes, &certificates.selfSigned);
    m_profile.name = "Demon";
    m_profile.pop3Security = "stls";
    const std::string& print = certificates.selfSigned.fingerprint;
    auto window = MakeWindow(own.port());
    QString question;
    ModalAnswer accept([&](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        question = box->text();
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->button(QMessageBox::Yes)->click();
    });
    window->CheckMail();
    ASSERT_TRUE(accept.ran());
    EXPECT_TRUE(question.startsWith(QStringLiteral("certificate not trusted: ")));
    EXPECT_EQ(window->Label(ctl::kMailResult)->Text(), QStringLiteral("1 New Message (400 bytes)"));
    EXPECT_EQ(COXRegistryItem(*m_registry, ProfileKeyPath("Demon")).GetStringValue("POP3Pin"),
              print);
    EXPECT_EQ(window->Connection().Profile().pop3Pin, print) << "the active profile follows";

    m_profile = window->Connection().Profile();
    m_profile.pop3Pin = certificates.localhost.fingerprint;  // as if the server's had changed
    auto again = MakeWindow(own.port());
    QString refusal;  // in a box, as plain text; the message itself is core's
    ModalAnswer told([&](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        refusal = box->windowTitle() + QStringLiteral(": ") + box->text();
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->accept();
    });
    again->CheckMail();
    ASSERT_TRUE(told.ran());
    EXPECT_TRUE(refusal.startsWith(
        QStringLiteral("Mail Server Certificate: certificate changed: 127.0.0.1 showed another")))
        << refusal.toStdString();
    EXPECT_EQ(again->Label(ctl::kMailResult)->Text(), QStringLiteral("certificate changed"));
    ModalAnswer notAgain([](QWidget& modal) { qobject_cast<QDialog*>(&modal)->reject(); });
    again->CheckMail();
    EXPECT_FALSE(notAgain.ran());
}

}  // namespace
}  // namespace linkvane
