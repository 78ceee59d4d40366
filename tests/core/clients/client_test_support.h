#pragma once

// Shared pieces of the client writer tests: a real SQLite registry in a temp XDG config home,
// a temp Navigator install directory, profiles to apply, a dump of the registry as sorted
// text, and a ClientMessages that records what the user would have been shown.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/clients/active_profile.h"
#include "core/clients/netscape.h"
#include "core/profiles/registry_item.h"
#include "core/util/text.h"
#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace linkvane::testing {

class RecordingMessages : public ClientMessages {
  public:
    void ShowExclamation(std::string_view text, std::string_view caption) override {
        shown.push_back(std::string(caption) + ": " + std::string(text));
    }
    std::vector<std::string> shown;
};

// A profile that dials, with every value set.
inline ActiveProfile DialUpProfile() {
    ActiveProfile p;
    p.profileName = "Demon Dial";
    p.httpProxy = "www-cache.demon.net";
    p.httpProxyPort = "8080";
    p.ftpProxy = "ftp-cache.demon.net";
    p.ftpProxyPort = "2121";
    p.proxyOverride = "localhost;*.local";
    p.homepage = "http://www.demon.net/";
    p.username = "jsmith";
    p.pop3Host = "pop3.demon.net";
    p.smtpHost = "post.demon.net";
    p.nntpHost = "news.demon.net";
    p.realname = "John Smith";
    p.organisation = "Smith & Co";
    p.replyTo = "john@smith.demon.co.uk";
    p.setIE = 1;
    p.setNetscape = 1;
    return p;
}

// A profile on the office network: no dialling, other servers, no proxies.
inline ActiveProfile LanProfile() {
    ActiveProfile p;
    p.profileName = "Office LAN";
    p.useLan = 1;
    p.homepage = "http://intranet/";
    p.username = "js";
    p.pop3Host = "mail.office";
    p.smtpHost = "smtp.office";
    p.nntpHost = "news.office";
    p.realname = "J. Smith";
    p.organisation = "Office";
    p.replyTo = "js@office";
    p.setIE = 1;
    p.setNetscape = 1;
    return p;
}

inline std::string DumpQuoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
    }
    return out + "\"";
}

inline std::string DumpValue(const RegistryValue& value, const std::string& navigatorDir) {
    char hex[16];
    switch (value.type) {
        case RegType::Sz:
        case RegType::ExpandSz: {
            std::string text = StringFromData(value.data);
            for (std::size_t at;
                 !navigatorDir.empty() && (at = text.find(navigatorDir)) != std::string::npos;) {
                text.replace(at, navigatorDir.size(), "$NAV");
            }
            return (value.type == RegType::Sz ? "sz:" : "expand:") + DumpQuoted(text);
        }
        case RegType::Dword: {
            std::uint32_t number = 0;
            std::memcpy(&number, value.data.data(), std::min<std::size_t>(4, value.data.size()));
            std::snprintf(hex, sizeof hex, "dword:%08x", number);
            return hex;
        }
        default: {
            std::string out = "hex(" + std::to_string(static_cast<int>(value.type)) + "):";
            for (std::size_t i = 0; i < value.data.size(); ++i) {
                std::snprintf(hex, sizeof hex, "%s%02x", i == 0 ? "" : ",", value.data[i]);
                out += hex;
            }
            return out;
        }
    }
}

inline void DumpKey(RegistryStore& store, const RegistryRootName& root, const std::string& path,
                    const std::string& navigatorDir, std::string& out) {
    if (root.root == RegistryRoot::CurrentUser &&
        EqualsIgnoreCase(path, "Software\\Kestrom\\Linkvane")) {
        return;
    }
    auto key = store.OpenKey(root.root, path, false);
    ASSERT_EQ(key.error, 0u) << path;
    auto subkeys = store.EnumSubkeys(key.value);
    auto values = store.EnumValues(key.value);
    ASSERT_EQ(subkeys.error, 0u);
    ASSERT_EQ(values.error, 0u);
    if (!path.empty() && (!values.value.empty() || subkeys.value.empty())) {
        const std::string shortRoot = root.root == RegistryRoot::CurrentUser ? "HKCU"
                                      : root.root == RegistryRoot::LocalMachine
                                          ? "HKLM"
                                          : std::string(root.predefinedKey);
        out += "[" + shortRoot + "\\" + path + "]\n";
        for (const auto& v : values.value) {
            out += (v.name.empty() ? std::string("@") : DumpQuoted(v.name)) + "=" +
                   DumpValue(v.value, navigatorDir) + "\n";
        }
    }
    for (const auto& sub : subkeys.value) {
        DumpKey(store, root, path.empty() ? sub : path + "\\" + sub, navigatorDir, out);
    }
}

// Every root, every key that holds values or has no subkeys, in the store's (sorted) order:
//   [HKCU\Key\Path]
//   "Name"=sz:"text" | dword:0000002a | hex(3):01,00   (@ is the default value)
// The profiles the tests seed (HKCU\Software\Kestrom\Linkvane) are left out, and the
// Navigator directory inside strings is shown as $NAV.
inline std::string DumpRegistry(RegistryStore& store, const std::string& navigatorDir = {}) {
    std::string out;
    for (const RegistryRootName& root : kRegistryRoots)
        DumpKey(store, root, "", navigatorDir, out);
    return out;
}

class ClientTest : public ConfigHomeTest {
  protected:
    void SetUp() override {
        ConfigHomeTest::SetUp();
        std::filesystem::create_directories(linkvaneDir());
        m_store = std::make_unique<SqliteRegistryStore>(linkvaneDir());
    }
    void TearDown() override {
        m_store.reset();
        ConfigHomeTest::TearDown();
    }

    RegistryStore& store() { return *m_store; }
    const std::filesystem::path& navigatorDir() const { return m_navigator.path(); }

    void SetString(std::string_view path, std::string_view name, std::string_view text) {
        COXRegistryItem(store(), path).SetStringValue(text, name);
    }
    void SetNumber(std::string_view path, std::string_view name, std::uint32_t number) {
        COXRegistryItem(store(), path).SetNumberValue(number, name);
    }

    std::string Dump() { return DumpRegistry(store(), navigatorDir().string()); }

    // The files and directories below the Navigator directory, one per line, directories
    // ending in "/".
    std::string NavigatorTree() const {
        std::vector<std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(navigatorDir())) {
            std::string line = std::filesystem::relative(entry.path(), navigatorDir()).string();
            if (entry.is_directory())
                line += "/";
            entries.push_back(line);
        }
        std::sort(entries.begin(), entries.end());
        std::string out;
        for (const auto& e : entries)
            out += e + "\n";
        return out;
    }

  private:
    TempDir m_navigator;
    std::unique_ptr<SqliteRegistryStore> m_store;
};

}  // namespace linkvane::testing
