#pragma once

// The in-memory images of the program-wide settings and of one profile. Field names follow
// the registry value names they mirror. Passwords are held in clear text here; they are
// enciphered only where they are stored (registry, profile files).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "core/util/result.h"

namespace linkvane {

inline constexpr const char* kSettingsKey = "\\Software\\Kestrom\\Linkvane\\";
inline constexpr const char* kProfilesKey = "\\Software\\Kestrom\\Linkvane\\DialEntry\\";
inline constexpr const char* kPasswordKey = "581730264";
// The cipher's output area is 40 bytes: a password holds at most 39.
inline constexpr std::size_t kMaxPasswordLength = 39;

// The key path of a profile: kProfilesKey + name + "\".
std::string ProfileKeyPath(const std::string& name);

struct GlobalSettings {
    std::int32_t launchEmail = 0;     // "LaunchEmail"
    std::int32_t launchBrowser = 0;   // "LaunchBrowser"
    std::int32_t enableRedial = 0;    // "EnableRedial"
    std::int32_t redialTimeout = 0;   // "RedialTimeout", seconds
    std::int32_t redialAttempts = 0;  // "RedialAttempts"
    std::int32_t startup = 0;         // "Startup"
    std::int32_t startMinimised = 0;  // "StartMinimised"
    std::string url1Label;            // "Url1Label"
    std::string url1Loc;              // "Url1Loc"
    std::string url2Label;            // "Url2Label"
    std::string url2Loc;              // "Url2Loc"
    std::string app1Label;            // "App1Label"
    std::string app1Path;             // "App1Path"
    std::string emailPath;            // "EmailPath"
    std::string browserPath;          // "BrowserPath"
    // "Notifications": 1 shows desktop notifications instead of the message boxes of a failed
    // dial and the new-mail notice, and tells of a dropped line (bubbles.h)
    std::int32_t notifications = 0;

    bool operator==(const GlobalSettings&) const = default;
};

struct ProfileRecord {
    std::string name;               // the profile's name: its key and its phonebook entry
    std::string login;              // "Login"
    std::string password;           // "Password", clear text
    std::int32_t useLan = 0;        // "UseLan"
    std::string username;           // "Username"
    std::string nntpHost;           // "NNTPHost"
    std::string organisation;       // "Organisation"
    std::string pop3Host;           // "POP3Host"
    std::string realname;           // "Realname"
    std::string replyTo;            // "ReplyTo"
    std::string smtpHost;           // "SMTPHost"
    std::string ePassword;          // "EPassword", clear text
    std::string ftpProxyPort;       // "FTPProxyPort"
    std::string ftpProxy;           // "FTPProxy"
    std::string homepage;           // "Homepage"
    std::string httpProxyPort;      // "HTTPProxyPort"
    std::string httpProxy;          // "HTTPProxy"
    std::string proxyOverride;      // "ProxyOverride"
    bool keepAliveEnabled = false;  // derived by the editor from "PingHost"; not stored
    std::string pingHost;           // "PingHost"
    std::int32_t pingFreq = 0;      // "PingFreq", minutes
    std::int32_t tweak = 0;         // "Tweak"
    std::int32_t setIE = 0;         // "SetIE"
    std::int32_t setNetscape = 0;   // "SetNetscape"
    std::int32_t checkEmail = 0;    // "CheckEmail"
    std::string emailSound;         // "EmailSound"
    std::int32_t playSound = 0;     // "PlaySound"
    std::uint32_t popMinutes = 0;   // "PopMinutes"
    std::int32_t popupAlert = 0;    // "PopupAlert"
    std::string pop3Security;       // "POP3Security": auto, stls, pop3s or plain (mail_security.h)
    std::string pop3Pin;            // "POP3Pin": the accepted server certificate's fingerprint
    std::int32_t redialPause = 0;   // "RedialPause": seconds between two dials of one number
    std::int32_t reconnect = 0;     // "Reconnect": dial again after a drop
    std::string keyPath;            // ProfileKeyPath(name)

    bool operator==(const ProfileRecord&) const = default;
};

// Where each stored profile value lives in the record, by its registry value name, so that
// loaders, savers and the command line name a value once.
using ProfileField = std::variant<std::string ProfileRecord::*, std::int32_t ProfileRecord::*,
                                  std::uint32_t ProfileRecord::*>;
// A text value that only takes certain forms says so with check: it gives the text to store
// for what the user typed, or why that cannot be stored.
using TextCheck = Result<std::string> (*)(std::string_view typed);
struct ProfileValueInfo {
    std::string_view name;
    ProfileField field;
    bool isPassword = false;
    TextCheck check = nullptr;
};
std::span<const ProfileValueInfo> ProfileValues();
const ProfileValueInfo* FindProfileValue(std::string_view name);  // case-insensitive

using GlobalField = std::variant<std::string GlobalSettings::*, std::int32_t GlobalSettings::*>;
struct GlobalValueInfo {
    std::string_view name;
    GlobalField field;
};
std::span<const GlobalValueInfo> GlobalValues();

}  // namespace linkvane
