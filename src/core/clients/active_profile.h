#pragma once

// The active profile: the values of the profile in use, which the client writers, the Connect
// handler, the keep-alive ping and the mail check read while a call lasts. It is the one
// process-wide set of values of the program; each LoadActiveProfile overwrites all of it.
//
// Thread: the user-interface thread only (or the command line's one thread); nothing guards it.
// Failures are silent: a missing or unreadable value loads as "" or 0.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/profiles/registry_store.h"

namespace linkvane {

struct ActiveProfile {
    std::string profileName;        // the name selected in the profile list: also the dial-up entry
    std::string httpProxy;          // "HTTPProxy"
    std::string ftpProxy;           // "FTPProxy"
    std::string homepage;           // "Homepage"
    std::string username;           // "Username"
    std::string smtpHost;           // "SMTPHost"
    std::string pop3Host;           // "POP3Host"
    std::string realname;           // "Realname"
    std::string organisation;       // "Organisation"
    std::string replyTo;            // "ReplyTo": used as sender and as reply-to address
    std::string httpProxyPort;      // "HTTPProxyPort", as typed
    std::string ftpProxyPort;       // "FTPProxyPort", as typed
    std::string proxyOverride;      // "ProxyOverride", as typed
    std::string nntpHost;           // "NNTPHost"
    std::uint32_t useLan = 0;       // "UseLan": non-zero when the profile does not dial
    std::string pingHost;           // "PingHost"
    std::uint32_t pingFreq = 0;     // "PingFreq", minutes
    std::uint32_t setIE = 0;        // "SetIE"
    std::uint32_t setNetscape = 0;  // "SetNetscape"
    std::uint32_t checkEmail = 0;   // "CheckEmail"
    std::string emailSound;         // "EmailSound"
    std::uint32_t playSound = 0;    // "PlaySound"
    std::uint32_t popMinutes = 0;   // "PopMinutes"
    std::uint32_t popupAlert = 0;   // "PopupAlert"
    std::string mailPassword;       // "EPassword", deciphered
    std::string pop3Security;       // "POP3Security", as stored ("" is plain)
    std::string pop3Pin;            // "POP3Pin"

    bool operator==(const ActiveProfile&) const = default;
};

// A proxy host is taken only when it is longer than 3 characters; shorter text is treated as
// no proxy by every client writer.
inline bool ProxyHostCounts(std::string_view host) {
    return host.size() > 3;
}

// The window's ping and mail buttons act only for a host of 4 or more characters; the tray
// menu's items and the timers run regardless.
inline bool HostCountsForButton(std::string_view host) {
    return host.size() >= 4;
}

// The connection type the Microsoft mail clients store: 0 over the LAN, 2 over dial-up.
inline std::uint32_t ClientConnectionType(const ActiveProfile& profile) {
    return profile.useLan != 0 ? 0 : 2;
}

// The process's active profile.
ActiveProfile& TheActiveProfile();

// Reads the profile's key ("\Software\Kestrom\Linkvane\DialEntry\" + name + "\" under the
// current user) into TheActiveProfile(), every value afresh, and deciphers the mail password.
// A stored mail password the cipher cannot take (longer than 39 bytes) loads as "".
const ActiveProfile& LoadActiveProfile(RegistryStore& store, std::string_view profileName);

}  // namespace linkvane
