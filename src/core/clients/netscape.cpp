#include "core/clients/netscape.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/profiles/host_rules.h"
#include "core/profiles/registry_item.h"
#include "core/util/atomic_file.h"

namespace linkvane {

namespace {
namespace fs = std::filesystem;

constexpr const char* kNavigatorKey = "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\";
constexpr const char* kUsersKey = "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\";
constexpr const char* kUserKey =
    "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\Linkvaner\\";
// The current user's Navigator keys (root-less paths are under the current user).
constexpr const char* kMainKey = "\\Software\\Netscape\\Netscape Navigator\\Main\\";
constexpr const char* kProxyKey = "\\Software\\Netscape\\Netscape Navigator\\Proxy Information\\";
constexpr const char* kMailKey = "\\Software\\Netscape\\Netscape Navigator\\Mail\\";
constexpr const char* kServicesKey = "\\Software\\Netscape\\Netscape Navigator\\Services\\";
constexpr const char* kUserInfoKey = "\\Software\\Netscape\\Netscape Navigator\\User\\";

struct NavigatorDirectories {
    bool usable = false;  // the install directory is an absolute path
    fs::path users;
    fs::path user;
};

// The stored install directory with its backslashes as separators; the users and user
// directories below it.
NavigatorDirectories FormDirectories(std::string stored) {
    std::replace(stored.begin(), stored.end(), '\\', '/');
    NavigatorDirectories dirs;
    dirs.users = fs::path(stored) / "Users";
    dirs.user = dirs.users / kNetscapeUser;
    dirs.usable = !stored.empty() && stored.front() == '/';
    return dirs;
}

// True when the directory exists afterwards as a directory made here or found there. A file
// of that name is a failure: the user directory cannot live in it.
bool MakeDirectory(const fs::path& dir) {
    std::error_code error;
    fs::create_directory(dir, error);
    return !error;
}

// Registry port numbers: the decimal value of the leading digits, 0 when there are none,
// held at the largest 32-bit number rather than wrapping round.
std::uint32_t LeadingDecimal(std::string_view text) {
    std::uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        number =
            std::min<std::uint64_t>(number * 10 + static_cast<std::uint64_t>(c - '0'), 0xFFFFFFFFu);
    }
    return static_cast<std::uint32_t>(number);
}

// A port written unquoted into prefs.js: the digits without leading zeros (a leading zero
// would make an octal literal), or 0 for anything that is not all digits.
std::string PrefsPort(std::string_view text) {
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        return "0";
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string_view::npos ? "0" : std::string(text.substr(first));
}

std::string StringPref(std::string_view name, std::string_view value) {
    return "user_pref(\"" + std::string(name) + "\", \"" + EscapeJsString(value) + "\");\n";
}

std::string LiteralPref(std::string_view name, std::string_view literal) {
    return "user_pref(\"" + std::string(name) + "\", " + std::string(literal) + ");\n";
}

// Replaces the whole file; false when it cannot be written. The folder may have been prepared
// by someone else: a link there is not followed, and a pipe or device is refused, not opened.
bool WriteFile(const fs::path& file, const std::string& text) {
    const AtomicWriteOptions options{.mode = 0600, .followLinks = false, .writersLocked = false};
    return !ReplaceFileAtomically(file, text, options).has_value();
}

void WriteCurrentUserKeys(RegistryStore& store, const ActiveProfile& profile) {
    COXRegistryItem main(store, kMainKey);
    main.SetStringValue("yes", "Autoload Home Page");
    main.SetStringValue(profile.homepage, "Home Page");

    // The bypass list goes with the HTTP proxy only; "Proxy Type" is written by either block.
    COXRegistryItem proxy(store, kProxyKey);
    if (HostCounts(profile.httpProxy)) {
        proxy.SetStringValue(profile.httpProxy, "HTTP_Proxy");
        proxy.SetNumberValue(LeadingDecimal(profile.httpProxyPort), "Http_ProxyPort");
        proxy.SetStringValue(profile.proxyOverride, "No_Proxy");
        proxy.SetNumberValue(1, "Proxy Type");
    }
    if (HostCounts(profile.ftpProxy)) {
        proxy.SetStringValue(profile.ftpProxy, "FTP_Proxy");
        proxy.SetNumberValue(LeadingDecimal(profile.ftpProxyPort), "Ftp_ProxyPort");
        proxy.SetNumberValue(1, "Proxy Type");
    }

    COXRegistryItem mail(store, kMailKey);
    mail.SetStringValue("yes", "Remember Password");
    mail.SetStringValue("no", "Leave on server");
    mail.SetStringValue(profile.username, "Pop Name");

    COXRegistryItem services(store, kServicesKey);
    services.SetStringValue(profile.smtpHost, "SMTP_Server");
    services.SetStringValue(profile.pop3Host, "POP_Server");
    services.SetStringValue(profile.nntpHost, "NNTP_Server");

    COXRegistryItem user(store, kUserInfoKey);
    user.SetStringValue(profile.replyTo, "Reply_To");
    user.SetStringValue(profile.replyTo, "User_Addr");
    user.SetStringValue(profile.realname, "User_Name");
    user.SetStringValue(profile.organisation, "User_Organization");
}
}  // namespace

std::string EscapeJsString(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        switch (byte) {
            case '\\':
                out += "\\\\";
                continue;
            case '"':
                out += "\\\"";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (byte < 0x20 || byte == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else if (byte == 0xE2 && i + 2 < value.size() && value[i + 1] == '\x80' &&
                   (value[i + 2] == '\xA8' || value[i + 2] == '\xA9')) {
            // U+2028 and U+2029 in UTF-8 end a line inside a JavaScript string.
            out += value[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::string ComposePrefsJs(const ActiveProfile& profile) {
    std::string text =
        "// Netscape User Preferences\n"
        "// This is a generated file!  Do not edit.\n"
        "\n";
    text += StringPref("network.hosts.smtp_server", profile.smtpHost);
    text += StringPref("network.hosts.pop_server", profile.pop3Host);
    text += StringPref("network.hosts.nntp_server", profile.nntpHost);
    text += StringPref("mail.pop_name", profile.username);
    text += LiteralPref("mail.remember_password", "true");
    text += StringPref("mail.identity.organization", profile.organisation);
    text += StringPref("mail.identity.username", profile.realname);
    text += StringPref("mail.identity.useremail", profile.replyTo);
    text += LiteralPref("mail.html_compose", "false");

    const bool ftp = HostCounts(profile.ftpProxy);
    const bool http = HostCounts(profile.httpProxy);
    if (ftp || http) {
        text += LiteralPref("network.proxy.type", "1");
        if (ftp) {
            text += StringPref("network.proxy.ftp", profile.ftpProxy);
            text += LiteralPref("network.proxy.ftp_port", PrefsPort(profile.ftpProxyPort));
        }
        if (http) {
            text += StringPref("network.proxy.http", profile.httpProxy);
            text += LiteralPref("network.proxy.http_port", PrefsPort(profile.httpProxyPort));
        }
        text += StringPref("network.proxy.no_proxies_on", profile.proxyOverride);
    }
    text += StringPref("browser.startup.homepage", profile.homepage);
    text += LiteralPref("browser.startup.homepage_override", "false");
    return text;
}

bool ApplyNetscapeSettings(RegistryStore& store, const ActiveProfile& profile,
                           ClientMessages& messages) {
    COXRegistryItem navigator(store, kNavigatorKey);
    const std::string version = navigator.GetStringValue("CurrentVersion");
    if (version.size() < 2)
        return true;  // Navigator is not installed

    COXRegistryItem(store, kUsersKey).SetStringValue(kNetscapeUser, "CurrentUser");

    COXRegistryItem versionMain(store, std::string(kNavigatorKey) + version + "\\Main\\");
    const NavigatorDirectories dirs =
        FormDirectories(versionMain.GetStringValue("Install Directory"));

    COXRegistryItem user(store, kUserKey);
    user.SetStringValue(dirs.user.string(), "DirRoot");
    user.SetStringValue(profile.replyTo, "EmailAddr");
    user.SetStringValue(profile.realname, "UserName");

    if (!dirs.usable || !MakeDirectory(dirs.users)) {
        messages.ShowExclamation("Error creating Netscape 4.x Profile Directory",
                                 dirs.user.string());
        return true;
    }
    if (!MakeDirectory(dirs.user)) {
        messages.ShowExclamation("Error creating Netscape 4.x User Directory", dirs.user.string());
        return true;
    }
    for (const char* sub : {"archive", "Cache", "Mail", "News"})
        MakeDirectory(dirs.user / sub);

    if (!WriteFile(dirs.user / "prefs.js", ComposePrefsJs(profile))) {
        messages.ShowExclamation("Error configuring Netscape 4.x", "Error");
    }
    WriteCurrentUserKeys(store, profile);
    return true;
}

}  // namespace linkvane
