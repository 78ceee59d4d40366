#pragma once

// The program's popup menu (resource 150): the commands of the main window, used by the
// notification icon and by a right click on the main window. Each action carries its
// command identifier as data; the first item is the default (shown bold).

#include <QtWidgets/QMenu>

#include <array>
#include <memory>

namespace linkvane {

inline constexpr int kPopupMenuId = 150;

inline constexpr int kCmdConfig = 32771;
inline constexpr int kCmdHelp = 32772;
inline constexpr int kCmdAbout = 32773;
inline constexpr int kCmdShow = 32774;
inline constexpr int kCmdHide = 32775;
inline constexpr int kCmdCheckEmail = 32776;
inline constexpr int kCmdPing = 32777;
inline constexpr int kCmdExit = 32779;
inline constexpr int kCmdViewLog = 32780;

struct MenuItem {
    int command;
    const char* text;
};

// Menu 150's first submenu, in order; there is no separator.
inline constexpr std::array<MenuItem, 9> kPopupMenuItems{{{kCmdShow, "Show"},
                                                          {kCmdHide, "Hide"},
                                                          {kCmdConfig, "Config"},
                                                          {kCmdViewLog, "View Log"},
                                                          {kCmdCheckEmail, "Check Email"},
                                                          {kCmdPing, "Ping"},
                                                          {kCmdHelp, "Help"},
                                                          {kCmdAbout, "About"},
                                                          {kCmdExit, "Exit"}}};

// Builds menu `menuId` (only 150 exists; others give nullptr), first item the default.
std::unique_ptr<QMenu> CreatePopupMenu(int menuId, QWidget* parent = nullptr);

// The command identifier an action of such a menu carries (0 for none).
int MenuCommand(const QAction* action);

}  // namespace linkvane
