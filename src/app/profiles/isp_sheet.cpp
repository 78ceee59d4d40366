#include "app/profiles/isp_sheet.h"

#include <QtGui/QAction>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QVBoxLayout>

#include "app/profiles/phonebook_entry_dialog.h"
#include "app/profiles/sheet_prompts.h"
#include "core/profiles/profile_file.h"
#include "core/profiles/profile_transfer.h"

namespace linkvane {

namespace {

const QString kAppTitle = QStringLiteral("Linkvane");
const QString kErrorCaption = QStringLiteral("Error");
const QString kProfileFilter = QStringLiteral("Linkvane Files (*.idf)");
const QString kProfileFileTitle = QStringLiteral("Save a File");
const QString kProfileFileName = QStringLiteral("untitled.idf");

// The import's questions, answered through the sheet's prompts.
class SheetImportQuestions final : public ImportQuestions {
  public:
    SheetImportQuestions(SheetPrompts& prompts, QWidget* parent)
        : m_prompts(prompts), m_parent(parent) {}

    bool ConfirmOverwrite(std::string_view) override {
        return m_prompts.Message(m_parent, {QMessageBox::NoIcon, kAppTitle,
                                            QString::fromUtf8(kOverwriteEntryQuestion.data(),
                                                              kOverwriteEntryQuestion.size()),
                                            QMessageBox::Yes | QMessageBox::No}) ==
               QMessageBox::Yes;
    }
    void EntryNotCreated(std::uint32_t error) override {
        m_prompts.Message(
            m_parent, {QMessageBox::NoIcon, QStringLiteral("Error: ") + QString::number(error),
                       QString::fromUtf8(kEntryNotCreatedText.data(), kEntryNotCreatedText.size()),
                       QMessageBox::Ok});
    }
    std::optional<std::string> ChooseModem(const ModemList& modems) override {
        return m_prompts.ChooseModem(m_parent, modems);
    }

  private:
    SheetPrompts& m_prompts;
    QWidget* m_parent;
};

// Runs the Phonebook Entry dialog; the name of the entry it wrote, or "" after Cancel.
std::string RunEntryDialog(QWidget* parent, const ProfileEditorServices& services,
                           std::optional<PhonebookEntry> existing) {
    CPhonebookEntryDlg dialog(services.phonebook, services.prompts, std::move(existing), parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.Entry().name;
}

}  // namespace

CISPSheet::CISPSheet(const ProfileEditorServices& services, std::string profileName,
                     QWidget* parent)
    : QDialog(parent),
      m_services(services),
      m_store(services.registry),
      m_data(LoadEditorData(m_store, profileName)),
      m_tabs(new QTabWidget(this)),
      m_dialup(new CISPPage1),
      m_global(new CISPPage2),
      m_emailNews(new CISPPage3),
      m_proxy(new CISPPage4),
      m_advanced(new CISPPage5) {
    setWindowTitle(QStringLiteral("Linkvaner Properties"));
    for (CISPPage* page : {static_cast<CISPPage*>(m_dialup), static_cast<CISPPage*>(m_global),
                           static_cast<CISPPage*>(m_emailNews), static_cast<CISPPage*>(m_proxy),
                           static_cast<CISPPage*>(m_advanced)}) {
        m_tabs->addTab(page, page->windowTitle());
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CISPSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CISPSheet::reject);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CISPSheet::OnPageChanged);

    connect(m_dialup->setAsDefault, &QCheckBox::clicked, this, &CISPSheet::SetDefault);
    connect(m_dialup->startup, &QCheckBox::clicked, this, &CISPSheet::SetStartAutomatically);
    connect(m_dialup->clearButton, &QPushButton::clicked, this, &CISPSheet::ClearProfile);
    connect(m_dialup->exportButton, &QPushButton::clicked, this, &CISPSheet::ExportProfile);
    connect(m_dialup->importButton, &QPushButton::clicked, this, &CISPSheet::ImportProfile);
    connect(m_dialup->newEntry, &QAction::triggered, this, &CISPSheet::NewEntry);
    connect(m_dialup->editEntry, &QAction::triggered, this, &CISPSheet::EditEntry);
    connect(m_dialup->deleteEntry, &QAction::triggered, this, &CISPSheet::DeleteEntry);
    connect(m_global->browseApp, &QPushButton::clicked, this,
            [this] { BrowseProgram(m_global->app1Path); });
    connect(m_global->browseEmail, &QPushButton::clicked, this,
            [this] { BrowseProgram(m_global->emailPath); });
    connect(m_global->browseBrowser, &QPushButton::clicked, this,
            [this] { BrowseProgram(m_global->browserPath); });
    connect(m_advanced->browseSound, &QPushButton::clicked, this, &CISPSheet::BrowseSound);

    m_global->Load(m_data);
    ShowProfile();
}

CISPPage* CISPSheet::Page(int index) const {
    return qobject_cast<CISPPage*>(m_tabs->widget(index));
}

void CISPSheet::Tell(const QString& caption, const std::string& text) {
    m_services.prompts.Message(
        this, {QMessageBox::Warning, caption, QString::fromStdString(text), QMessageBox::Ok});
}

void CISPSheet::TellFileError(const std::string& text) {
    m_services.prompts.Message(
        this, {QMessageBox::NoIcon, kErrorCaption, QString::fromStdString(text), QMessageBox::Ok});
}

bool CISPSheet::StoreShownPage() {
    if (std::optional<std::string> bad = Page(m_shownPage)->Store(m_data)) {
        Tell(kAppTitle, *bad);
        return false;
    }
    return true;
}

void CISPSheet::OnPageChanged(int index) {
    if (index == m_shownPage)
        return;
    if (!StoreShownPage()) {
        // The user stays on the page with the bad number, which keeps the focus.
        QWidget* focus = focusWidget();
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(m_shownPage);
        if (focus != nullptr)
            focus->setFocus();
        return;
    }
    m_shownPage = index;
    if (index == kAdvanced)
        ActivateAdvancedPage(m_data.profile);
    Page(index)->Load(m_data);
}

void CISPSheet::accept() {
    if (StoreShownPage())
        QDialog::accept();
}

void CISPSheet::ShowProfile() {
    m_dialup->Load(m_data);
    for (int i = 0; i < kPageCount; ++i)
        Page(i)->SetProfileAvailable(m_data.HasProfile());
}

// The three actions that write at once say nothing when the store cannot write, like every
// registry failure of the editor; what they show afterwards is what is stored.
void CISPSheet::SetDefault(bool on) {
    (void)m_store.SetDefaultProfile(on ? m_data.profileName : "");
    m_data.isDefault = m_store.LoadGlobalSettings().defaultProfile == m_data.profileName;
    m_dialup->setAsDefault->setChecked(m_data.isDefault);
}

void CISPSheet::SetStartAutomatically(bool on) {
    if (!m_store.SetStartWithWindows(on, m_services.executablePath, m_services.autostart))
        m_dialup->startup->setChecked(!on);
}

void CISPSheet::ClearProfile() {
    if (!StoreShownPage())
        return;
    (void)m_store.ClearProfile(m_data.profileName);
    m_data.profile = m_store.LoadProfile(m_data.profileName);
    ShowProfile();
}

void CISPSheet::ExportProfile() {
    if (!StoreShownPage())
        return;
    const QString path = m_services.prompts.SaveFileName(
        this, {kProfileFileTitle, kProfileFilter, kProfileFileName, false});
    if (path.isEmpty())
        return;
    ProfileRecord record = m_data.profile;
    record.name = m_data.profileName;
    if (Status written = linkvane::ExportProfile(record, m_data.globals, m_services.phonebook,
                                                 path.toStdString());
        !written) {
        TellFileError(written.error().message);
    }
}

void CISPSheet::ImportProfile() {
    if (!StoreShownPage())
        return;
    const QString path = m_services.prompts.OpenFileName(
        this, {kProfileFileTitle, kProfileFilter, kProfileFileName, false});
    if (path.isEmpty())
        return;
    SheetImportQuestions questions(m_services.prompts, this);
    auto imported =
        linkvane::ImportProfile(path.toStdString(), m_store, m_services.phonebook,
                                m_services.entryCreator, questions, m_data.profile.tweak);
    if (!imported) {
        TellFileError(imported.error().message);
        return;
    }
    if (!imported->has_value())
        return;
    ImportedProfile& result = **imported;
    SwitchEditorProfile(m_store, m_data, result.file.name);
    ApplyFileToGlobals(result.file, m_data.globals);
    m_global->Load(m_data);
    ShowProfile();
}

void CISPSheet::NewEntry() {
    const std::string name = RunEntryDialog(this, m_services, std::nullopt);
    // An editor without a profile goes on with the new one; one with a profile keeps it, so
    // that nothing typed for it is lost.
    if (name.empty() || m_data.HasProfile() || !StoreShownPage())
        return;
    SwitchEditorProfile(m_store, m_data, name);
    ShowProfile();
}

void CISPSheet::EditEntry() {
    Result<std::optional<PhonebookEntry>> entry =
        m_services.phonebook.ReadEntry(m_data.profileName);
    if (!entry) {
        Tell(kErrorCaption, entry.error().Describe());
        return;
    }
    std::optional<PhonebookEntry> existing = std::move(entry).value();
    if (!existing) {
        // A profile whose entry has gone: make it again under the profile's name.
        existing = PhonebookEntry{};
        existing->name = m_data.profileName;
    }
    RunEntryDialog(this, m_services, std::move(existing));
}

void CISPSheet::DeleteEntry() {
    if (!StoreShownPage())
        return;
    const QString question =
        QStringLiteral("Delete the phonebook entry \"%1\" and its profile settings?")
            .arg(QString::fromStdString(m_data.profileName));
    if (m_services.prompts.Message(this, {QMessageBox::Question, kAppTitle, question,
                                          QMessageBox::Yes | QMessageBox::No}) !=
        QMessageBox::Yes) {
        return;
    }
    if (Status removed = m_services.phonebook.RemoveEntry(m_data.profileName);
        !removed && removed.error().code != ras::kCannotFindPhonebookEntry) {
        Tell(kErrorCaption, removed.error().Describe());
        return;
    }
    if (Status cleared = m_store.ClearProfile(m_data.profileName); !cleared)
        Tell(kErrorCaption, cleared.error().Describe());
    SwitchEditorProfile(m_store, m_data, "");
    ShowProfile();
}

void CISPSheet::BrowseProgram(QLineEdit* field) {
    const QString path =
        m_services.prompts.OpenFileName(this, {QStringLiteral("Open"), {}, {}, true});
    // Only the browsed field changes: what was typed in the others stays.
    if (!path.isEmpty())
        field->setText(path);
}

void CISPSheet::BrowseSound() {
    const QString path = m_services.prompts.OpenFileName(
        this, {QStringLiteral("Open"), QStringLiteral("WAV Files (*.wav)"), {}, false});
    if (!path.isEmpty())
        m_advanced->emailSound->setText(path);
}

std::optional<std::string> RunProfileEditor(QWidget* parent, const ProfileEditorServices& services,
                                            std::string profileName) {
    if (profileName.empty()) {
        const QString offer = QStringLiteral(
            "There is no phonebook entry yet. Each profile belongs to an entry.\n\n"
            "Create an entry now?");
        if (services.prompts.Message(parent, {QMessageBox::Question, kAppTitle, offer,
                                              QMessageBox::Yes | QMessageBox::No}) ==
            QMessageBox::Yes) {
            profileName = RunEntryDialog(parent, services, std::nullopt);
        }
    }
    CISPSheet sheet(services, profileName, parent);
    if (sheet.exec() != QDialog::Accepted)
        return std::nullopt;
    if (Status saved =
            SaveEditorData(ProfileStore(services.registry), services.phonebook, sheet.Data());
        !saved) {
        services.prompts.Message(
            parent, {QMessageBox::Warning, kErrorCaption,
                     QString::fromStdString(saved.error().Describe()), QMessageBox::Ok});
    }
    return sheet.Data().profileName;
}

}  // namespace linkvane
