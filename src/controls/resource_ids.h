#pragma once

// The numbers under which the program's bitmaps and icons are compiled in (see
// resources/). Windows and dialogs name their pictures by these numbers.

namespace linkvane::resource {

// Bitmaps (":/bitmaps/<n>.svg").
inline constexpr int kUpperPanel = 181;       // 450 x 84, main window upper background
inline constexpr int kLowerPanel = 203;       // 450 x 68, main window lower background
inline constexpr int kSetup = 153;            // top row: Setup/Config
inline constexpr int kWeb = 145;              // top row: Surf The Web!
inline constexpr int kMail = 159;             // top row: Email
inline constexpr int kConnectIdle = 163;      // top row: Connect, idle (and blink phase 1)
inline constexpr int kConnectDialling = 158;  // top row: Connect, blink phase 2 while dialling
inline constexpr int kConnected = 146;        // top row: Disconnect, while connected
inline constexpr int kExit = 144;             // top row: Exit
inline constexpr int kShortcutUp = 156;       // launch shortcut buttons, released
inline constexpr int kShortcutDown = 157;     // launch shortcut buttons, pressed
inline constexpr int kHideUp = 183;
inline constexpr int kHideDown = 182;
inline constexpr int kExpandUp = 179;
inline constexpr int kExpandDown = 177;
inline constexpr int kViewLogUp = 184;
inline constexpr int kViewLogDown = 185;
inline constexpr int kCheckMailUp = 196;
inline constexpr int kCheckMailDown = 195;
inline constexpr int kPingUp = 198;
inline constexpr int kPingDown = 197;
inline constexpr int kSplash = 204;  // 270 x 400

// Icons (":/icons/<n>.svg").
inline constexpr int kAppIcon = 129;
inline constexpr int kNewMailIcon = 194;

}  // namespace linkvane::resource
