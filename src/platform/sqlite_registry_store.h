#pragma once

// SqliteRegistryStore: the registry on SQLite, one database file per root in one directory
// ("current_user.db", "local_machine.db", ...), each created on first use with mode 0600.
//
// Every write is durable when it returns (WAL, synchronous FULL). Several processes may use
// the same files at once: writes wait for each other (busy timeout) and none is lost. A file
// that is damaged or is not one of ours is never repaired, replaced or wiped: every operation
// on that root answers 1009 (ERROR_BADDB) and Diagnose() says which file and why. The folder
// and files are used only as private_files.h says: foreign or linked files answer 5, loose
// modes are tightened. A file that can only be read (a read-only folder) is read as it stands
// and writes answer 5. Key and value names with control characters are refused (87).
//
// Thread safety: all calls are serialised by one mutex. An open transaction holds it until it
// commits or rolls back, so other threads wait and never join it; end it on its own thread.

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "core/profiles/registry_store.h"
#include "platform/private_files.h"

namespace linkvane {

class SqliteRegistryStore final : public RegistryStore {
  public:
    // busyTimeout: how long a write waits for another process's write to end. warn receives
    // the one-line notes of files made private again (see private_files.h).
    explicit SqliteRegistryStore(std::filesystem::path directory,
                                 std::chrono::milliseconds busyTimeout = std::chrono::seconds(10),
                                 WarningSink warn = WarnOnStandardError);
    ~SqliteRegistryStore() override;
    SqliteRegistryStore(const SqliteRegistryStore&) = delete;
    SqliteRegistryStore& operator=(const SqliteRegistryStore&) = delete;

    RegistryAnswer<RegistryKeyHandle> OpenKey(RegistryRoot root, std::string_view path,
                                              bool create) override;
    RegistryAnswer<RegistryValue> QueryValue(RegistryKeyHandle key, std::string_view name) override;
    std::uint32_t SetValue(RegistryKeyHandle key, std::string_view name,
                           const RegistryValue& value) override;
    std::uint32_t DeleteValue(RegistryKeyHandle key, std::string_view name) override;
    std::uint32_t DeleteKey(RegistryRoot root, std::string_view path) override;
    RegistryAnswer<std::vector<std::string>> EnumSubkeys(RegistryKeyHandle key) override;
    RegistryAnswer<std::vector<NamedRegistryValue>> EnumValues(RegistryKeyHandle key) override;
    std::unique_ptr<Transaction> BeginTransaction(RegistryRoot root) override;
    std::string Diagnose(RegistryRoot root) override;

    const std::filesystem::path& directory() const { return m_directory; }
    std::filesystem::path FileOf(RegistryRoot root) const;

    class Database;  // one open root file

  private:
    Database* Db(RegistryRoot root);  // opens on first use; null never, check ok()

    std::filesystem::path m_directory;
    std::chrono::milliseconds m_busyTimeout;
    std::recursive_mutex m_mutex;
    std::map<RegistryRoot, std::unique_ptr<Database>> m_databases;
    WarningSink m_warn;
};

// The store of this user: SqliteRegistryStore on LinkvaneConfigDir().
std::unique_ptr<RegistryStore> OpenUserRegistry(WarningSink warn = WarnOnStandardError);

}  // namespace linkvane
