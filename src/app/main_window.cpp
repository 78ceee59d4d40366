#include "app/main_window.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMessageBox>

#include <string>

#include "app/about_dialog.h"
#include "app/call_log_writer.h"
#include "app/exit_dialog.h"
#include "app/gui_poster.h"
#include "app/log_view_dialog.h"
#include "app/picture_button.h"
#include "app/popup_menu.h"
#include "app/profiles/isp_sheet.h"
#include "app/shell_launch.h"
#include "controls/bitmap_button.h"
#include "controls/bitmap_panel.h"
#include "controls/dialog_units.h"
#include "controls/resource_ids.h"
#include "controls/resource_images.h"
#include "controls/text_label.h"
#include "controls/window_drag.h"
#include "core/app/bubbles.h"
#include "core/app/startup_plan.h"
#include "core/clients/active_profile.h"
#include "core/connection/call_clock.h"
#include "core/profiles/host_rules.h"
#include "core/profiles/phonebook_entries.h"
#include "core/profiles/profile_list.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"
#include "core/util/one_line.h"
#include "platform/xdg_paths.h"

namespace linkvane {
namespace {

// The window's template size in dialog units; the client area the rounded outline is cut from.
constexpr QSize kTemplateSize{301, 103};

// String 101: the system menu's About item.
const char* const kAboutMenuText = "&About quorvale...";
const char* const kTrayTooltip = "Linkvaner";
constexpr std::chrono::milliseconds kHideDelay{1000};

const QColor kLabelBack(88, 88, 88);
const QColor kCaptionColour(0, 228, 228);
const QColor kValueColour(243, 238, 165);
const QColor kShortcutColour(0, 228, 0);

struct LabelStyle {
    int id;
    QRect layout;  // dialog units
    bool bold;
    QColor colour;
    const char* templateText;
};

const LabelStyle kLabels[] = {
    {ctl::kShortcut1Label, {101, 11, 49, 8}, true, kShortcutColour, ""},
    {ctl::kShortcut2Label, {101, 23, 49, 8}, true, kShortcutColour, ""},
    {ctl::kShortcut3Label, {101, 35, 49, 8}, true, kShortcutColour, ""},
    {ctl::kMailCaption, {7, 78, 46, 8}, true, kCaptionColour, "Waiting Email:"},
    {ctl::kMailResult, {56, 78, 144, 8}, false, kValueColour, ""},
    {ctl::kNameServers, {206, 78, 89, 8}, false, kValueColour, ""},
    {ctl::kPingCaption, {12, 88, 39, 8}, true, kCaptionColour, ""},
    {ctl::kPingResult, {56, 88, 144, 8}, false, kValueColour, ""},
    {ctl::kCallCaption, {206, 88, 41, 8}, true, kCaptionColour, "Current Call:"},
    {ctl::kCallHours, {253, 88, 12, 8}, false, kValueColour, ""},
    {ctl::kCallMinutes, {267, 88, 12, 8}, false, kValueColour, ""},
    {ctl::kCallSeconds, {283, 88, 12, 8}, false, kValueColour, ""},
};

struct PictureButtonPlace {
    int id;
    QPoint position;  // dialog units; the size is the picture's
    int up;
    int down;
    const char* name;  // accessible name
    bool lowerPanel;   // shown only once the window is expanded
};

const PictureButtonPlace kPictureButtons[] = {
    {ctl::kShortcut1,
     {88, 10},
     resource::kShortcutUp,
     resource::kShortcutDown,
     "Shortcut 1",
     false},
    {ctl::kShortcut2,
     {88, 22},
     resource::kShortcutUp,
     resource::kShortcutDown,
     "Shortcut 2",
     false},
    {ctl::kShortcut3,
     {88, 34},
     resource::kShortcutUp,
     resource::kShortcutDown,
     "Shortcut 3",
     false},
    {ctl::kHide, {266, 34}, resource::kHideUp, resource::kHideDown, "Hide", false},
    {ctl::kExpand, {282, 34}, resource::kExpandUp, resource::kExpandDown, "Expand", false},
    {ctl::kViewLog, {13, 59}, resource::kViewLogUp, resource::kViewLogDown, "View Log", true},
    {ctl::kCheckMail,
     {61, 59},
     resource::kCheckMailUp,
     resource::kCheckMailDown,
     "Check Email",
     true},
    {ctl::kPing, {109, 59}, resource::kPingUp, resource::kPingDown, "Ping", true},
};

struct TopButtonPlace {
    int id;
    int x;  // dialog units, at y 6
    int image;
    const char* tip;
};

// In the order the window sets them up.
const TopButtonPlace kTopButtons[] = {
    {ctl::kSetup, 161, resource::kSetup, "Setup/Config"},
    {ctl::kWeb, 215, resource::kWeb, "Surf The Web!"},
    {ctl::kEmail, 188, resource::kMail, "Email"},
    {ctl::kConnect, 242, resource::kConnectIdle, "Connect"},
    {ctl::kExit, 269, resource::kExit, "Exit"},
};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CLinkvaneDlg::CLinkvaneDlg(MainWindowServices services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint),
      m_registry(services.registry),
      m_phonebook(services.phonebook),
      m_links(services.links),
      m_hangUpPause(services.hangUpPause),
      m_hangUpSleep(std::move(services.hangUpSleep)),
      // Dial events reach the window on the GUI thread, whatever thread reported them.
      m_dialer(std::move(services.engine), PosterFor(this)),
      m_callMonitor(m_links.Clone(), PosterFor(this), *this) {
    m_editorPrompts = services.editorPrompts != nullptr ? services.editorPrompts : &m_dialogPrompts;
    new CWindowDrag(this);  // dragged by any point that no control takes
    CreateControls();
    // An accepted mail server certificate is pinned in the active profile too, so that the
    // next check of the call knows it.
    m_checks = std::make_unique<CConnectionChecks>(
        *this, *Label(ctl::kPingResult), *Label(ctl::kMailResult), m_tray, m_registry,
        services.pop3Port, [this](const std::string& profile, const std::string& pin) {
            if (m_connect->Profile().name != profile)
                return;
            ActiveProfile active = m_connect->Profile();
            active.pop3Pin = pin;
            m_connect->UseProfile(std::move(active));
        });
    m_view = std::make_unique<CWindowConnectView>(
        *this, *qobject_cast<COXBitmapButton*>(Control(ctl::kConnect)),
        std::array{Label(ctl::kCallCaption), Label(ctl::kCallHours), Label(ctl::kCallMinutes),
                   Label(ctl::kCallSeconds)},
        *m_checks);
    m_connect = std::make_unique<ConnectController>(m_registry, m_phonebook, m_dialer, *m_view);
    m_board = std::make_unique<LinkStatusBoard>(*m_connect, m_dialer, *this);
    m_view->OnTick([this](int id) {
        m_connect->OnTimer(id);
        if (id == kTimerCall)
            ShowNameServers();
    });
    m_view->OnReport([this](const ConnectEvent& event) {
        m_board->Reported(event);
        if (event.kind == ConnectEvent::Kind::Disconnected)
            Label(ctl::kNameServers)->SetText(QString());
    });
    m_view->OnClockShown([this] { m_board->ClockShown(std::time(nullptr)); });
    m_view->OnBubble([this](const Bubble& bubble) { return ShowBubble(bubble); });
    m_checks->SetReports({[this](const PingOutcome& ping) { m_board->PingShown(ping.text); },
                          [this](const MailCheckOutcome& mail) {
                              if (mail.stage == 0)
                                  m_board->MailShown(mail.stat);
                          },
                          [this](const Bubble& bubble) { return ShowBubble(bubble); }});
    // Dial events go straight to the controller.
    m_dialer.SetEventSink(m_connect.get());
    InitDialog();
}

CLinkvaneDlg::~CLinkvaneDlg() {
    m_dialer.SetEventSink(nullptr);
    m_tray.RemoveIcon();
    StopCallMonitor();
}

template <typename T>
T* CLinkvaneDlg::Add(int id, T* control) {
    control->setObjectName(QStringLiteral("control-%1").arg(id));
    m_controls[id] = control;
    return control;
}

QWidget* CLinkvaneDlg::Control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second.data();
}

CTextLabel* CLinkvaneDlg::Label(int id) const {
    return qobject_cast<CTextLabel*>(Control(id));
}

// The controls of template 102 at their places. Later siblings paint over earlier ones, so
// the lower panel comes first, the upper panel (whose picture fills the collapsed window)
// next, and the controls on top.
void CLinkvaneDlg::CreateControls() {
    resize(DialogUnitsToPixels(kTemplateSize));

    auto* lower = Add(ctl::kLowerPanel, new CBitmapPanel(this));
    lower->setGeometry(DialogUnitsToPixels(QRect(0, 48, 301, 54)));
    auto* upper = Add(ctl::kUpperPanel, new CBitmapPanel(this));
    upper->setGeometry(DialogUnitsToPixels(QRect(0, 0, 301, 52)));

    for (const PictureButtonPlace& place : kPictureButtons) {
        auto* button = Add(place.id, new CPictureButton(this));
        button->move(DialogUnitsToPixels(QRect(place.position, QSize(1, 1))).topLeft());
        button->setAccessibleName(QString::fromLatin1(place.name));
        const int id = place.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    for (const LabelStyle& style : kLabels) {
        auto* label =
            Add(style.id, new CTextLabel(CTextLabel::kAlignCentre, CTextLabel::kAlignMiddle,
                                         QString::fromLatin1(style.templateText), this));
        label->setGeometry(DialogUnitsToPixels(style.layout));
    }
    for (const TopButtonPlace& place : kTopButtons) {
        auto* button = Add(place.id, new COXBitmapButton(this));
        button->setGeometry(DialogUnitsToPixels(QRect(place.x, 6, 18, 16)));
        const int id = place.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }

    m_profileList = Add(ctl::kProfileList, new QComboBox(this));
    const QRect list = DialogUnitsToPixels(QRect(157, 32, 104, 77));
    m_profileList->setGeometry(list.x(), list.y(), list.width(),
                               m_profileList->sizeHint().height());
    m_profileList->setAccessibleName(QStringLiteral("Profile"));
    // Editable: Connect dials whatever entry name the field shows; typing adds no item.
    m_profileList->setEditable(true);
    m_profileList->setInsertPolicy(QComboBox::NoInsert);
    m_profileList->setMaxVisibleItems(list.height() / m_profileList->sizeHint().height());

    m_hideTimer.setInterval(kHideDelay);
    connect(&m_hideTimer, &QTimer::timeout, this, &CLinkvaneDlg::OnHideTimer);
}

void CLinkvaneDlg::InitDialog() {
    if (!StartCallMonitor()) {
        QMessageBox::warning(this, QStringLiteral("Error"),
                             QStringLiteral("Error starting call monitor"));
    }

    SetRoundRegion(std::nullopt, kCornerSize);

    qobject_cast<CBitmapPanel*>(Control(ctl::kUpperPanel))->LoadById(resource::kUpperPanel);
    LoadPictures(false);
    StyleLabels();

    for (const TopButtonPlace& place : kTopButtons) {
        auto* button = qobject_cast<COXBitmapButton*>(Control(place.id));
        button->LoadImageFromBitmap(place.image, true, 0);
        button->SetTransparentLook(true);
        button->EnableTip(true);
        button->SetTipText(QString::fromLatin1(place.tip));
    }

    const QIcon icon = LoadIconResource(resource::kAppIcon);
    setWindowIcon(icon);
    m_tray.Create(this, QString::fromLatin1(kTrayTooltip), icon, kPopupMenuId);
    connect(&m_tray, &CTrayIcon::commandTriggered, this, [this](int id) { OnCommand(id); });

    const StartupPlan plan = PlanStartup(m_registry, m_phonebook);
    AddProfileNames(plan.profileNames);
    if (plan.selected)
        m_profileList->setCurrentIndex(static_cast<int>(*plan.selected));
    m_connect->UseStartupSettings(plan.dial);

    Label(ctl::kPingCaption)->SetText(QStringLiteral("Last Ping:"));
    Label(ctl::kMailCaption)->SetText(QStringLiteral("New Email:"));
    Label(ctl::kMailResult)->SetText(QStringLiteral("Not Activated"));
    Label(ctl::kCallCaption)->SetText(QStringLiteral("This Call:"));
    Label(ctl::kPingResult)->SetText(QStringLiteral("Not Activated"));
    LoadShortcutCaptions();

    setWindowTitle(QStringLiteral("Linkvane"));

    resize(kCollapsedSize);
    raise();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.x() + (desktop.width() - width()) / 2,
             desktop.y() + (desktop.height() - height()) / 2);
    }

    if (plan.startMinimised) {
        setWindowState(windowState() | Qt::WindowMinimized);
        m_hideTimer.start();
    } else {
        QTimer::singleShot(0, this, [this] {
            raise();
            activateWindow();
        });
    }
}

bool CLinkvaneDlg::StartCallMonitor() {
    if (!m_callMonitor.StartMonitor())
        return false;
    // While the monitor logs the machine's calls, linkvanectl leaves its own calls to it.
    if (Result<CallLogWatch> watch = CallLogWatch::Hold(CallLogPath()); watch)
        m_logWatch = std::move(*watch);
    return true;
}

void CLinkvaneDlg::StopCallMonitor() {
    // Releases a report the monitor may be waiting to deliver, then joins its thread.
    m_callMonitor.StopMonitor();
    m_logWatch.reset();
}

void CLinkvaneDlg::OnCallEnded(const CConnectionRecord& record) {
    LogEndedCall(CallLogPath(), record, QLocale::system());
}

void CLinkvaneDlg::OnConnectionCount(int) {}

void CLinkvaneDlg::OnLinksListed(const std::vector<ActiveConnection>& links) {
    m_board->LinksListed(links);
}

void CLinkvaneDlg::StatusChanged(const LinkStatus& status, StatusFields changed) {
    if (m_statusListener != nullptr)
        m_statusListener->StatusChanged(status, changed);
}

void CLinkvaneDlg::LineDropped(const LinkStatus& status) {
    ShowBubble(LineDroppedBubble(status));
}

bool CLinkvaneDlg::ShowBubble(const Bubble& bubble) {
    return BubblesChosen(m_registry) && m_notifier.Show(bubble);
}

std::optional<Refusal> CLinkvaneDlg::RemoteConnect(const std::string& profile) {
    if (std::optional<Refusal> refused = RefuseConnect(m_phonebook, *m_connect, m_dialer, profile))
        return refused;
    // The list shows the profile being dialled, under the name the phonebook gives it.
    const int listed = m_profileList->findData(Text(profile), Qt::UserRole, Qt::MatchFixedString);
    if (listed >= 0) {
        m_profileList->setCurrentIndex(listed);
    } else {
        m_profileList->setEditText(Text(profile));
    }
    const unsigned dials = m_dialer.DialsStarted();
    m_view->BeginRemote();
    m_connect->Connect(ProfileName());
    const std::optional<std::string> said = m_view->EndRemote();
    if (m_dialer.DialsStarted() != dials || Status().state == LinkState::Lan)
        return std::nullopt;
    return Refusal{kErrorRefused, said.value_or("Nothing was dialled.")};
}

std::optional<Refusal> CLinkvaneDlg::RemoteHangUp() {
    if (std::optional<Refusal> refused = RefuseHangUp(*m_connect, m_dialer))
        return refused;
    m_connect->HangUp();
    return std::nullopt;
}

void CLinkvaneDlg::RemotePing(PingDone done) {
    m_checks->RunPing(m_connect->Profile(), std::move(done));
}

void CLinkvaneDlg::RemoteCheckMail(MailDone done) {
    m_checks->CheckMail(m_connect->Profile(), std::move(done));
}

void CLinkvaneDlg::StyleLabels() {
    // Every setting but the last is made with redraw held back, so each label renders once.
    for (const LabelStyle& style : kLabels) {
        CTextLabel* label = Label(style.id);
        label->SetFontStyle(CTextLabel::kStyleBold, style.bold ? 1 : 0, false);
        label->SetHAlign(CTextLabel::kAlignLeft, false);
        label->SetBackColour(kLabelBack, false);
        label->SetTextColour(style.colour, true);
    }
}

void CLinkvaneDlg::LoadShortcutCaptions() {
    COXRegistryItem item(m_registry, kSettingsKey);
    Label(ctl::kShortcut1Label)->SetText(Text(item.GetStringValue("Url1Label")));
    Label(ctl::kShortcut2Label)->SetText(Text(item.GetStringValue("Url2Label")));
    Label(ctl::kShortcut3Label)->SetText(Text(item.GetStringValue("App1Label")));
}

bool CLinkvaneDlg::FillProfileList() {
    const std::vector<std::string> names = SortProfileNames(ListEntryNames(m_phonebook));
    if (names.empty())
        return false;
    m_profileList->clear();
    AddProfileNames(names);
    m_profileList->setCurrentIndex(0);
    return true;
}

void CLinkvaneDlg::AddProfileNames(const std::vector<std::string>& names) {
    for (const std::string& name : names)
        m_profileList->addItem(Text(OneLine(name)), Text(name));
}

std::string CLinkvaneDlg::ProfileName() const {
    const int shown = m_profileList->findText(m_profileList->currentText(),
                                              Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (shown >= 0)
        return m_profileList->itemData(shown).toString().toStdString();
    return m_profileList->currentText().toStdString();
}

bool CLinkvaneDlg::OnCommand(int id) {
    switch (id) {
        case ctl::kWeb:
            Launch("BrowserPath");
            return true;
        case ctl::kEmail:
            Launch("EmailPath");
            return true;
        case ctl::kShortcut1:
            Launch("Url1Loc");
            return true;
        case ctl::kShortcut2:
            Launch("Url2Loc");
            return true;
        case ctl::kShortcut3:
            Launch("App1Path");
            return true;
        case ctl::kExit:
        case kCmdExit:
            ExitSequence();
            return true;
        case kCmdHelp:
            OpenHelp();
            return true;
        case kCmdAbout:
        case ctl::kSysAbout:
            ShowAbout();
            return true;
        case kCmdShow:
            ShowWindowAgain();
            return true;
        case ctl::kHide:
        case kCmdHide:
            HideWindow();
            return true;
        case ctl::kExpand:
            ToggleExpanded();
            return true;
        case ctl::kConnect:
            OnConnect();
            return true;
        case ctl::kSetup:
        case kCmdConfig:
            OnSetupConfig();
            return true;
        case ctl::kViewLog:
        case kCmdViewLog:
            OnViewLog();
            return true;
        case ctl::kCheckMail:
            if (HostCounts(m_connect->Profile().pop3Host))
                CheckMail();
            return true;
        case kCmdCheckEmail:
            CheckMail();
            return true;
        case ctl::kPing:
            if (HostCounts(m_connect->Profile().pingHost))
                RunPing();
            return true;
        case kCmdPing:
            RunPing();
            return true;
        default:
            return false;
    }
}

void CLinkvaneDlg::OnConnect() {
    m_connect->Connect(ProfileName());
}

void CLinkvaneDlg::OnSetupConfig() {
    const int remembered = m_profileList->currentIndex();
    const ProfileEditorServices services{
        m_registry,  m_phonebook,      m_entryCreator,
        m_autostart, *m_editorPrompts, QCoreApplication::applicationFilePath().toStdString()};
    // The selected entry, not what may have been typed over it in the list's edit field.
    const std::optional<std::string> edited = RunProfileEditor(
        this, services, m_profileList->itemData(remembered).toString().toStdString());
    if (!edited)
        return;
    LoadShortcutCaptions();
    FillProfileList();
    // The profile just edited stays selected, even when an import or a new entry moved it.
    const int found = m_profileList->findData(Text(*edited), Qt::UserRole,
                                              Qt::MatchFixedString | Qt::MatchCaseSensitive);
    m_profileList->setCurrentIndex(found >= 0 ? found : remembered);
    m_connect->UseProfile(LoadActiveProfile(m_registry, ProfileName()));
    if (m_dialer.GetConnectionState() == kRasConnected) {
        RunPing();
        CheckMail();
    }
}
void CLinkvaneDlg::OnViewLog() {
    CLogViewDlg viewer(CallLogPath(), this);
    viewer.exec();
}

void CLinkvaneDlg::RunPing() {
    m_checks->RunPing(m_connect->Profile());
}

void CLinkvaneDlg::CheckMail() {
    m_checks->CheckMail(m_connect->Profile());
}

void CLinkvaneDlg::Launch(const char* valueName) {
    COXRegistryItem item(m_registry, kSettingsKey);
    ShellOpen(item.GetStringValue(valueName));
}

void CLinkvaneDlg::OpenHelp() {
    // Beside the program in a build tree; in the documentation folder once installed.
    const QDir programDir(QCoreApplication::applicationDirPath());
    QString manual = programDir.filePath(QStringLiteral("linkvane.html"));
    const QString installed =
        QDir::cleanPath(programDir.filePath(QStringLiteral("../share/doc/linkvane/linkvane.html")));
    if (!QFileInfo::exists(manual) && QFileInfo::exists(installed))
        manual = installed;
    RunOpenPlan({OpenKind::Document, manual.toStdString()});
}

void CLinkvaneDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CLinkvaneDlg::ShowWindowAgain() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// The lower panel's pictures are drawn when the panel is first shown, not at start-up.
void CLinkvaneDlg::LoadPictures(bool lowerPanel) {
    if (lowerPanel)
        qobject_cast<CBitmapPanel*>(Control(ctl::kLowerPanel))->LoadById(resource::kLowerPanel);
    for (const PictureButtonPlace& place : kPictureButtons) {
        if (place.lowerPanel == lowerPanel)
            qobject_cast<CPictureButton*>(Control(place.id))->LoadBitmaps(place.up, place.down);
    }
    m_lowerPanelDrawn = m_lowerPanelDrawn || lowerPanel;
}

void CLinkvaneDlg::ToggleExpanded() {
    if (!m_expanded && !m_lowerPanelDrawn)
        LoadPictures(true);
    resize(m_expanded ? kCollapsedAfterExpandSize : kExpandedSize);
    m_expanded = !m_expanded;
    raise();
    show();
}

void CLinkvaneDlg::ExitSequence() {
    if (m_dialer.CallActive()) {
        CExitDlg ask(this);
        if (ask.exec() != QDialog::Accepted)
            return;
    }
    m_connect->HangUp();  // ends a redial's wait too: nothing is dialled after Exit
    HangUpAllConnections(m_links, m_hangUpPause, m_hangUpSleep);
    m_ending = true;
    if (isHidden()) {
        // Hidden to the tray, the dialog would see nothing left to hide and its modal loop
        // would go on; count it as shown (without putting it on the screen) so ending it hides
        // it and ends the loop.
        setAttribute(Qt::WA_DontShowOnScreen, true);
        QWidget::setVisible(true);
    }
    QDialog::reject();  // the base operation: the window's own reject() does nothing
}

void CLinkvaneDlg::ShowNameServers() {
    CTextLabel* label = Label(ctl::kNameServers);
    if (!label->Text().isEmpty() || !m_dialer.GetConnected())
        return;  // a call's name servers do not change while it lasts
    if (const auto listed = m_links.EnumConnections(); listed)
        label->SetText(Text(NameServersText(*listed, m_dialer.GetEntryName())));
}

void CLinkvaneDlg::OnHideTimer() {
    m_hideTimer.stop();
    HideWindow();
}

// Hidden, the window is reached again through the notification icon. Without one (a desktop
// with no notification area, or one that refused the icon) a hidden window could never come
// back while the program runs on, so it is minimised instead and stays on the taskbar.
void CLinkvaneDlg::HideWindow() {
    if (m_tray.IsEnabled()) {
        hide();
    } else {
        showMinimized();
    }
}

void CLinkvaneDlg::accept() {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Not a Magician"),
                    QStringLiteral("Hey, Gimme time! :-)"), QMessageBox::Ok, this);
    box.exec();
}

void CLinkvaneDlg::reject() {
    // Escape and the close box: only the exit sequence ends the window.
}

void CLinkvaneDlg::setVisible(bool visible) {
    // A dialog's exec() ends when the dialog hides; this one hides to the tray and goes on
    // running, so hiding skips QDialog's part until the exit sequence ends the window.
    if (!visible && !m_ending) {
        QWidget::setVisible(false);
        return;
    }
    QDialog::setVisible(visible);
}

void CLinkvaneDlg::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        accept();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier) {
        ShowSystemMenu();
        return;
    }
    QDialog::keyPressEvent(event);
}

// A borderless window gets no system menu from the desktop; Alt+Space opens the window's
// own, with the About item that string 101 names.
void CLinkvaneDlg::ShowSystemMenu() {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Mi&nimize"), this, [this] { showMinimized(); });
    menu.addSeparator();
    menu.addAction(QString::fromLatin1(kAboutMenuText), this,
                   [this] { OnCommand(ctl::kSysAbout); });
    menu.exec(mapToGlobal(QPoint(0, 0)));
}

void CLinkvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = CreatePopupMenu(kPopupMenuId, this);
    if (!menu)
        return;
    const int command = MenuCommand(menu->exec(event->globalPos()));
    menu.reset();
    if (command != 0)
        OnCommand(command);
}

}  // namespace linkvane
