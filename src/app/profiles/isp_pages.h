#pragma once

// The five pages of the profile editor: Dialup (dialog 121), Global (122), Email/News (123),
// Proxy (124) and Advanced (125). A page shows the editor's values in its controls (Load) and
// copies them back (Store) when it is left or OK is pressed; Store refuses text that is not a
// number in a number field, or a password the store cannot hold, naming the field and leaving
// the focus there. The pages are views: the sheet wires the buttons that act (CISPSheet).
// GUI thread only.

#include <QtWidgets/QWidget>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/profiles/profile_editor.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QAction;

namespace linkvane {

// Every page's size: its template of 250 x 200 dialog units.
inline constexpr QSize kPageTemplateSize{250, 200};

class CISPPage : public QWidget {
    Q_OBJECT

  public:
    explicit CISPPage(const QString& title);
    // Shows the editor's values: the bound fields, then what the page adds (LoadMore).
    void Load(const ProfileEditorData& editor);
    // nullopt when every field is stored; otherwise the message, and the field keeps the focus.
    std::optional<std::string> Store(ProfileEditorData& editor);
    // Enables what concerns a profile; an editor without one edits program-wide values only.
    virtual void SetProfileAvailable(bool available) { setEnabled(available); }

  protected:
    // Text and check box fields that move as they are, profile or program-wide.
    void Bind(QLineEdit* edit, std::string ProfileRecord::*field);
    void Bind(QLineEdit* edit, std::string GlobalSettings::*field);
    void Bind(QCheckBox* box, std::int32_t ProfileRecord::*field);
    void Bind(QCheckBox* box, std::int32_t GlobalSettings::*field);
    // What a page does beyond its bound fields (numbers, enable states).
    virtual void LoadMore(const ProfileEditorData&) {}
    virtual std::optional<std::string> StoreMore(ProfileEditorData&) { return std::nullopt; }

    // Parses edit's text into value; on failure focuses edit and returns the message.
    static std::optional<std::string> StoreNumber(QLineEdit* edit, std::int32_t& value);
    static std::optional<std::string> StoreNumber(QLineEdit* edit, std::uint32_t& value);
    // nullopt for a password the store can hold; else the message, with edit focused.
    static std::optional<std::string> CheckPassword(QLineEdit* edit);

  private:
    std::vector<std::pair<QLineEdit*, std::string ProfileRecord::*>> m_profileTexts;
    std::vector<std::pair<QLineEdit*, std::string GlobalSettings::*>> m_globalTexts;
    std::vector<std::pair<QCheckBox*, std::int32_t ProfileRecord::*>> m_profileChecks;
    std::vector<std::pair<QCheckBox*, std::int32_t GlobalSettings::*>> m_globalChecks;
};

class CISPPage1 final : public CISPPage {
    Q_OBJECT

  public:
    CISPPage1();
    void SetProfileAvailable(bool available) override;

    QLabel* profileName;
    QCheckBox* setAsDefault;
    QLineEdit* login;
    QLineEdit* password;
    QCheckBox* showPassword;
    QCheckBox* useLan;
    QCheckBox* launchBrowser;
    QCheckBox* launchEmail;
    QCheckBox* enableRedial;
    QLineEdit* redialTimeout;
    QLineEdit* redialAttempts;
    QCheckBox* startup;
    QCheckBox* startMinimised;
    QPushButton* importButton;
    QPushButton* exportButton;
    QPushButton* clearButton;
    QPushButton* phonebookButton;
    QAction* newEntry;
    QAction* editEntry;
    QAction* deleteEntry;

  protected:
    void LoadMore(const ProfileEditorData& editor) override;
    std::optional<std::string> StoreMore(ProfileEditorData& editor) override;
};

class CISPPage2 final : public CISPPage {
    Q_OBJECT

  public:
    CISPPage2();
    void SetProfileAvailable(bool) override {}  // program-wide values only

    QLineEdit* url1Label;
    QLineEdit* url1Loc;
    QLineEdit* url2Label;
    QLineEdit* url2Loc;
    QLineEdit* app1Label;
    QLineEdit* app1Path;
    QLineEdit* emailPath;
    QLineEdit* browserPath;
    QPushButton* browseApp;
    QPushButton* browseEmail;
    QPushButton* browseBrowser;
};

class CISPPage3 final : public CISPPage {
    Q_OBJECT

  public:
    CISPPage3();

    QLineEdit* pop3Host;
    QLineEdit* smtpHost;
    QLineEdit* realname;
    QLineEdit* organisation;
    QLineEdit* username;
    QLineEdit* ePassword;
    QCheckBox* showPassword;
    QLineEdit* replyTo;
    QLineEdit* nntpHost;
    QComboBox* mailSecurity;  // "POP3Security": each item's data is its word

  protected:
    void LoadMore(const ProfileEditorData& editor) override;
    std::optional<std::string> StoreMore(ProfileEditorData& editor) override;
};

class CISPPage4 final : public CISPPage {
    Q_OBJECT

  public:
    CISPPage4();

    QLineEdit* httpProxy;
    QLineEdit* httpProxyPort;
    QLineEdit* ftpProxy;
    QLineEdit* ftpProxyPort;
    QLineEdit* proxyOverride;
    QLineEdit* homepage;
};

class CISPPage5 final : public CISPPage {
    Q_OBJECT

  public:
    CISPPage5();

    // The "Enable" box: switches keep-alive on, or off erasing host and frequency.
    void ToggleKeepAlive();
    // "Check for mail every": the alert controls follow the box.
    void UpdateMailAlerts();

    QCheckBox* keepAlive;
    QLineEdit* pingHost;
    QLineEdit* pingFreq;
    QCheckBox* setNetscape;
    QCheckBox* setIE;
    QCheckBox* checkEmail;
    QLineEdit* popMinutes;
    QCheckBox* popupAlert;
    QCheckBox* playSound;
    QLineEdit* emailSound;
    QPushButton* browseSound;
    QLineEdit* redialPause;
    QCheckBox* reconnect;
    QCheckBox* notifications;  // program-wide: "Notifications"

  protected:
    void LoadMore(const ProfileEditorData& editor) override;
    std::optional<std::string> StoreMore(ProfileEditorData& editor) override;

  private:
    void EnableKeepAliveFields(bool on);
};

// Makes box switch edit between "*" for each character and plain text, focusing the edit.
void BindShowPassword(QCheckBox* box, QLineEdit* edit);

}  // namespace linkvane
