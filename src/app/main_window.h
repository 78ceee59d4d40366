#pragma once

// CLinkvaneDlg: the main window. A borderless, rounded dialog that runs modally for the life
// of the program: the profile list, the top-row buttons (Setup/Config, Surf The Web!, Email,
// Connect, Exit), three launch shortcuts, and a lower panel with the last ping, the waiting
// mail and the call clock. It owns the dialler control, the notification icon and its timers.
//
// Only the exit sequence ends it (Exit button, tray menu's "Exit"): Escape and the close box
// do nothing, Enter only answers with a message. Commands of the buttons and of the popup
// menu go through OnCommand by their identifiers. Other programs' requests (the bus
// interface, linkvane_service.h) go through the Remote operations. The window keeps the
// LinkStatus that those programs see, and holds the call log's watch while its call monitor
// runs. The window borrows the registry store, the phonebook and the link enumerator, which
// must outlive it. GUI thread only.

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QDialog>

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/connection_checks.h"
#include "app/desktop_notifier.h"
#include "app/profiles/sheet_prompts.h"
#include "app/tray_icon.h"
#include "app/window_connect_view.h"
#include "controls/round_region.h"
#include "core/app/remote_control.h"
#include "core/connection/call_monitor.h"
#include "core/connection/connect_controller.h"
#include "core/connection/connections.h"
#include "core/connection/link_status.h"
#include "core/connection/own_call_log.h"
#include "core/connection/ras_dialer.h"
#include "core/profiles/phonebook.h"
#include "core/profiles/phonebook_entries.h"
#include "core/profiles/registry_store.h"
#include "platform/xdg_autostart.h"

class QComboBox;

namespace linkvane {

class CBitmapPanel;
class COXBitmapButton;
class CPictureButton;
class CTextLabel;

// Control and command identifiers of the main window (dialog 102).
namespace ctl {
inline constexpr int kUpperPanel = 1004;
inline constexpr int kLowerPanel = 1008;
inline constexpr int kSetup = 1006;
inline constexpr int kEmail = 1007;
inline constexpr int kWeb = 1005;
inline constexpr int kConnect = 1009;
inline constexpr int kExit = 1035;
inline constexpr int kShortcut1 = 1020;
inline constexpr int kShortcut2 = 1021;
inline constexpr int kShortcut3 = 1024;
inline constexpr int kShortcut1Label = 1022;
inline constexpr int kShortcut2Label = 1023;
inline constexpr int kShortcut3Label = 1026;
inline constexpr int kProfileList = 1011;
inline constexpr int kHide = 1082;
inline constexpr int kExpand = 1079;
inline constexpr int kPingCaption = 1080;
inline constexpr int kPingResult = 1081;
inline constexpr int kMailCaption = 1090;
inline constexpr int kMailResult = 1083;
inline constexpr int kCallCaption = 1094;
inline constexpr int kCallHours = 1095;
inline constexpr int kCallMinutes = 1096;
inline constexpr int kCallSeconds = 1097;
inline constexpr int kNameServers = 1099;  // the call's name servers, beside the mail line
inline constexpr int kViewLog = 1100;
inline constexpr int kCheckMail = 1101;
inline constexpr int kPing = 1102;
inline constexpr int kSysAbout = 16;  // the system menu's About item
}  // namespace ctl

// What the main window works with. The engine is handed over; the rest is borrowed.
struct MainWindowServices {
    MainWindowServices(RegistryStore& registryStore, Phonebook& phonebookFile,
                       ConnectionEnumerator& activeLinks)
        : registry(registryStore), phonebook(phonebookFile), links(activeLinks) {}

    RegistryStore& registry;
    Phonebook& phonebook;
    ConnectionEnumerator& links;
    // The dialler's engine; main() picks it. Without one the window cannot dial.
    std::unique_ptr<DialerEngine> engine = std::make_unique<IdleDialerEngine>();
    // The pause between two hang-ups of the exit sequence, and what takes it (empty: sleep).
    std::chrono::milliseconds hangUpPause = kHangUpPause;
    std::function<void(std::chrono::milliseconds)> hangUpSleep;
    // How the profile editor asks for files and answers (empty: the desktop's dialogs).
    SheetPrompts* editorPrompts = nullptr;
    // The mail check's server port: 0 in the program for the profile's own (110, or 995 for
    // pop3s), a test server's in tests.
    std::uint16_t pop3Port = 0;
};

class CLinkvaneDlg : public QDialog,
                     public CRoundRegion,
                     public CallMonitorWindow,
                     public LinkStatusObserver {
    Q_OBJECT

  public:
    static constexpr QSize kCollapsedSize{450, 84};
    static constexpr QSize kCollapsedAfterExpandSize{455, 84};
    static constexpr QSize kExpandedSize{455, 170};
    static constexpr QSize kCornerSize{20, 20};

    explicit CLinkvaneDlg(MainWindowServices services, QWidget* parent = nullptr);
    ~CLinkvaneDlg() override;  // removes the tray icon, then stops the call monitor

    // Runs the command of a button or menu item; false for an identifier it does not know.
    bool OnCommand(int id);
    // Ends the window when no call is up, or when the user confirms; hangs up every link first.
    void ExitSequence();

    // The call clock: the call began at `start` (calendar seconds); the labels show the time
    // from then to `now`.
    void SetCallStartTime(std::time_t start) { m_connect->SetCallStartTime(start); }
    void RefreshCallClock(std::time_t now) { m_connect->RefreshCallClock(now); }

    QWidget* Control(int id) const;
    CTextLabel* Label(int id) const;
    QComboBox* ProfileList() const { return m_profileList; }
    CTrayIcon& TrayIcon() { return m_tray; }
    CRasDialer& Dialer() { return m_dialer; }
    ConnectController& Connection() { return *m_connect; }
    // Whether timer `id` (1034, 1035, 1036, 1039) runs, and its period.
    bool TimerActive(int id) const { return m_view->TimerActive(id); }
    std::chrono::milliseconds TimerPeriod(int id) const { return m_view->TimerPeriod(id); }
    bool Expanded() const { return m_expanded; }
    bool HideTimerActive() const { return m_hideTimer.isActive(); }

    // Refills the profile list from the phonebook, the first entry selected; false (and the
    // list untouched) when the phonebook has no entries or cannot be read.
    bool FillProfileList();
    // The list shows each name through OneLine (control and direction characters escaped)
    // and keeps the name itself as the item's data.
    void AddProfileNames(const std::vector<std::string>& names);
    // The entry the list names: the own name of the item whose text the edit shows, else the
    // text typed into it.
    std::string ProfileName() const;

    // The keep-alive ping and the mail check of the active profile: run by their buttons, the
    // tray menu, their timers and after the profile editor while a call is up. They write the
    // lower panel's labels.
    void RunPing();
    void CheckMail();

    // CallMonitorWindow: the call monitor's reports. An ended call becomes a line of the call
    // log, with its start and volume in the log's companion (dropped silently when the log
    // cannot be written); the count changes nothing.
    void OnCallEnded(const CConnectionRecord& record) override;
    void OnConnectionCount(int count) override;
    void OnLinksListed(const std::vector<ActiveConnection>& links) override;

    // Requests of other programs. RemoteConnect selects the profile in the list and presses
    // Connect for it, unless RefuseConnect refuses; when the controller then dials nothing (a
    // blank login, a dialler that cannot dial), its message is the refusal and no box shows.
    std::optional<Refusal> RemoteConnect(const std::string& profile);
    std::optional<Refusal> RemoteHangUp();
    // The ping and the mail check of the active profile; done is told of the outcome.
    void RemotePing(PingDone done);
    void RemoteCheckMail(MailDone done);

    // What other programs see of the window, and who is told of its changes (null: nobody).
    const LinkStatus& Status() const { return m_board->Status(); }
    void SetStatusListener(LinkStatusObserver* listener) { m_statusListener = listener; }
    void StatusChanged(const LinkStatus& status, StatusFields changed) override;
    void LineDropped(const LinkStatus& status) override;

  public Q_SLOTS:
    void accept() override;  // Enter: "Hey, Gimme time! :-)"
    void reject() override;  // Escape and close: nothing

  protected:
    QWidget* RegionHost() override { return this; }
    void setVisible(bool visible) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void OnConnect();      // 1009: Connect or Disconnect
    void OnSetupConfig();  // 1006 and the menu's "Config": the profile editor
    void OnViewLog();      // 1100 and the menu's "View Log": the call log viewer

    void CreateControls();
    void InitDialog();
    bool StartCallMonitor();
    void StopCallMonitor();
    void StyleLabels();
    void LoadShortcutCaptions();
    void Launch(const char* valueName);
    void OpenHelp();
    void ShowAbout();
    void ShowWindowAgain();
    void HideWindow();
    void ToggleExpanded();
    void LoadPictures(bool lowerPanel);
    void ShowSystemMenu();
    // The name servers of the dialled entry's link, once its pppd has reported them.
    void ShowNameServers();
    void OnHideTimer();
    // Shows the bubble when the user chose bubbles; false: the caller shows its box.
    bool ShowBubble(const Bubble& bubble);

    template <typename T>
    T* Add(int id, T* control);

    RegistryStore& m_registry;
    Phonebook& m_phonebook;
    ConnectionEnumerator& m_links;
    std::chrono::milliseconds m_hangUpPause;
    std::function<void(std::chrono::milliseconds)> m_hangUpSleep;

    CRasDialer m_dialer;
    CTrayIcon m_tray;
    CCallMonitor m_callMonitor;  // over its own enumerator of the links
    std::map<int, QPointer<QWidget>> m_controls;
    QComboBox* m_profileList = nullptr;

    QTimer m_hideTimer;  // 1040: hides the window a second after a minimised start
    bool m_expanded = false;
    bool m_lowerPanelDrawn = false;
    bool m_ending = false;  // the exit sequence is ending the modal loop

    // The profile editor's helpers: the entry structure that lives for the run, the login
    // start switch, and the dialogs it asks through.
    EntryCreator m_entryCreator{m_phonebook};
    XdgAutostart m_autostart;
    DialogPrompts m_dialogPrompts{&m_phonebook};
    SheetPrompts* m_editorPrompts;
    // Made with the controls they show in: the ping and mail check, how Connect shows itself
    // (with the connection's timers), and the Connect controller, which the dial events reach.
    std::unique_ptr<CConnectionChecks> m_checks;
    std::unique_ptr<CWindowConnectView> m_view;
    std::unique_ptr<ConnectController> m_connect;
    std::unique_ptr<LinkStatusBoard> m_board;
    LinkStatusObserver* m_statusListener = nullptr;
    CDesktopNotifier m_notifier;
    std::optional<CallLogWatch> m_logWatch;  // while the call monitor runs
};

}  // namespace linkvane
