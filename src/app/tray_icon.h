#pragma once

// CTrayIcon: the program's icon in the desktop's notification area. A right click opens
// the popup menu (the menu named by the icon's identifier, 150) with its first item bold;
// a double click runs that first item ("Show"). Every chosen command is announced through
// commandTriggered(id); the owner handles it like the same menu command anywhere else.
//
// Without a notification area (QSystemTrayIcon::isSystemTrayAvailable() false) Create
// fails and the object stays disabled: every other call then does nothing and returns
// false, and the program runs without an icon. GUI thread only.

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtGui/QIcon>
#include <QtWidgets/QSystemTrayIcon>

#include <memory>

namespace linkvane {

class CTrayIcon : public QObject {
    Q_OBJECT

  public:
    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;  // removes the icon

    // Shows the icon for `owner`. False (and disabled) without an owner or a notification
    // area. `identifier` also names the popup menu (150 for the main window). Creating an
    // enabled icon again replaces it.
    bool Create(QWidget* owner, const QString& tooltip, const QIcon& icon, int identifier);
    bool SetIcon(const QIcon& icon);
    bool SetIcon(int iconResourceId);  // an icon of the program's resources
    bool SetTooltipText(const QString& text);
    // Takes the icon out of the notification area; false when it was not there.
    bool RemoveIcon();

    bool IsEnabled() const { return m_enabled; }
    QString TooltipText() const;
    QIcon Icon() const;

    // Handles a mouse action on the icon (connected to QSystemTrayIcon::activated; public
    // so the same path can be driven without a pointer on a real tray). Context shows the
    // popup menu and waits for a choice; DoubleClick sends the menu's first command; other
    // actions are accepted without effect. False only when the menu cannot be built or the
    // icon is disabled.
    bool OnTrayNotification(QSystemTrayIcon::ActivationReason reason);

  Q_SIGNALS:
    void commandTriggered(int id);

  private:
    void BringOwnerForward();

    std::unique_ptr<QSystemTrayIcon> m_tray;
    QPointer<QWidget> m_owner;
    int m_identifier = 0;
    bool m_enabled = false;
};

}  // namespace linkvane
