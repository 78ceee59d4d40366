#include "app/profiles/isp_pages.h"

#include <QtGui/QAction>
#include <QtGui/QFont>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/profiles/form_controls.h"
#include "controls/dialog_units.h"
#include "core/profiles/mail_security.h"

namespace linkvane {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Std(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// The edit's text into value, unless it still shows value: a value the user did not touch is
// kept byte for byte, even where the edit could not show it exactly (bytes that are not
// UTF-8, a zero character).
void StoreText(const QLineEdit* edit, std::string& value) {
    if (edit->text() != Text(value))
        value = Std(edit);
}

std::int32_t Checked(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

// A group box holding a grid, added to the page's layout.
QGridLayout* AddGroup(QGridLayout* page, const QString& title, int row, int column,
                      int columnSpan = 1) {
    QGroupBox* group = MakeGroup(title);
    auto* grid = new QGridLayout(group);
    page->addWidget(group, row, column, 1, columnSpan);
    return grid;
}

QPushButton* MakeBrowseButton(int id, const QString& forLabel) {
    QPushButton* button = MakeButton(id, QStringLiteral("..."));
    // "..." says nothing to a screen reader; the name says what it browses for.
    button->setAccessibleName(QStringLiteral("Browse for ") + AccessibleText(forLabel));
    button->setFixedWidth(DialogUnitsToPixelsX(16));
    return button;
}

QLineEdit* MakePasswordEdit(int id) {
    QLineEdit* edit = MakeEdit(id, {});
    edit->setEchoMode(QLineEdit::Password);
    // A hidden password shows "*" for each character, whatever the style would draw.
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    return edit;
}

// The message of a field that keeps the user on its page, with the field focused and selected.
std::string Refuse(QLineEdit* edit, const Error& error) {
    edit->setFocus();
    edit->selectAll();
    return error.message;
}

// The parsed number into value, or the message.
template <typename T>
std::optional<std::string> TakeNumber(QLineEdit* edit, const Result<T>& parsed, T& value) {
    if (!parsed)
        return Refuse(edit, parsed.error());
    value = *parsed;
    return std::nullopt;
}

}  // namespace

void BindShowPassword(QCheckBox* box, QLineEdit* edit) {
    QObject::connect(box, &QCheckBox::toggled, edit, [edit](bool show) {
        edit->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
        edit->setFocus();
    });
}

CISPPage::CISPPage(const QString& title) {
    setWindowTitle(title);
    setAccessibleName(title);
    setMinimumSize(DialogUnitsToPixels(kPageTemplateSize));
}

void CISPPage::Bind(QLineEdit* edit, std::string ProfileRecord::*field) {
    m_profileTexts.emplace_back(edit, field);
}
void CISPPage::Bind(QLineEdit* edit, std::string GlobalSettings::*field) {
    m_globalTexts.emplace_back(edit, field);
}
void CISPPage::Bind(QCheckBox* box, std::int32_t ProfileRecord::*field) {
    m_profileChecks.emplace_back(box, field);
}
void CISPPage::Bind(QCheckBox* box, std::int32_t GlobalSettings::*field) {
    m_globalChecks.emplace_back(box, field);
}

void CISPPage::Load(const ProfileEditorData& editor) {
    for (const auto& [edit, field] : m_profileTexts)
        edit->setText(Text(editor.profile.*field));
    for (const auto& [edit, field] : m_globalTexts)
        edit->setText(Text(editor.globals.*field));
    for (const auto& [box, field] : m_profileChecks)
        box->setChecked(editor.profile.*field != 0);
    for (const auto& [box, field] : m_globalChecks)
        box->setChecked(editor.globals.*field != 0);
    LoadMore(editor);
}

std::optional<std::string> CISPPage::Store(ProfileEditorData& editor) {
    if (auto bad = StoreMore(editor))
        return bad;
    for (const auto& [edit, field] : m_profileTexts)
        StoreText(edit, editor.profile.*field);
    for (const auto& [edit, field] : m_globalTexts)
        StoreText(edit, editor.globals.*field);
    for (const auto& [box, field] : m_profileChecks)
        editor.profile.*field = Checked(box);
    for (const auto& [box, field] : m_globalChecks)
        editor.globals.*field = Checked(box);
    return std::nullopt;
}

std::optional<std::string> CISPPage::StoreNumber(QLineEdit* edit, std::int32_t& value) {
    return TakeNumber(edit, ParseSignedField(edit->accessibleName().toStdString(), Std(edit)),
                      value);
}

std::optional<std::string> CISPPage::StoreNumber(QLineEdit* edit, std::uint32_t& value) {
    return TakeNumber(edit, ParseUnsignedField(edit->accessibleName().toStdString(), Std(edit)),
                      value);
}

std::optional<std::string> CISPPage::CheckPassword(QLineEdit* edit) {
    if (Status storable = CheckPasswordField(edit->accessibleName().toStdString(), Std(edit));
        !storable) {
        return Refuse(edit, storable.error());
    }
    return std::nullopt;
}

// Dialup -------------------------------------------------------------------------------------

CISPPage1::CISPPage1() : CISPPage(QStringLiteral("Dialup")) {
    auto* page = new QGridLayout(this);
    profileName = new QLabel;
    profileName->setObjectName(QStringLiteral("1067"));
    profileName->setTextFormat(Qt::PlainText);
    QFont bold = profileName->font();
    bold.setBold(true);
    profileName->setFont(bold);
    setAsDefault = MakeCheck(1016, QStringLiteral("Set As &Default"));
    page->addWidget(profileName, 0, 0);
    page->addWidget(setAsDefault, 0, 1);

    QGridLayout* dialup = AddGroup(page, QStringLiteral("Dialup Settings"), 1, 0);
    login = MakeEdit(1044, {});
    password = MakePasswordEdit(1047);
    showPassword = MakeCheck(1066, QStringLiteral("Show Pass&word"));
    useLan = MakeCheck(1056, QStringLiteral("&Use LAN"));
    AddLabelledRow(dialup, 0, QStringLiteral("&Login"), login);
    AddLabelledRow(dialup, 1, QStringLiteral("&Password"), password);
    dialup->addWidget(showPassword, 2, 1);
    dialup->addWidget(useLan, 3, 1);

    QGridLayout* launch = AddGroup(page, QStringLiteral("Auto Launch"), 1, 1);
    launchBrowser = MakeCheck(1032, QStringLiteral("Auto-Launch &Browser"));
    launchEmail = MakeCheck(1033, QStringLiteral("Auto-Launch &Email"));
    launch->addWidget(launchBrowser, 0, 0);
    launch->addWidget(launchEmail, 1, 0);

    QGridLayout* redial = AddGroup(page, QStringLiteral("Re-Dial"), 2, 0);
    enableRedial = MakeCheck(1106, QStringLiteral("Enable &Re-dial"));
    redialTimeout = MakeEdit(1107, {});
    redialAttempts = MakeEdit(1108, {});
    redial->addWidget(enableRedial, 0, 0, 1, 2);
    AddLabelledRow(redial, 1, QStringLiteral("&Timeout (Secs.)"), redialTimeout);
    AddLabelledRow(redial, 2, QStringLiteral("Re-Dial &Attempts"), redialAttempts);

    QGridLayout* start = AddGroup(page, QStringLiteral("Startup"), 2, 1);
    startup = MakeCheck(1109, QStringLiteral("Start Auto&matically"));
    startMinimised = MakeCheck(1110, QStringLiteral("Start Mi&nimised"));
    start->addWidget(startup, 0, 0);
    start->addWidget(startMinimised, 1, 0);

    auto* buttons = new QHBoxLayout;
    importButton = MakeButton(1055, QStringLiteral("&Import"));
    exportButton = MakeButton(1054, QStringLiteral("E&xport"));
    clearButton = MakeButton(1020, QStringLiteral("&Clear"));
    // The phonebook's entries have no system dialog here; this button reaches ours.
    phonebookButton = MakeButton(1200, QStringLiteral("P&honebook..."));
    auto* menu = new QMenu(phonebookButton);
    newEntry = menu->addAction(QStringLiteral("&New..."));
    editEntry = menu->addAction(QStringLiteral("&Edit..."));
    deleteEntry = menu->addAction(QStringLiteral("&Delete"));
    phonebookButton->setMenu(menu);
    for (QPushButton* button : {importButton, exportButton, clearButton, phonebookButton})
        buttons->addWidget(button);
    page->addLayout(buttons, 3, 0, 1, 2);
    page->setRowStretch(4, 1);

    Bind(login, &ProfileRecord::login);
    Bind(password, &ProfileRecord::password);
    Bind(useLan, &ProfileRecord::useLan);
    Bind(launchBrowser, &GlobalSettings::launchBrowser);
    Bind(launchEmail, &GlobalSettings::launchEmail);
    Bind(enableRedial, &GlobalSettings::enableRedial);
    Bind(startup, &GlobalSettings::startup);
    Bind(startMinimised, &GlobalSettings::startMinimised);
    BindShowPassword(showPassword, password);
    connect(enableRedial, &QCheckBox::toggled, this, [this](bool on) {
        redialTimeout->setEnabled(on);
        redialAttempts->setEnabled(on);
    });
}

void CISPPage1::LoadMore(const ProfileEditorData& editor) {
    profileName->setText(editor.HasProfile() ? Text(editor.profileName)
                                             : QStringLiteral("(no phonebook entry)"));
    profileName->setAccessibleName(profileName->text());
    setAsDefault->setChecked(editor.isDefault);
    SetNumberText(redialTimeout, editor.globals.redialTimeout);
    SetNumberText(redialAttempts, editor.globals.redialAttempts);
    redialTimeout->setEnabled(editor.globals.enableRedial != 0);
    redialAttempts->setEnabled(editor.globals.enableRedial != 0);
}

std::optional<std::string> CISPPage1::StoreMore(ProfileEditorData& editor) {
    if (auto bad = CheckPassword(password))
        return bad;
    if (auto bad = StoreNumber(redialTimeout, editor.globals.redialTimeout))
        return bad;
    return StoreNumber(redialAttempts, editor.globals.redialAttempts);
}

void CISPPage1::SetProfileAvailable(bool available) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             setAsDefault, login, password, showPassword, useLan, exportButton, clearButton}) {
        control->setEnabled(available);
    }
    editEntry->setEnabled(available);
    deleteEntry->setEnabled(available);
}

// Global -------------------------------------------------------------------------------------

CISPPage2::CISPPage2() : CISPPage(QStringLiteral("Global")) {
    auto* page = new QGridLayout(this);
    QGridLayout* grid = AddGroup(page, QStringLiteral("Global Application/URL Settings"), 0, 0);
    url1Label = MakeEdit(1026, {});
    url1Loc = MakeEdit(1024, {});
    url2Label = MakeEdit(1025, {});
    url2Loc = MakeEdit(1027, {});
    app1Label = MakeEdit(1035, {});
    app1Path = MakeEdit(1036, {});
    emailPath = MakeEdit(1028, {});
    browserPath = MakeEdit(1029, {});
    browseApp = MakeBrowseButton(1037, QStringLiteral("App. Path"));
    browseEmail = MakeBrowseButton(1030, QStringLiteral("Email"));
    browseBrowser = MakeBrowseButton(1031, QStringLiteral("Browser"));
    AddLabelledRow(grid, 0, QStringLiteral("URL&1 Title"), url1Label);
    AddLabelledRow(grid, 1, QStringLiteral("URL1 &Loc."), url1Loc);
    AddLabelledRow(grid, 2, QStringLiteral("URL&2 Title"), url2Label);
    AddLabelledRow(grid, 3, QStringLiteral("URL2 L&oc."), url2Loc);
    AddLabelledRow(grid, 4, QStringLiteral("App. &Title"), app1Label);
    AddLabelledRow(grid, 5, QStringLiteral("App. &Path"), app1Path);
    grid->addWidget(browseApp, 5, 2);
    AddLabelledRow(grid, 6, QStringLiteral("&Email"), emailPath);
    grid->addWidget(browseEmail, 6, 2);
    AddLabelledRow(grid, 7, QStringLiteral("&Browser"), browserPath);
    grid->addWidget(browseBrowser, 7, 2);
    page->setRowStretch(1, 1);
    Bind(url1Label, &GlobalSettings::url1Label);
    Bind(url1Loc, &GlobalSettings::url1Loc);
    Bind(url2Label, &GlobalSettings::url2Label);
    Bind(url2Loc, &GlobalSettings::url2Loc);
    Bind(app1Label, &GlobalSettings::app1Label);
    Bind(app1Path, &GlobalSettings::app1Path);
    Bind(emailPath, &GlobalSettings::emailPath);
    Bind(browserPath, &GlobalSettings::browserPath);
}

// Email/News ---------------------------------------------------------------------------------

CISPPage3::CISPPage3() : CISPPage(QStringLiteral("Email/News")) {
    auto* page = new QGridLayout(this);
    QGridLayout* grid = AddGroup(page, QStringLiteral("Email/News Settings"), 0, 0);
    pop3Host = MakeEdit(1043, {});
    smtpHost = MakeEdit(1046, {});
    realname = MakeEdit(1045, {});
    organisation = MakeEdit(1048, {});
    username = MakeEdit(1044, {});
    ePassword = MakePasswordEdit(1047);
    showPassword = MakeCheck(1098, QStringLiteral("S&how Password"));
    replyTo = MakeEdit(1049, {});
    nntpHost = MakeEdit(1051, {});
    AddLabelledRow(grid, 0, QStringLiteral("&POP3 Server"), pop3Host);
    AddLabelledRow(grid, 1, QStringLiteral("&SMTP Server"), smtpHost);
    AddLabelledRow(grid, 2, QStringLiteral("&Real Name"), realname);
    AddLabelledRow(grid, 3, QStringLiteral("&Organisation"), organisation);
    AddLabelledRow(grid, 4, QStringLiteral("Email &Login"), username);
    AddLabelledRow(grid, 5, QStringLiteral("Email Pass&word"), ePassword);
    grid->addWidget(showPassword, 6, 1);
    AddLabelledRow(grid, 7, QStringLiteral("Repl&y-To:"), replyTo);
    AddLabelledRow(grid, 8, QStringLiteral("&News Server:"), nntpHost);
    mailSecurity = new QComboBox;
    mailSecurity->setObjectName(QStringLiteral("POP3Security"));
    for (const Pop3Security security :
         {Pop3Security::Auto, Pop3Security::Stls, Pop3Security::Pop3s, Pop3Security::Plain}) {
        const std::string word(Pop3SecurityName(security));
        mailSecurity->addItem(Text(word + ": " + std::string(MailSecurityDescription(security))),
                              Text(word));
    }
    AddLabelledRow(grid, 9, QStringLiteral("&Mail Security"), mailSecurity);
    page->setRowStretch(1, 1);
    BindShowPassword(showPassword, ePassword);
    Bind(pop3Host, &ProfileRecord::pop3Host);
    Bind(smtpHost, &ProfileRecord::smtpHost);
    Bind(realname, &ProfileRecord::realname);
    Bind(organisation, &ProfileRecord::organisation);
    Bind(username, &ProfileRecord::username);
    Bind(ePassword, &ProfileRecord::ePassword);
    Bind(replyTo, &ProfileRecord::replyTo);
    Bind(nntpHost, &ProfileRecord::nntpHost);
}

void CISPPage3::LoadMore(const ProfileEditorData& editor) {
    const std::string_view word = Pop3SecurityName(Pop3SecurityOf(editor.profile.pop3Security));
    mailSecurity->setCurrentIndex(mailSecurity->findData(Text(std::string(word))));
}

std::optional<std::string> CISPPage3::StoreMore(ProfileEditorData& editor) {
    editor.profile.pop3Security = mailSecurity->currentData().toString().toStdString();
    return CheckPassword(ePassword);
}

// Proxy --------------------------------------------------------------------------------------

CISPPage4::CISPPage4() : CISPPage(QStringLiteral("Proxy")) {
    auto* page = new QGridLayout(this);
    QGridLayout* grid = AddGroup(page, QStringLiteral("WWW Settings"), 0, 0);
    httpProxy = MakeEdit(1038, {});
    httpProxyPort = MakeEdit(1039, {});
    ftpProxy = MakeEdit(1040, {});
    ftpProxyPort = MakeEdit(1041, {});
    proxyOverride = MakeEdit(1050, {});
    homepage = MakeEdit(1042, {});
    for (QLineEdit* port : {httpProxyPort, ftpProxyPort})
        port->setFixedWidth(DialogUnitsToPixelsX(30));
    AddLabelledRow(grid, 0, QStringLiteral("&HTTP Proxy"), httpProxy);
    AddLabelledRow(grid, 0, QStringLiteral("P&ort"), httpProxyPort, 2);
    AddLabelledRow(grid, 1, QStringLiteral("&FTP Proxy"), ftpProxy);
    AddLabelledRow(grid, 1, QStringLiteral("Po&rt"), ftpProxyPort, 2);
    grid->addWidget(MakeLabel(QStringLiteral("Proxy &Bypass"), proxyOverride), 2, 0);
    grid->addWidget(proxyOverride, 2, 1, 1, 3);
    grid->addWidget(MakeLabel(QStringLiteral("Ho&mepage"), homepage), 3, 0);
    grid->addWidget(homepage, 3, 1, 1, 3);
    page->setRowStretch(1, 1);
    Bind(httpProxy, &ProfileRecord::httpProxy);
    Bind(httpProxyPort, &ProfileRecord::httpProxyPort);
    Bind(ftpProxy, &ProfileRecord::ftpProxy);
    Bind(ftpProxyPort, &ProfileRecord::ftpProxyPort);
    Bind(proxyOverride, &ProfileRecord::proxyOverride);
    Bind(homepage, &ProfileRecord::homepage);
}

// Advanced -----------------------------------------------------------------------------------

CISPPage5::CISPPage5() : CISPPage(QStringLiteral("Advanced")) {
    auto* page = new QGridLayout(this);
    QGridLayout* keep = AddGroup(page, QStringLiteral("Keep Alive"), 0, 0);
    keepAlive = MakeCheck(1076, QStringLiteral("&Enable"));
    pingHost = MakeEdit(1073, {});
    pingFreq = MakeEdit(1074, {});
    keep->addWidget(keepAlive, 0, 0, 1, 3);
    keep->addWidget(MakeLabel(QStringLiteral("H&ost"), pingHost), 1, 0);
    keep->addWidget(pingHost, 1, 1, 1, 2);
    AddLabelledRow(keep, 2, QStringLiteral("Ping &Freq.:"), pingFreq);
    keep->addWidget(new QLabel(QStringLiteral("mins.")), 2, 2);

    QGridLayout* misc = AddGroup(page, QStringLiteral("Misc Options"), 0, 1);
    setNetscape = MakeCheck(1077, QStringLiteral("Set &Netscape Prefs"));
    setIE = MakeCheck(1078, QStringLiteral("Set &IE/Outlook Prefs"));
    // Program-wide, below the profile's own choices: bubbles instead of the message boxes.
    notifications = MakeCheck(1091, QStringLiteral("&Desktop notifications"));
    notifications->setToolTip(
        QStringLiteral("A failed dial, a dropped line and new mail as desktop notifications "
                       "instead of message boxes"));
    misc->addWidget(setNetscape, 0, 0);
    misc->addWidget(setIE, 1, 0);
    misc->addWidget(notifications, 2, 0);
    misc->setRowStretch(3, 1);

    QGridLayout* alert = AddGroup(page, QStringLiteral("Email Alert"), 1, 0, 2);
    checkEmail = MakeCheck(1082, QStringLiteral("&Check for mail every"));
    popMinutes = MakeEdit(1083, {});
    popMinutes->setFixedWidth(DialogUnitsToPixelsX(30));
    auto* minutes = MakeLabel(QStringLiteral("minutes."), popMinutes);
    popupAlert = MakeCheck(1084, QStringLiteral("&Pop up notification"));
    playSound = MakeCheck(1085, QStringLiteral("Play this &sound"));
    emailSound = MakeEdit(1086, QStringLiteral("Sound"));
    browseSound = MakeBrowseButton(1087, QStringLiteral("Sound"));
    alert->addWidget(checkEmail, 0, 0);
    alert->addWidget(popMinutes, 0, 1);
    alert->addWidget(minutes, 0, 2);
    alert->addWidget(popupAlert, 1, 0, 1, 3);
    alert->addWidget(playSound, 2, 0);
    alert->addWidget(emailSound, 2, 1, 1, 2);
    alert->addWidget(browseSound, 2, 3);

    // Below the page's own groups, so that they keep their places.
    QGridLayout* redial = AddGroup(page, QStringLiteral("Redial Pacing"), 2, 0, 2);
    redialPause = MakeEdit(1088, {});
    redialPause->setFixedWidth(DialogUnitsToPixelsX(30));
    reconnect = MakeCheck(1089, QStringLiteral("&Reconnect after a drop"));
    AddLabelledRow(redial, 0, QStringLiteral("Pa&use between dials of a number:"), redialPause);
    redial->addWidget(new QLabel(QStringLiteral("secs.")), 0, 2);
    redial->addWidget(reconnect, 1, 0, 1, 3);
    redial->setColumnStretch(3, 1);
    page->setRowStretch(3, 1);

    Bind(pingHost, &ProfileRecord::pingHost);
    Bind(setNetscape, &ProfileRecord::setNetscape);
    Bind(setIE, &ProfileRecord::setIE);
    Bind(checkEmail, &ProfileRecord::checkEmail);
    Bind(popupAlert, &ProfileRecord::popupAlert);
    Bind(playSound, &ProfileRecord::playSound);
    Bind(emailSound, &ProfileRecord::emailSound);
    Bind(reconnect, &ProfileRecord::reconnect);
    Bind(notifications, &GlobalSettings::notifications);
    connect(keepAlive, &QCheckBox::clicked, this, &CISPPage5::ToggleKeepAlive);
    connect(checkEmail, &QCheckBox::toggled, this, &CISPPage5::UpdateMailAlerts);
}

void CISPPage5::LoadMore(const ProfileEditorData& editor) {
    keepAlive->setChecked(editor.profile.keepAliveEnabled);
    SetNumberText(pingFreq, editor.profile.pingFreq);
    SetNumberText(popMinutes, editor.profile.popMinutes);
    SetNumberText(redialPause, editor.profile.redialPause);
    EnableKeepAliveFields(editor.profile.keepAliveEnabled);
    UpdateMailAlerts();
}

std::optional<std::string> CISPPage5::StoreMore(ProfileEditorData& editor) {
    if (auto bad = StoreNumber(pingFreq, editor.profile.pingFreq))
        return bad;
    editor.profile.keepAliveEnabled = keepAlive->isChecked();
    if (auto bad = StoreNumber(popMinutes, editor.profile.popMinutes))
        return bad;
    return StoreNumber(redialPause, editor.profile.redialPause);
}

void CISPPage5::ToggleKeepAlive() {
    // The box has already changed: it now says what the user asked for.
    ProfileRecord shown;
    shown.keepAliveEnabled = !keepAlive->isChecked();
    shown.pingHost = Std(pingHost);
    linkvane::ToggleKeepAlive(shown);
    if (!shown.keepAliveEnabled) {
        pingHost->setText(Text(shown.pingHost));
        SetNumberText(pingFreq, shown.pingFreq);
    }
    EnableKeepAliveFields(shown.keepAliveEnabled);
}

void CISPPage5::UpdateMailAlerts() {
    const bool on = checkEmail->isChecked();
    for (QWidget* control :
         std::initializer_list<QWidget*>{popupAlert, playSound, emailSound, popMinutes}) {
        control->setEnabled(on);
    }
}

void CISPPage5::EnableKeepAliveFields(bool on) {
    pingHost->setEnabled(on);
    pingFreq->setEnabled(on);
}

}  // namespace linkvane
