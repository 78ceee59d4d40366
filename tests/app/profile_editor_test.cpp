#include "app/profiles/isp_sheet.h"

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTabWidget>

#include <gtest/gtest.h>

#include <fstream>

#include "app/popup_menu.h"
#include "app/profiles/form_controls.h"
#include "app/profiles/modem_dialog.h"
#include "app/profiles/phonebook_entry_dialog.h"
#include "app/profiles/sheet_prompts.h"
#include "core/profiles/profile_transfer.h"
#include "core/profiles/registry_item.h"
#include "gui_test_environment.h"
#include "gui_test_support.h"
#include "platform/xdg_autostart.h"
#include "support/dial_peers.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::ModalAnswer;

// The user at the editor's dialogs: scripted answers, and a record of every question.
class ScriptedPrompts final : public SheetPrompts {
  public:
    QStringList files;                           // taken in turn; "" once none is left
    QList<QMessageBox::StandardButton> answers;  // in turn; OK once none is left
    std::optional<std::string> modem;
    std::vector<FileQuestion> fileQuestions;
    std::vector<MessageQuestion> messages;

    QString OpenFileName(QWidget*, const FileQuestion& question) override {
        fileQuestions.push_back(question);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString SaveFileName(QWidget* parent, const FileQuestion& question) override {
        return OpenFileName(parent, question);
    }
    QMessageBox::StandardButton Message(QWidget*, const MessageQuestion& question) override {
        messages.push_back(question);
        return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
    }
    std::optional<std::string> ChooseModem(QWidget*, const ModemList&) override { return modem; }
};

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

// A profile with every value set and different from its neighbours; check boxes hold 1.
ProfileRecord FullProfile(const std::string& name) {
    ProfileRecord record;
    record.name = name;
    record.keyPath = ProfileKeyPath(name);
    std::int32_t number = 2;
    for (const ProfileValueInfo& info : ProfileValues()) {
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(record.*member)>;
                if constexpr (std::is_same_v<T, std::string>)
                    record.*member = std::string(info.name) + "-" + name;
                else
                    record.*member = static_cast<T>(number++);
            },
            info.field);
    }
    for (auto box : {&ProfileRecord::useLan, &ProfileRecord::setIE, &ProfileRecord::setNetscape,
                     &ProfileRecord::checkEmail, &ProfileRecord::playSound,
                     &ProfileRecord::popupAlert, &ProfileRecord::reconnect}) {
        record.*box = 1;
    }
    record.httpProxyPort = "8080";  // the profile file holds five characters
    record.ftpProxyPort = "21";
    record.pop3Security = "pop3s";
    return record;
}

GlobalSettings FullGlobals(const std::string& tag) {
    GlobalSettings globals;
    for (const GlobalValueInfo& info : GlobalValues()) {
        if (auto text = std::get_if<std::string GlobalSettings::*>(&info.field))
            globals.** text = std::string(info.name) + "-" + tag;
        else
            globals.*std::get<std::int32_t GlobalSettings::*>(info.field) = 1;
    }
    globals.redialTimeout = 45;
    globals.redialAttempts = 3;
    globals.startup = 0;
    return globals;
}

class ProfileEditorTest : public testing::ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        creator = std::make_unique<EntryCreator>(*m_phonebook);
        autostart = std::make_unique<XdgAutostart>(configHome() / "autostart");
    }

    ProfileStore Store() { return ProfileStore(*m_registry); }

    void Seed(const ProfileRecord& profile) {
        PhonebookEntry entry;
        entry.name = profile.name;
        entry.properties.localPhoneNumber = "0845" + std::to_string(profile.name.size());
        ASSERT_TRUE(m_phonebook->WriteEntry(entry));
        ASSERT_TRUE(Store().SaveProfile(profile, false));
    }

    // Runs Setup/Config's editor for name; steps work the sheet once it is up. A sheet that
    // steps leave open is cancelled, so a failed step cannot hang the test.
    std::optional<std::string> RunEditor(const std::string& name,
                                         const std::function<void(CISPSheet&)>& steps) {
        ModalAnswer answer([&](QWidget& modal) {
            auto* sheet = qobject_cast<CISPSheet*>(&modal);
            ASSERT_NE(sheet, nullptr);
            steps(*sheet);
            if (sheet->isVisible())
                sheet->reject();
        });
        const ProfileEditorServices services{*m_registry, *m_phonebook, *creator,
                                             *autostart,  prompts,      "/usr/bin/linkvane"};
        std::optional<std::string> result = RunProfileEditor(nullptr, services, name);
        EXPECT_TRUE(answer.ran());
        return result;
    }

    std::unique_ptr<EntryCreator> creator;
    std::unique_ptr<XdgAutostart> autostart;
    ScriptedPrompts prompts;
};

// Values past a line edit's default 32767 characters, and bytes that are not UTF-8, too.
TEST_F(ProfileEditorTest, ScreenReadersOkCancelClearSwitchesBadNumbersAndDeleteOnOneProfile) {
    ProfileRecord profile = FullProfile("Demon");
    profile.organisation = std::string(100000, 'o');
    profile.realname = "Jos\xe9";
    Seed(profile);
    GlobalSettings stored = FullGlobals("g");
    stored.url1Loc = "http://example.com/" + std::string(40000, 'u');
    ASSERT_TRUE(Store().SaveGlobalSettings(stored));
    const LoadedGlobalSettings globals = Store().LoadGlobalSettings();

    const auto edited = RunEditor("Demon", [&](CISPSheet& sheet) {
        // Screen readers find every control by its visible label.
        QStringList names;
        for (QWidget* widget : sheet.findChildren<QWidget*>())
            names << widget->accessibleName();
        for (const char* name :
             {"Login", "POP3 Server", "Timeout (Secs.)", "Check for mail every", "Reply-To", "Port",
              "Ping Freq.", "Set As Default", "Import", "Mail Security"})
            EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
        // Every page is shown and left once, so each one's controls go through its fields. Every
        // label names its buddy with its own text; every box and button carries its text.
        for (int i = 0; i < CISPSheet::kPageCount; ++i) {
            sheet.Tabs()->setCurrentIndex(i);
            QApplication::processEvents();
            QWidget* page = sheet.Tabs()->widget(i);
            EXPECT_FALSE(sheet.Tabs()->tabText(i).isEmpty());
            EXPECT_EQ(page->accessibleName(), sheet.Tabs()->tabText(i));
            for (QLabel* label : page->findChildren<QLabel*>()) {
                if (label->buddy() != nullptr) {
                    EXPECT_EQ(label->buddy()->accessibleName(), AccessibleText(label->text()));
                }
            }
            for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
                EXPECT_FALSE(button->accessibleName().isEmpty()) << button->text().toStdString();
                if (button->text() != QStringLiteral("...")) {
                    EXPECT_EQ(button->accessibleName(), AccessibleText(button->text()));
                }
            }
            for (QLineEdit* edit : page->findChildren<QLineEdit*>())
                EXPECT_FALSE(edit->accessibleName().isEmpty()) << edit->objectName().toStdString();
        }
        QTest::keyClick(sheet.Dialup()->login, Qt::Key_Return);  // Enter in a field is OK
    });
    EXPECT_EQ(edited, std::optional<std::string>("Demon"));
    EXPECT_EQ(Store().LoadProfile("Demon"), profile);
    EXPECT_EQ(Store().LoadGlobalSettings().settings, globals.settings);
    EXPECT_TRUE(prompts.messages.empty());

    // Cancel writes nothing typed, but the actions that act at once stay done. Clear is one of
    // them: every profile field shows empty, and Cancel keeps it cleared.
    EXPECT_FALSE(RunEditor("Demon", [](CISPSheet& sheet) {
        CISPPage1& page = *sheet.Dialup();
        page.setAsDefault->click();
        page.startup->click();
        page.clearButton->click();
        EXPECT_TRUE(page.login->text().isEmpty());
        page.login->setText(QStringLiteral("typed"));
        sheet.Tabs()->setCurrentIndex(CISPSheet::kEmailNews);
        EXPECT_TRUE(sheet.EmailNews()->pop3Host->text().isEmpty());
        sheet.Tabs()->setCurrentIndex(CISPSheet::kGlobal);
        sheet.Global()->url1Label->setText(QStringLiteral("typed"));
        QTest::keyClick(sheet.Global()->url1Label, Qt::Key_Escape);  // Escape is Cancel
    }));
    EXPECT_EQ(Store().LoadProfile("Demon").login, "");
    EXPECT_EQ(Store().LoadGlobalSettings().defaultProfile, "Demon");
    EXPECT_EQ(Store().LoadGlobalSettings().settings, globals.settings);
    EXPECT_TRUE(std::filesystem::exists(autostart->EntryPath()));

    // The keep-alive and redial rules themselves are core's (profile_editor_test there); here
    // the pages apply them, enable what they govern, and keep the user on a page with a bad
    // number.
    profile = FullProfile("Demon");
    profile.pingHost = "ab";
    profile.checkEmail = 0;
    Seed(profile);
    ASSERT_TRUE(Store().SaveGlobalSettings(GlobalSettings{}));  // redial off

    RunEditor("Demon", [&](CISPSheet& sheet) {
        CISPPage1& dialup = *sheet.Dialup();
        EXPECT_FALSE(dialup.redialTimeout->isEnabled());
        EXPECT_EQ(dialup.redialTimeout->text(), QStringLiteral("0"));
        dialup.enableRedial->click();
        EXPECT_TRUE(dialup.redialAttempts->isEnabled());

        sheet.Tabs()->setCurrentIndex(CISPSheet::kAdvanced);
        CISPPage5& page = *sheet.Advanced();
        EXPECT_EQ(page.pingHost->text(), QString()) << "erased as the page shows";
        EXPECT_FALSE(page.keepAlive->isChecked());
        EXPECT_FALSE(page.pingHost->isEnabled());
        // Mail check off: the alert controls are off, the sound browse button is not.
        for (QWidget* alert : std::initializer_list<QWidget*>{page.popupAlert, page.playSound,
                                                              page.emailSound, page.popMinutes})
            EXPECT_FALSE(alert->isEnabled());
        EXPECT_TRUE(page.browseSound->isEnabled());
        page.checkEmail->click();
        EXPECT_TRUE(page.emailSound->isEnabled());

        page.keepAlive->click();
        EXPECT_TRUE(page.pingHost->isEnabled());
        page.pingHost->setText(QStringLiteral("ping.example.org"));
        page.keepAlive->click();
        EXPECT_EQ(page.pingHost->text(), QString()) << "off erases";
        page.pingFreq->setText(QStringLiteral("ten"));

        // A bad number keeps the user on the page, for a page change and for OK alike.
        sheet.Tabs()->setCurrentIndex(CISPSheet::kProxy);
        EXPECT_EQ(sheet.Tabs()->currentIndex(), CISPSheet::kAdvanced);
        Press(sheet, QDialogButtonBox::Ok);
        EXPECT_TRUE(sheet.isVisible());
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("\"Ping Freq.\"")));
        page.pingFreq->setText(QStringLiteral("7"));
        page.popMinutes->setText(QStringLiteral("15"));
        Press(sheet, QDialogButtonBox::Ok);
    });
    const ProfileRecord saved = Store().LoadProfile("Demon");
    EXPECT_EQ(saved.pingFreq, 7);
    EXPECT_EQ(saved.checkEmail, 1);
    EXPECT_EQ(saved.popMinutes, 15u);
    EXPECT_EQ(Store().LoadGlobalSettings().settings.enableRedial, 1);

    // Delete asks, and removes the entry with its profile at once.
    prompts.answers = {QMessageBox::No, QMessageBox::Yes};
    RunEditor("Demon", [](CISPSheet& sheet) {
        sheet.Dialup()->deleteEntry->trigger();
        EXPECT_EQ(sheet.Data().profileName, "Demon");
        sheet.Dialup()->deleteEntry->trigger();
        EXPECT_FALSE(sheet.Data().HasProfile());
        EXPECT_FALSE(sheet.Dialup()->login->isEnabled());
        Press(sheet, QDialogButtonBox::Ok);
    });
    EXPECT_FALSE(*m_phonebook->ReadEntry("Demon"));
    EXPECT_EQ(Store().LoadProfile("Demon").login, "");
}

TEST_F(ProfileEditorTest, ExportThenImportOverTheEntryRestoresEveryValueAndEditsTheImportedName) {
    const ProfileRecord alpha = FullProfile("Alpha");
    ProfileRecord beta = FullProfile("Beta");
    Seed(alpha);
    Seed(beta);
    ASSERT_TRUE(Store().SaveGlobalSettings(FullGlobals("alpha")));
    const std::string file = (configHome() / "alpha.idf").string();

    prompts.files = {QString::fromStdString(file)};
    RunEditor("Alpha", [](CISPSheet& sheet) {
        sheet.Dialup()->exportButton->click();
        Press(sheet, QDialogButtonBox::Cancel);  // export acts at once
    });
    ASSERT_TRUE(std::filesystem::exists(file));

    // The profile and the program-wide values change; importing the file brings them back.
    ASSERT_TRUE(Store().ClearProfile("Alpha"));
    ASSERT_TRUE(Store().SaveGlobalSettings(FullGlobals("other")));
    prompts.files = {QString::fromStdString(file)};
    prompts.answers = {QMessageBox::Yes};
    prompts.modem = "/dev/ttyS1";
    const auto edited = RunEditor("Beta", [](CISPSheet& sheet) {
        sheet.Dialup()->importButton->click();
        EXPECT_EQ(sheet.Dialup()->profileName->text(), QStringLiteral("Alpha"));
        EXPECT_EQ(sheet.Global()->url1Label->text(), QStringLiteral("Url1Label-alpha"));
        Press(sheet, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(edited, std::optional<std::string>("Alpha"));
    ProfileRecord expected = alpha;
    // Not in the file: the editor's Tweak, an imported profile's plain mail check, and the
    // profile's own redial values (cleared above).
    expected.tweak = beta.tweak;
    expected.pop3Security = "plain";
    expected.pop3Pin = "";
    expected.redialPause = 0;
    expected.reconnect = 0;
    EXPECT_EQ(Store().LoadProfile("Alpha"), expected);
    EXPECT_EQ(Store().LoadProfile("Beta"), beta);
    EXPECT_EQ(Store().LoadGlobalSettings().settings, FullGlobals("alpha"));
    EXPECT_EQ((*m_phonebook->ReadEntry("Alpha"))->properties.deviceName, "/dev/ttyS1");
    EXPECT_EQ((*m_phonebook->ReadEntry("Alpha"))->properties.localPhoneNumber, "08455");

    ASSERT_EQ(prompts.fileQuestions.size(), 2u);
    for (const FileQuestion& question : prompts.fileQuestions)
        EXPECT_TRUE(question.filter.contains(QStringLiteral("(*.idf)")));
    ASSERT_EQ(prompts.messages.size(), 1u);  // only the overwrite question
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("This entry currently")));

    // A phonebook that refuses the entry is reported with its number; the profile comes in.
    prompts.messages.clear();
    ASSERT_TRUE(Store().ClearProfile("Alpha"));
    { std::ofstream(m_phonebook->path()) << "{"; }
    prompts.files = {QString::fromStdString(file)};
    RunEditor("Beta", [](CISPSheet& sheet) { sheet.Dialup()->importButton->click(); });
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Error: 625"));
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Unable to create entry. Is Dialup Networking installed?"));
    EXPECT_EQ(Store().LoadProfile("Alpha").login, alpha.login);
}

// Setup/Config from the main window: with an empty phonebook, first offered a new entry. Then
// it edits the selected profile, whatever is typed over it; its passwords show "*". What the
// editor cannot do leaves everything stored as it was, with the one message box that the case
// calls for, or none.
TEST_F(ProfileEditorTest, AnEmptyPhonebookOffersAnEntryAndWhatCannotBeDoneChangesNothing) {
    m_registry = std::make_unique<SqliteRegistryStore>(linkvaneDir(), 50ms);
    auto window =
        MakeWindow([this](MainWindowServices& services) { services.editorPrompts = &prompts; });
    // The phonebook is empty: the editor first offers a new entry.
    // Declined: only the program-wide values are edited and saved.
    prompts.answers = {QMessageBox::No};
    ModalAnswer programWide([](QWidget& modal) {
        auto& sheet = dynamic_cast<CISPSheet&>(modal);
        EXPECT_FALSE(sheet.EmailNews()->isEnabled());
        sheet.Tabs()->setCurrentIndex(CISPSheet::kGlobal);
        sheet.Global()->url1Label->setText(QStringLiteral("News"));
        Press(sheet, QDialogButtonBox::Ok);
    });
    window->OnCommand(ctl::kSetup);
    EXPECT_TRUE(programWide.ran());
    EXPECT_EQ(Store().LoadGlobalSettings().settings.url1Label, "News");
    COXRegistryItem profiles(*m_registry, kProfilesKey);
    const auto values = profiles.GetValues();
    EXPECT_TRUE(!values || values->empty());
    EXPECT_EQ(window->ProfileList()->count(), 0);

    // Accepted: the Phonebook Entry dialog makes the entry, then its profile is edited.
    prompts.answers = {QMessageBox::Yes};
    std::unique_ptr<ModalAnswer> editor;
    ModalAnswer entry([&](QWidget& modal) {
        auto& dialog = dynamic_cast<CPhonebookEntryDlg&>(modal);
        dialog.name->setText(QStringLiteral("First ISP"));
        dialog.phoneNumber->setText(QStringLiteral("0845 0790000"));
        editor = std::make_unique<ModalAnswer>([](QWidget& next) {
            auto& sheet = dynamic_cast<CISPSheet&>(next);
            EXPECT_EQ(sheet.Data().profileName, "First ISP");
            // A new profile checks mail over TLS unless the user says otherwise.
            EXPECT_EQ(sheet.EmailNews()->mailSecurity->currentText(),
                      QStringLiteral("auto: STLS when offered, never in clear text"));
            sheet.Dialup()->login->setText(QStringLiteral("jo"));
            Press(sheet, QDialogButtonBox::Ok);
        });
        Press(dialog, QDialogButtonBox::Ok);
    });
    window->OnCommand(kCmdConfig);  // the tray menu's "Config"
    ASSERT_TRUE(entry.ran());
    EXPECT_TRUE(editor->ran());
    EXPECT_EQ(Store().LoadProfile("First ISP").login, "jo");
    EXPECT_EQ(
        COXRegistryItem(*m_registry, ProfileKeyPath("First ISP")).GetStringValue("POP3Security"),
        "auto");
    EXPECT_EQ(window->ProfileList()->currentText(), QStringLiteral("First ISP"));

    SqliteRegistryStore other(linkvaneDir());
    const ProfileRecord demon = FullProfile("Demon");
    Seed(demon);
    Seed(FullProfile("Other"));
    ASSERT_TRUE(window->FillProfileList());
    const QString file = QString::fromStdString((configHome() / "demon.idf").string());
    ASSERT_TRUE(ExportProfile(demon, {}, *m_phonebook, file.toStdString()));
    // Clicks a button of the Dialup page, a file dialog answering `path` and any question
    // answered other than Yes; `storeBusy`: while another process holds the store past its
    // wait. A box whose write failed shows what is stored.
    const auto clickOn = [&](auto button, QString path, bool storeBusy) {
        return [&, button, path, storeBusy](CISPSheet& sheet) {
            prompts.files = {path};
            std::vector<std::unique_ptr<RegistryStore::Transaction>> held;
            for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
                if (storeBusy)
                    held.push_back(other.BeginTransaction(root));
            }
            QAbstractButton* clicked = sheet.Dialup()->*button;
            clicked->click();
            if (clicked->isCheckable()) {
                EXPECT_FALSE(clicked->isChecked());
            }
        };
    };
    const auto refused = [](const char16_t* field) {
        return MessageQuestion{QMessageBox::Warning, QStringLiteral("Linkvane"),
                               QStringLiteral("Please enter a password of at most 39 characters "
                                              "of the Windows Western character set (1252) in "
                                              "\"%1\".")
                                   .arg(field)};
    };
    const MessageQuestion fileFailed{QMessageBox::NoIcon, QStringLiteral("Error"),
                                     QStringLiteral("File open failed.")};
    const struct {
        const char* what;
        std::function<void(CISPSheet&)> act;  // then OK is pressed
        std::optional<MessageQuestion> said;  // its text as the shown one begins
        int staysOnPage;                      // -1: OK closes the editor
    } cases[] = {
        {"a password too long for the store",
         [](CISPSheet& sheet) { sheet.Dialup()->password->setText(QString(40, u'x')); },
         refused(u"Password"), CISPSheet::kDialup},
        {"a password with a character Windows-1252 lacks",
         [](CISPSheet& sheet) {
             sheet.Tabs()->setCurrentIndex(CISPSheet::kEmailNews);
             sheet.EmailNews()->ePassword->setText(QStringLiteral("\u65E5\u672C"));
         },
         refused(u"Email Password"), CISPSheet::kEmailNews},
        {"an export to a file that cannot be made",
         clickOn(&CISPPage1::exportButton, QStringLiteral("/nonexistent/dir/x.idf"), false),
         fileFailed, -1},
        {"an import of a file that cannot be read",
         clickOn(&CISPPage1::importButton, QStringLiteral("/nonexistent.idf"), false), fileFailed,
         -1},
        {"an import over an existing entry, declined",
         clickOn(&CISPPage1::importButton, file, false),
         MessageQuestion{QMessageBox::NoIcon, QStringLiteral("Linkvane"),
                         QStringLiteral("This entry currently exists."),
                         QMessageBox::Yes | QMessageBox::No},
         -1},
        {"Set As Default while the store cannot write",
         clickOn(&CISPPage1::setAsDefault, QString(), true), std::nullopt, -1},
        {"Start Automatically while the store cannot write",
         clickOn(&CISPPage1::startup, QString(), true), std::nullopt, -1},
        {"Clear while the store cannot write", clickOn(&CISPPage1::clearButton, QString(), true),
         std::nullopt, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.messages.clear();
        prompts.files.clear();
        window->ProfileList()->setCurrentIndex(
            window->ProfileList()->findText(QStringLiteral("Demon")));
        window->ProfileList()->setEditText(QStringLiteral("Typed"));
        ModalAnswer answer([&](QWidget& modal) {
            auto& sheet = dynamic_cast<CISPSheet&>(modal);
            EXPECT_EQ(sheet.Data().profileName, "Demon");
            EXPECT_EQ(sheet.Dialup()->password->displayText(),
                      QString(static_cast<qsizetype>(demon.password.size()), u'*'));
            c.act(sheet);
            Press(sheet, QDialogButtonBox::Ok);
            EXPECT_EQ(sheet.isVisible() ? sheet.Tabs()->currentIndex() : -1, c.staysOnPage);
            sheet.reject();
        });
        window->OnCommand(ctl::kSetup);
        ASSERT_TRUE(answer.ran());
        EXPECT_EQ(prompts.messages.size(), c.said ? 1u : 0u);
        if (c.said && !prompts.messages.empty()) {
            const MessageQuestion& shown = prompts.messages[0];
            EXPECT_EQ(shown.icon, c.said->icon);
            EXPECT_EQ(shown.caption, c.said->caption);
            EXPECT_EQ(shown.buttons, c.said->buttons);
            EXPECT_TRUE(shown.text.startsWith(c.said->text)) << shown.text.toStdString();
        }
        EXPECT_EQ(Store().LoadProfile("Demon"), demon);
        EXPECT_EQ(Store().LoadGlobalSettings().defaultProfile, "");
        EXPECT_FALSE(std::filesystem::exists(autostart->EntryPath()));
    }
}

TEST_F(ProfileEditorTest, ModemAndPhonebookEntryDialogsFollowHotplugAndDetectNamesTheModel) {
    // Both dialogs that list modems follow a USB modem plugged in and out, each within a
    // second; Detect finds the simulated modem and names its model.
    Result<std::vector<TtyEvent>> events =
        testing::LoadUdevRecording(testing::SourcePath("tests/support/udev/usb_modems.events"));
    ASSERT_TRUE(events);
    CModemDlg listing(BuildModemList(*m_phonebook), nullptr, m_phonebook.get());
    CPhonebookEntryDlg adding(*m_phonebook, prompts, std::nullopt);
    adding.device->setCurrentText(QStringLiteral("/dev/typed"));
    listing.show();
    adding.show();
    for (const std::size_t event : {0u, 3u}) {  // ttyACM0 plugged in, then out
        m_ports->Play((*events)[event]);
        const int count = event == 0 ? 1 : 0;
        EXPECT_TRUE(QTest::qWaitFor([&] { return listing.DeviceList()->count() == count; }, 1000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return adding.device->count() == count; }, 1000));
        EXPECT_EQ(adding.device->currentText(), QStringLiteral("/dev/typed"));
    }

    testing::ModemSimulator simulator(MODEM_SIMULATOR, m_scratch.path(), "model=Zoom 3095");
    ASSERT_TRUE(m_phonebook->AddDevice(simulator.device().string()));
    CModemDlg detecting(BuildModemList(*m_phonebook), nullptr, m_phonebook.get());
    detecting.DetectButton()->click();
    EXPECT_FALSE(detecting.DetectButton()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return detecting.DetectButton()->isEnabled(); }, 4000));
    EXPECT_TRUE(detecting.DetectResults()->text().contains(QStringLiteral(": Zoom 3095.")))
        << detecting.DetectResults()->text().toStdString();

    ModemList modems{{{"/dev/ttyS0", ""}, {"/dev/\u202EttyUSB0", "ttyUSB0, Zoom\n56K"}}, ""};
    CModemDlg modem(modems);
    modem.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&modem));
    EXPECT_EQ(modem.windowTitle(), QStringLiteral("Modem"));
    EXPECT_EQ(modem.DeviceList()->currentItem()->text(), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(modem.DeviceList()->item(1)->text(),
              QStringLiteral("/dev/\\xe2\\x80\\xaettyUSB0  (ttyUSB0, Zoom\\n56K)"));
    // Detect sits beside OK, clear of the list and of OK, named as it reads.
    const QWidget* ok = modem.findChild<QPushButton*>(QStringLiteral("1"));
    EXPECT_EQ(modem.DetectButton()->accessibleName(), QStringLiteral("Detect"));
    EXPECT_FALSE(modem.DetectButton()->geometry().intersects(ok->geometry()));
    EXPECT_FALSE(modem.DetectButton()->geometry().intersects(modem.DeviceList()->geometry()));
    EXPECT_TRUE(modem.rect().contains(modem.DetectButton()->geometry()));
    modem.DeviceList()->setCurrentRow(1);
    QTest::keyClick(modem.DeviceList(), Qt::Key_Return);
    EXPECT_EQ(modem.result(), QDialog::Accepted);
    EXPECT_EQ(modem.ChosenDevice(), std::optional<std::string>("/dev/\u202EttyUSB0"));

    // The program's own prompts say "No modems found!" first, then show the empty list.
    DialogPrompts real;
    std::unique_ptr<ModalAnswer> emptyList;
    ModalAnswer noModems([&](QWidget& modal) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(&modal)->text(), QStringLiteral("No modems found!"));
        emptyList = std::make_unique<ModalAnswer>([](QWidget& next) {
            EXPECT_EQ(qobject_cast<CModemDlg*>(&next)->DeviceList()->count(), 0);
            qobject_cast<QDialog*>(&next)->accept();
        });
        qobject_cast<QDialog*>(&modal)->accept();
    });
    EXPECT_EQ(real.ChooseModem(nullptr, {{}, std::string(kNoModemsFoundText)}), std::nullopt);
    EXPECT_TRUE(noModems.ran() && emptyList && emptyList->ran());

    // A new entry, in the dialog that followed the modem above.
    CPhonebookEntryDlg& dialog = adding;
    dialog.name->setText(QStringLiteral("Demon"));
    dialog.phoneNumber->setText(QStringLiteral("0845 0790000"));
    dialog.alternateNumbers[1]->setText(QStringLiteral("0845 0790001"));
    dialog.countryCode->setText(QStringLiteral("UK"));
    dialog.device->setCurrentText(QStringLiteral("/dev/null"));
    Press(dialog, QDialogButtonBox::Ok);
    // The wrong field is named and focused; nothing is written.
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("country code")));
    EXPECT_EQ(dialog.focusWidget(), dialog.countryCode);
    EXPECT_FALSE(*m_phonebook->ReadEntry("Demon"));
    dialog.countryCode->setText(QStringLiteral("44"));
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_FALSE(dialog.isVisible());
    const auto entry = *m_phonebook->ReadEntry("Demon");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->properties.deviceName, "/dev/null");
    EXPECT_EQ(entry->properties.countryCode, 44u);
    EXPECT_EQ(entry->alternateNumbers, std::vector<std::string>{"0845 0790001"});
}

}  // namespace
}  // namespace linkvane
