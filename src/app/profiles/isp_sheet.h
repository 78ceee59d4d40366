#pragma once

// CISPSheet: the profile editor. Five tab pages (Dialup, Global, Email/News, Proxy, Advanced)
// and OK/Cancel over the program-wide settings and one profile. The sheet loads both when it
// is made; OK leaves them in Data() for the caller to save, Cancel leaves nothing to save.
// "Set As Default", "Start Automatically", "Clear", "Import", "Export" and the phonebook's New,
// Edit and Delete act at once and stay done after Cancel. The first three say nothing when
// the store cannot write; their boxes and fields then show what is stored.
//
// File names, message-box answers and the modem choice are asked through SheetPrompts. The
// sheet borrows everything in ProfileEditorServices. GUI thread only.

#include <QtWidgets/QDialog>

#include <optional>
#include <string>

#include "app/profiles/isp_pages.h"
#include "core/profiles/phonebook_entries.h"
#include "core/profiles/profile_editor.h"
#include "core/profiles/profile_store.h"

class QTabWidget;

namespace linkvane {

class SheetPrompts;

struct ProfileEditorServices {
    RegistryStore& registry;
    Phonebook& phonebook;
    EntryCreator& entryCreator;  // holds the device confirmed in the last import of the run
    Autostart& autostart;
    SheetPrompts& prompts;
    std::string executablePath;  // what "Start Automatically" starts
};

class CISPSheet : public QDialog {
    Q_OBJECT

  public:
    enum PageIndex { kDialup, kGlobal, kEmailNews, kProxy, kAdvanced, kPageCount };

    CISPSheet(const ProfileEditorServices& services, std::string profileName,
              QWidget* parent = nullptr);

    const ProfileEditorData& Data() const { return m_data; }
    QTabWidget* Tabs() const { return m_tabs; }
    CISPPage1* Dialup() const { return m_dialup; }
    CISPPage2* Global() const { return m_global; }
    CISPPage3* EmailNews() const { return m_emailNews; }
    CISPPage4* Proxy() const { return m_proxy; }
    CISPPage5* Advanced() const { return m_advanced; }

    // The actions of the Dialup page.
    void ClearProfile();
    void ExportProfile();
    void ImportProfile();
    void NewEntry();
    void EditEntry();
    void DeleteEntry();

  public Q_SLOTS:
    void accept() override;  // stays open while the page shown holds a bad number

  private:
    void OnPageChanged(int index);
    // Copies the shown page into Data(); false (with the message shown) for a bad number.
    bool StoreShownPage();
    void ShowProfile();  // the Dialup page and what a profile enables, after a switch
    void SetDefault(bool on);
    void SetStartAutomatically(bool on);
    void BrowseProgram(QLineEdit* field);
    void BrowseSound();
    void Tell(const QString& caption, const std::string& text);
    // Import's and Export's own failures: caption "Error", OK, no icon.
    void TellFileError(const std::string& text);
    CISPPage* Page(int index) const;

    ProfileEditorServices m_services;
    ProfileStore m_store;
    ProfileEditorData m_data;
    QTabWidget* m_tabs;
    CISPPage1* m_dialup;
    CISPPage2* m_global;
    CISPPage3* m_emailNews;
    CISPPage4* m_proxy;
    CISPPage5* m_advanced;
    int m_shownPage = kDialup;
};

// Setup/Config's editor run: with no profile name (an empty phonebook) it first offers to
// create an entry and then edits that entry's profile, or only the program-wide settings when
// the user declines. Saves after OK and answers with the name of the profile it ended up
// editing ("" for none); nullopt after Cancel.
std::optional<std::string> RunProfileEditor(QWidget* parent, const ProfileEditorServices& services,
                                            std::string profileName);

}  // namespace linkvane
