#include "app/popup_menu.h"

namespace linkvane {

std::unique_ptr<QMenu> CreatePopupMenu(int menuId, QWidget* parent) {
    if (menuId != kPopupMenuId) {
        return nullptr;
    }
    auto menu = std::make_unique<QMenu>(parent);
    for (const MenuItem& item : kPopupMenuItems) {
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        action->setData(item.command);
    }
    menu->setDefaultAction(menu->actions().constFirst());
    return menu;
}

int MenuCommand(const QAction* action) {
    return action != nullptr ? action->data().toInt() : 0;
}

}  // namespace linkvane
