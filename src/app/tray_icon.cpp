#include "app/tray_icon.h"

#include <QtGui/QCursor>
#include <QtWidgets/QMenu>
#include <QtWidgets/QWidget>

#include "app/popup_menu.h"
#include "controls/resource_images.h"

namespace linkvane {

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {}

CTrayIcon::~CTrayIcon() {
    RemoveIcon();
}

bool CTrayIcon::Create(QWidget* owner, const QString& tooltip, const QIcon& icon, int identifier) {
    RemoveIcon();
    if (owner == nullptr || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    m_owner = owner;
    m_identifier = identifier;
    m_tray = std::make_unique<QSystemTrayIcon>(icon);
    m_tray->setToolTip(tooltip);
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::OnTrayNotification);
    m_tray->show();
    m_enabled = m_tray->isVisible();
    if (!m_enabled) {
        m_tray.reset();
    }
    return m_enabled;
}

bool CTrayIcon::SetIcon(const QIcon& icon) {
    if (!m_enabled) {
        return false;
    }
    m_tray->setIcon(icon);
    return true;
}

bool CTrayIcon::SetIcon(int iconResourceId) {
    if (!m_enabled) {
        return false;
    }
    const QIcon icon = LoadIconResource(iconResourceId);
    return !icon.isNull() && SetIcon(icon);
}

bool CTrayIcon::SetTooltipText(const QString& text) {
    if (!m_enabled) {
        return false;
    }
    m_tray->setToolTip(text);
    return true;
}

bool CTrayIcon::RemoveIcon() {
    const bool wasEnabled = m_enabled;
    m_enabled = false;
    if (m_tray) {
        m_tray->hide();
        m_tray.reset();
    }
    return wasEnabled;
}

QString CTrayIcon::TooltipText() const {
    return m_tray ? m_tray->toolTip() : QString();
}

QIcon CTrayIcon::Icon() const {
    return m_tray ? m_tray->icon() : QIcon();
}

void CTrayIcon::BringOwnerForward() {
    // A hidden owner stays hidden: only the menu's "Show" brings it back.
    if (m_owner && m_owner->isVisible()) {
        m_owner->raise();
        m_owner->activateWindow();
    }
}

bool CTrayIcon::OnTrayNotification(QSystemTrayIcon::ActivationReason reason) {
    if (!m_enabled) {
        return false;
    }
    if (reason != QSystemTrayIcon::Context && reason != QSystemTrayIcon::DoubleClick) {
        return true;
    }
    std::unique_ptr<QMenu> menu = CreatePopupMenu(m_identifier, m_owner);
    if (!menu || menu->actions().isEmpty()) {
        return false;
    }
    BringOwnerForward();
    if (reason == QSystemTrayIcon::DoubleClick) {
        Q_EMIT commandTriggered(MenuCommand(menu->actions().constFirst()));
        return true;
    }
    const int command = MenuCommand(menu->exec(QCursor::pos()));
    menu.reset();
    if (command != 0) {
        Q_EMIT commandTriggered(command);
    }
    return true;
}

}  // namespace linkvane
