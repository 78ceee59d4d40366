#pragma once

// Shared pieces of the client writer tests: a real SQLite registry in a temp XDG config home,
// a temp Navigator install directory, the sample profiles loaded as the active profile, the
// registry as the core's REGEDIT4 export compared with golden files, and a ClientMessages
// that records what the user would have been shown.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/clients/active_profile.h"
#include "core/clients/netscape.h"
#include "core/profiles/profile_store.h"
#include "core/profiles/regedit_file.h"
#include "core/profiles/registry_item.h"
#include "platform/sqlite_registry_store.h"
#include "support/golden.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace linkvane::testing {

class RecordingMessages : public ClientMessages {
  public:
    void ShowExclamation(std::string_view text, std::string_view caption) override {
        shown.push_back(std::string(caption) + ": " + std::string(text));
    }
    std::vector<std::string> shown;
};

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
    void Save(const ProfileRecord& record) {
        ASSERT_TRUE(ProfileStore(store()).SaveProfile(record, false).ok());
    }
    // The record as the active profile, through the store as Connect loads it.
    ActiveProfile Active(const ProfileRecord& record) {
        Save(record);
        return LoadActiveProfile(store(), record.name);
    }
    // Deletes what the writers write, so that a table's next case starts clean.
    void ClearClientKeys() {
        for (const char* path :
             {"\\Software\\Microsoft\\", "\\Software\\Netscape\\", "\\RemoteAccess\\",
              "\\Software\\Kestrom\\", "\\LocalMachine\\Software\\Microsoft\\",
              "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\Users\\"}) {
            COXRegistryItem(store(), path).Delete();
        }
        std::filesystem::remove_all(navigatorDir() / "Users");
    }

    // The whole registry in REGEDIT4 text, trimmed, with the Navigator directory shown as $NAV.
    std::string Exported() {
        auto text = ExportAllRoots(store());
        EXPECT_TRUE(text.ok());
        return text ? Trimmed(Anonymised(*text)) : "";
    }
    // What `write` makes of a profile with each pair of proxies (and "*.local" to bypass), each
    // headed by its hosts and ports: one text for a golden file. Whether a host is long enough
    // to count is host_rules_test's; these cases have a host or none.
    struct ProxyCase {
        const char *httpHost, *httpPort, *ftpHost, *ftpPort;
    };
    static std::string EachProxyCase(
        std::initializer_list<ProxyCase> cases,
        const std::function<std::string(const ActiveProfile&)>& write) {
        std::string text;
        for (const ProxyCase& c : cases) {
            ActiveProfile profile;
            profile.httpProxy = c.httpHost;
            profile.httpProxyPort = c.httpPort;
            profile.ftpProxy = c.ftpHost;
            profile.ftpProxyPort = c.ftpPort;
            profile.proxyOverride = "*.local";
            text += "; http \"" + profile.httpProxy + ":" + profile.httpProxyPort + "\", ftp \"" +
                    profile.ftpProxy + ":" + profile.ftpProxyPort + "\"\n" + write(profile);
        }
        return text;
    }
    // Text with the Navigator directory shown as $NAV.
    std::string Anonymised(std::string text) const {
        const std::string dir = navigatorDir().string();
        for (std::size_t at; (at = text.find(dir)) != std::string::npos;)
            text.replace(at, dir.size(), "$NAV");
        return text;
    }

    // The files and directories below the Navigator directory, one per line, directories
    // ending in "/".
    std::string NavigatorTree() const {
        std::vector<std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(navigatorDir())) {
            std::string line = std::filesystem::relative(entry.path(), navigatorDir()).string();
            entries.push_back(entry.is_directory() ? line + "/" : line);
        }
        std::sort(entries.begin(), entries.end());
        std::string out;
        for (const auto& e : entries)
            out += e + "\n";
        return out;
    }

    // An export holds one block per key, each ended by an empty line; the profiles the tests
    // saved are left out.
    static std::string Trimmed(const std::string& text) {
        std::string out;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = std::min(text.find("\n\n", at), text.size() - 2) + 2;
            const std::string block = text.substr(at, end - at);
            if (!block.starts_with("[HKEY_CURRENT_USER\\Software\\Kestrom\\Linkvane"))
                out += block;
            at = end;
        }
        return out;
    }

  private:
    TempDir m_navigator;
    std::unique_ptr<SqliteRegistryStore> m_store;
};

}  // namespace linkvane::testing
