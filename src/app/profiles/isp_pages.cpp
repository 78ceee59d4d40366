#include "app/profiles/isp_pages.h"

#include <QtGui/QAction>
#include <QtGui/QFont>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/profiles/form_controls.h"
#include "controls/dialog_units.h"

namespace linkvane {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Std(const QLineEdit* edit) {
    return edit->text().toStdString();
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
    return edit;
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

std::optional<std::string> CISPPage::StoreNumber(QLineEdit* edit, std::int32_t& value) {
    Result<std::int32_t> parsed = ParseSignedField(edit->accessibleName().toStdString(), Std(edit));
    if (!parsed) {
        edit->setFocus();
        edit->selectAll();
        return parsed.error().message;
    }
    value = *parsed;
    return std::nullopt;
}

std::optional<std::string> CISPPage::StoreNumber(QLineEdit* edit, std::uint32_t& value) {
    Result<std::uint32_t> parsed =
        ParseUnsignedField(edit->accessibleName().toStdString(), Std(edit));
    if (!parsed) {
        edit->setFocus();
        edit->selectAll();
        return parsed.error().message;
    }
    value = *parsed;
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

    BindShowPassword(showPassword, password);
    connect(enableRedial, &QCheckBox::toggled, this, [this](bool on) {
        redialTimeout->setEnabled(on);
        redialAttempts->setEnabled(on);
    });
}

void CISPPage1::Load(const ProfileEditorData& editor) {
    profileName->setText(editor.HasProfile() ? Text(editor.profileName)
                                             : QStringLiteral("(no phonebook entry)"));
    profileName->setAccessibleName(profileName->text());
    setAsDefault->setChecked(editor.isDefault);
    login->setText(Text(editor.profile.login));
    password->setText(Text(editor.profile.password));
    useLan->setChecked(editor.profile.useLan != 0);
    launchBrowser->setChecked(editor.globals.launchBrowser != 0);
    launchEmail->setChecked(editor.globals.launchEmail != 0);
    enableRedial->setChecked(editor.globals.enableRedial != 0);
    SetNumberText(redialTimeout, editor.globals.redialTimeout);
    SetNumberText(redialAttempts, editor.globals.redialAttempts);
    redialTimeout->setEnabled(editor.globals.enableRedial != 0);
    redialAttempts->setEnabled(editor.globals.enableRedial != 0);
    startup->setChecked(editor.globals.startup != 0);
    startMinimised->setChecked(editor.globals.startMinimised != 0);
}

std::optional<std::string> CISPPage1::Store(ProfileEditorData& editor) {
    GlobalSettings& globals = editor.globals;
    if (auto bad = StoreNumber(redialTimeout, globals.redialTimeout))
        return bad;
    if (auto bad = StoreNumber(redialAttempts, globals.redialAttempts))
        return bad;
    editor.profile.login = Std(login);
    editor.profile.password = Std(password);
    editor.profile.useLan = Checked(useLan);
    globals.launchBrowser = Checked(launchBrowser);
    globals.launchEmail = Checked(launchEmail);
    globals.enableRedial = Checked(enableRedial);
    globals.startup = Checked(startup);
    globals.startMinimised = Checked(startMinimised);
    return std::nullopt;
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
}

void CISPPage2::Load(const ProfileEditorData& editor) {
    const GlobalSettings& globals = editor.globals;
    url1Label->setText(Text(globals.url1Label));
    url1Loc->setText(Text(globals.url1Loc));
    url2Label->setText(Text(globals.url2Label));
    url2Loc->setText(Text(globals.url2Loc));
    app1Label->setText(Text(globals.app1Label));
    app1Path->setText(Text(globals.app1Path));
    emailPath->setText(Text(globals.emailPath));
    browserPath->setText(Text(globals.browserPath));
}

std::optional<std::string> CISPPage2::Store(ProfileEditorData& editor) {
    GlobalSettings& globals = editor.globals;
    globals.url1Label = Std(url1Label);
    globals.url1Loc = Std(url1Loc);
    globals.url2Label = Std(url2Label);
    globals.url2Loc = Std(url2Loc);
    globals.app1Label = Std(app1Label);
    globals.app1Path = Std(app1Path);
    globals.emailPath = Std(emailPath);
    globals.browserPath = Std(browserPath);
    return std::nullopt;
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
    page->setRowStretch(1, 1);
    BindShowPassword(showPassword, ePassword);
}

void CISPPage3::Load(const ProfileEditorData& editor) {
    const ProfileRecord& profile = editor.profile;
    pop3Host->setText(Text(profile.pop3Host));
    smtpHost->setText(Text(profile.smtpHost));
    realname->setText(Text(profile.realname));
    organisation->setText(Text(profile.organisation));
    username->setText(Text(profile.username));
    ePassword->setText(Text(profile.ePassword));
    replyTo->setText(Text(profile.replyTo));
    nntpHost->setText(Text(profile.nntpHost));
}

std::optional<std::string> CISPPage3::Store(ProfileEditorData& editor) {
    ProfileRecord& profile = editor.profile;
    profile.pop3Host = Std(pop3Host);
    profile.smtpHost = Std(smtpHost);
    profile.realname = Std(realname);
    profile.organisation = Std(organisation);
    profile.username = Std(username);
    profile.ePassword = Std(ePassword);
    profile.replyTo = Std(replyTo);
    profile.nntpHost = Std(nntpHost);
    return std::nullopt;
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
}

void CISPPage4::Load(const ProfileEditorData& editor) {
    const ProfileRecord& profile = editor.profile;
    httpProxy->setText(Text(profile.httpProxy));
    httpProxyPort->setText(Text(profile.httpProxyPort));
    ftpProxy->setText(Text(profile.ftpProxy));
    ftpProxyPort->setText(Text(profile.ftpProxyPort));
    proxyOverride->setText(Text(profile.proxyOverride));
    homepage->setText(Text(profile.homepage));
}

std::optional<std::string> CISPPage4::Store(ProfileEditorData& editor) {
    ProfileRecord& profile = editor.profile;
    profile.httpProxy = Std(httpProxy);
    profile.httpProxyPort = Std(httpProxyPort);
    profile.ftpProxy = Std(ftpProxy);
    profile.ftpProxyPort = Std(ftpProxyPort);
    profile.proxyOverride = Std(proxyOverride);
    profile.homepage = Std(homepage);
    return std::nullopt;
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
    misc->addWidget(setNetscape, 0, 0);
    misc->addWidget(setIE, 1, 0);
    misc->setRowStretch(2, 1);

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
    page->setRowStretch(2, 1);

    connect(keepAlive, &QCheckBox::clicked, this, &CISPPage5::ToggleKeepAlive);
    connect(checkEmail, &QCheckBox::toggled, this, &CISPPage5::UpdateMailAlerts);
}

void CISPPage5::Load(const ProfileEditorData& editor) {
    const ProfileRecord& profile = editor.profile;
    keepAlive->setChecked(profile.keepAliveEnabled);
    pingHost->setText(Text(profile.pingHost));
    SetNumberText(pingFreq, profile.pingFreq);
    EnableKeepAliveFields(profile.keepAliveEnabled);
    setNetscape->setChecked(profile.setNetscape != 0);
    setIE->setChecked(profile.setIE != 0);
    checkEmail->setChecked(profile.checkEmail != 0);
    SetNumberText(popMinutes, profile.popMinutes);
    popupAlert->setChecked(profile.popupAlert != 0);
    playSound->setChecked(profile.playSound != 0);
    emailSound->setText(Text(profile.emailSound));
    UpdateMailAlerts();
}

std::optional<std::string> CISPPage5::Store(ProfileEditorData& editor) {
    ProfileRecord& profile = editor.profile;
    if (auto bad = StoreNumber(pingFreq, profile.pingFreq))
        return bad;
    if (auto bad = StoreNumber(popMinutes, profile.popMinutes))
        return bad;
    profile.keepAliveEnabled = keepAlive->isChecked();
    profile.pingHost = Std(pingHost);
    profile.setNetscape = Checked(setNetscape);
    profile.setIE = Checked(setIE);
    profile.checkEmail = Checked(checkEmail);
    profile.popupAlert = Checked(popupAlert);
    profile.playSound = Checked(playSound);
    profile.emailSound = Std(emailSound);
    return std::nullopt;
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
