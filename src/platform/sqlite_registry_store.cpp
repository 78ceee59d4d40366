#include "platform/sqlite_registry_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "core/util/file_descriptor.h"
#include "core/util/text.h"
#include "core/util/win_error.h"
#include "platform/private_files.h"
#include "platform/xdg_paths.h"

namespace linkvane {

namespace {

constexpr int kApplicationId = 0x4C4B5652;  // "LKVR"
constexpr int kSchemaVersion = 1;
constexpr int kBusyRetryMs = 5;
constexpr std::int64_t kRootKeyId = 1;
constexpr std::size_t kMaxKeyNameLength = 255;
// Levels below a root, as the registry allows; it also bounds the recursion of a tree walk.
constexpr std::size_t kMaxKeyDepth = 512;

constexpr std::uint32_t kErrorBusy = win::kBusy;
constexpr std::uint32_t kErrorDiskFull = win::kDiskFull;
constexpr std::uint32_t kErrorRegistryIo = win::kRegistryIo;

constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    fold TEXT NOT NULL);
CREATE UNIQUE INDEX keys_by_parent ON keys(parent, fold);
INSERT INTO keys(id, parent, name, fold) VALUES(1, NULL, '', '');
CREATE TABLE vals(
    key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key, fold)) WITHOUT ROWID;
)sql";

std::uint32_t ToWinError(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return win::kSuccess;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return win::kBadDatabase;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return win::kAccessDenied;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kErrorBusy;
        case SQLITE_FULL:
            return kErrorDiskFull;
        case SQLITE_NOMEM:
            return win::kNotEnoughMemory;
        case SQLITE_CONSTRAINT:
            return win::kKeyDeleted;  // a value or subkey for a key that no longer exists
        default:
            return kErrorRegistryIo;
    }
}

// A control character in a key or value name: no registry text file could carry the name (a
// line break there would start a line of its own), so the store does not take it.
bool HasControlCharacter(std::string_view name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// "file:" URI text for a path: the characters that a URI gives a meaning escaped.
std::string UriPath(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            out += '%';
            out += kDigits[static_cast<unsigned char>(c) >> 4];
            out += kDigits[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// Splits "a\b\c" into its components; refuses empty and over-long ones, and paths nested
// deeper than kMaxKeyDepth, as the registry does; refuses control characters as invalid (87).
std::uint32_t SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.empty())
        return win::kSuccess;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() || part.size() > kMaxKeyNameLength || parts.size() == kMaxKeyDepth)
            return win::kBadPathname;
        if (HasControlCharacter(part))
            return win::kInvalidParameter;
        parts.push_back(part);
        if (end == std::string_view::npos)
            return win::kSuccess;
        start = end + 1;
    }
}

}  // namespace

// One root's database file with its prepared statements and transaction depth.
class SqliteRegistryStore::Database {
  public:
    Database(const std::filesystem::path& file, int busyTimeoutMs, WarningSink warn)
        : m_file(file), m_busyTimeoutMs(busyTimeoutMs), m_warn(std::move(warn)) {
        Open();
    }
    ~Database() {
        for (auto& [sql, stmt] : m_statements)
            sqlite3_finalize(stmt);
        if (m_db != nullptr)
            sqlite3_close(m_db);
    }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    std::uint32_t error() const { return m_error; }
    const std::string& diagnosis() const { return m_diagnosis; }

    // A prepared statement, reset and unbound when the returned guard goes.
    class Statement {
      public:
        explicit Statement(sqlite3_stmt* stmt) : m_stmt(stmt) {}
        ~Statement() {
            if (m_stmt != nullptr) {
                sqlite3_reset(m_stmt);
                sqlite3_clear_bindings(m_stmt);
            }
        }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        bool valid() const { return m_stmt != nullptr; }
        Statement& Bind(int i, std::int64_t v) {
            sqlite3_bind_int64(m_stmt, i, v);
            return *this;
        }
        Statement& Bind(int i, std::string_view v) {
            sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
            return *this;
        }
        Statement& BindBlob(int i, const std::vector<std::uint8_t>& v) {
            sqlite3_bind_blob(m_stmt, i, v.empty() ? "" : static_cast<const void*>(v.data()),
                              static_cast<int>(v.size()), SQLITE_TRANSIENT);
            return *this;
        }
        int Step() { return sqlite3_step(m_stmt); }
        std::int64_t Int(int col) const { return sqlite3_column_int64(m_stmt, col); }
        std::string Text(int col) const {
            const auto* p = sqlite3_column_text(m_stmt, col);
            return p == nullptr
                       ? std::string()
                       : std::string(reinterpret_cast<const char*>(p),
                                     static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col)));
        }
        std::vector<std::uint8_t> Blob(int col) const {
            const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, col));
            const auto n = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col));
            return p == nullptr ? std::vector<std::uint8_t>() : std::vector<std::uint8_t>(p, p + n);
        }

      private:
        sqlite3_stmt* m_stmt;
    };

    Statement Prepare(const char* sql) {
        auto it = m_statements.find(sql);
        if (it != m_statements.end())
            return Statement(it->second);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) !=
            SQLITE_OK) {
            Note(sqlite3_errcode(m_db));
            return Statement(nullptr);
        }
        m_statements.emplace(sql, stmt);
        return Statement(stmt);
    }

    // Maps a result to a Windows error and remembers damage found on the way.
    std::uint32_t Note(int rc) {
        std::uint32_t error = ToWinError(rc);
        if (error == kErrorRegistryIo && m_db != nullptr && sqlite3_system_errno(m_db) == ENOSPC)
            error = win::kDiskFull;
        if (error == win::kBadDatabase && m_error == 0)
            MarkDamaged(sqlite3_errstr(rc));
        return error;
    }

    std::uint32_t Exec(const char* sql) {
        return Note(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
    }

    // Outermost level takes the write lock at once, so a writer never deadlocks on upgrade.
    bool InTransaction() const { return m_depth > 0; }

    std::uint32_t Begin() {
        const std::string sql =
            m_depth == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT lv" + std::to_string(m_depth);
        const std::uint32_t error = Exec(sql.c_str());
        if (error == 0)
            ++m_depth;
        return error;
    }
    std::uint32_t Commit() {
        --m_depth;
        const std::string sql = m_depth == 0 ? "COMMIT" : "RELEASE lv" + std::to_string(m_depth);
        const std::uint32_t error = Exec(sql.c_str());
        if (error != 0 && m_depth == 0)
            Exec("ROLLBACK");
        return error;
    }
    void Rollback() {
        --m_depth;
        if (m_depth == 0) {
            Exec("ROLLBACK");
        } else {
            const std::string name = "lv" + std::to_string(m_depth);
            Exec(("ROLLBACK TO " + name + "; RELEASE " + name).c_str());
        }
    }

  private:
    void MarkDamaged(const std::string& why) {
        m_error = win::kBadDatabase;
        m_diagnosis =
            "The settings file " + m_file.string() + " is damaged (" + why +
            "). Linkvane has left it as it is; move it aside to start with empty settings.";
    }

    std::uint32_t Fail(std::uint32_t error, const std::string& why) {
        m_error = error;
        m_diagnosis = "The settings file " + m_file.string() + " cannot be used: " + why + ".";
        return error;
    }

    std::int64_t PragmaInt(const char* sql, int& rc) {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        std::int64_t value = 0;
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                value = sqlite3_column_int64(stmt, 0);
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
        return value;
    }

    // The first two columns of a one-row query; the second through `second`.
    std::int64_t PragmaPair(const char* sql, std::int64_t& second, int& rc) {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        std::int64_t first = 0;
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                first = sqlite3_column_int64(stmt, 0);
                second = sqlite3_column_int64(stmt, 1);
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
        return first;
    }

    std::string PragmaText(const char* sql, int& rc) {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        std::string value;
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                const auto* p = sqlite3_column_text(stmt, 0);
                value = p == nullptr ? "" : reinterpret_cast<const char*>(p);
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
        return value;
    }

    // The folder and the file, checked and made private before SQLite opens the file. Sets
    // m_readOnly where the file can only be read (a read-only folder or file).
    bool SecureFiles() {
        const std::filesystem::path dir = m_file.parent_path();
        Status folder = EnsurePrivateDirectory(dir);
        if (folder)
            folder = SecurePrivateFolder(dir, m_warn);
        if (!folder) {
            m_error = folder.error().code != 0 ? folder.error().code : win::kAccessDenied;
            m_diagnosis = folder.error().message;
            return false;
        }
        // Created here so that it is private from the first byte; SQLite gives its journal files
        // the same mode. A link is not followed.
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int opened = ::open(m_file.c_str(), O_RDWR | O_CREAT | kFlags, 0600);
        if (opened < 0 && (errno == EACCES || errno == EROFS)) {
            m_readOnly = true;
            opened = ::open(m_file.c_str(), O_RDONLY | kFlags);
        }
        FileDescriptor fd(opened);
        if (!fd.valid()) {
            FailOpen(errno);
            return false;
        }
        m_readOnly = m_readOnly || ::access(dir.c_str(), W_OK) != 0;
        Status file = SecurePrivateFile(fd.get(), m_file, m_warn);
        for (const char* journal : {"-wal", "-shm"}) {
            if (file)
                file = SecurePrivateFileAt(m_file.string() + journal, m_warn);
        }
        if (!file)
            Fail(file.error().code, file.error().message);
        return file.ok();
    }

    void FailOpen(int error) {
        switch (error) {
            case ELOOP:
                Fail(win::kAccessDenied,
                     "it is a symbolic link, and Linkvane does not follow links to its settings");
                return;
            case ENOENT:
                Fail(win::kAccessDenied,
                     "its folder is read-only and the file does not exist, so there are no "
                     "settings to read");
                return;
            case ENOSPC:
                Fail(win::kDiskFull, "the disk is full");
                return;
            default:
                Fail(error == EACCES || error == EISDIR ? win::kAccessDenied : kErrorRegistryIo,
                     std::string("it cannot be opened: ") + std::strerror(error));
        }
    }

    // Opens the file with SQLite. A file that can only be read is opened as immutable: SQLite
    // then needs neither a lock nor the shared-memory file, which it could not create.
    int OpenConnection() {
        if (!m_readOnly) {
            return sqlite3_open_v2(
                m_file.c_str(), &m_db,
                SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW, nullptr);
        }
        return sqlite3_open_v2(
            ("file:" + UriPath(m_file.string()) + "?immutable=1").c_str(), &m_db,
            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW,
            nullptr);
    }

    // Maps a failure of opening or setting up the file, naming a full disk as such.
    void FailWith(int rc) {
        if (m_error != 0)
            return;
        const int system = m_db != nullptr ? sqlite3_system_errno(m_db) : 0;
        if ((rc & 0xFF) == SQLITE_FULL || system == ENOSPC) {
            Fail(win::kDiskFull, "the disk is full");
        } else if (Note(rc) != win::kBadDatabase) {
            Fail(ToWinError(rc), m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        }
    }

    void Open() {
        if (!SecureFiles())
            return;
        int rc = OpenConnection();
        if (rc != SQLITE_OK) {
            FailWith(rc);
            return;
        }
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, m_busyTimeoutMs);

        // One statement, so that both come from one snapshot: another process may be
        // initialising the file at this very moment.
        std::int64_t tables = 0;
        const std::int64_t appId = PragmaPair(
            "SELECT (SELECT application_id FROM pragma_application_id), "
            "(SELECT count(*) FROM sqlite_master)",
            tables, rc);
        if (rc != SQLITE_OK) {
            FailWith(rc);
            return;
        }
        if (appId != kApplicationId && !(appId == 0 && tables == 0)) {
            MarkDamaged("it is not a Linkvane settings file");
            return;
        }
        if (appId == kApplicationId) {
            const std::string check = PragmaText("PRAGMA quick_check", rc);
            // A check that could not run (a lock held past the wait) says nothing of damage.
            if (rc != SQLITE_OK) {
                FailWith(rc);
                return;
            }
            if (check != "ok") {
                MarkDamaged(check);
                return;
            }
        }
        if (m_readOnly)
            return;
        // Switching to WAL needs the file to itself for a moment and does not wait for a
        // process that is initialising it at the same time, so wait here.
        std::string mode;
        for (int waited = 0;; waited += kBusyRetryMs) {
            mode = PragmaText("PRAGMA journal_mode=WAL", rc);
            if ((rc & 0xFF) != SQLITE_BUSY || waited >= m_busyTimeoutMs)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMs));
        }
        if (rc != SQLITE_OK) {
            FailWith(rc);
            return;
        }
        if (const int set = sqlite3_exec(m_db, "PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON",
                                         nullptr, nullptr, nullptr);
            set != SQLITE_OK) {
            FailWith(set);
            return;
        }
        if (appId == 0)
            InitialiseSchema();
    }

    void InitialiseSchema() {
        if (Begin() != 0) {
            if (m_error == 0)
                Fail(kErrorBusy, sqlite3_errmsg(m_db));
            return;
        }
        int rc = SQLITE_OK;
        // Another process may have initialised the file while we waited for the lock.
        if (PragmaInt("PRAGMA application_id", rc) == 0 && rc == SQLITE_OK) {
            const std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                                        "; PRAGMA user_version=" + std::to_string(kSchemaVersion);
            for (const char* sql : {kSchema, pragmas.c_str()}) {
                if (const int made = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
                    made != SQLITE_OK) {
                    FailWith(made);
                    Rollback();
                    return;
                }
            }
        }
        if (const std::uint32_t committed = Commit(); committed != 0 && m_error == 0) {
            Fail(committed, committed == win::kDiskFull ? std::string("the disk is full")
                                                        : sqlite3_errmsg(m_db));
        }
    }

    std::filesystem::path m_file;
    int m_busyTimeoutMs;
    sqlite3* m_db = nullptr;
    std::uint32_t m_error = 0;
    std::string m_diagnosis;
    int m_depth = 0;
    WarningSink m_warn;
    bool m_readOnly = false;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
};

namespace {

using Database = SqliteRegistryStore::Database;

// Finds (and with create, makes) the key below the root; the id in `id`.
std::uint32_t WalkKey(Database& db, std::string_view path, bool create, std::int64_t& id) {
    std::vector<std::string_view> parts;
    if (const std::uint32_t error = SplitKeyPath(path, parts); error != 0)
        return error;
    id = kRootKeyId;
    for (const std::string_view part : parts) {
        const std::string fold = AsciiFold(part);
        {
            auto find = db.Prepare("SELECT id FROM keys WHERE parent=?1 AND fold=?2");
            if (!find.valid())
                return kErrorRegistryIo;
            find.Bind(1, id).Bind(2, fold);
            const int rc = find.Step();
            if (rc == SQLITE_ROW) {
                id = find.Int(0);
                continue;
            }
            if (rc != SQLITE_DONE)
                return db.Note(rc);
        }
        if (!create)
            return win::kFileNotFound;
        auto insert = db.Prepare("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
        if (!insert.valid())
            return kErrorRegistryIo;
        insert.Bind(1, id).Bind(2, part).Bind(3, fold);
        if (const int rc = insert.Step(); rc != SQLITE_DONE)
            return db.Note(rc);
        auto last = db.Prepare("SELECT last_insert_rowid()");
        last.Step();
        id = last.Int(0);
    }
    return win::kSuccess;
}

std::uint32_t KeyState(Database& db, std::int64_t id) {
    auto stmt = db.Prepare("SELECT 1 FROM keys WHERE id=?1");
    if (!stmt.valid())
        return kErrorRegistryIo;
    stmt.Bind(1, id);
    const int rc = stmt.Step();
    if (rc == SQLITE_ROW)
        return win::kSuccess;
    return rc == SQLITE_DONE ? win::kKeyDeleted : db.Note(rc);
}

// The rows of a query about one key (its id bound as ?1), each made into an item by make;
// a key deleted meanwhile answers 1018.
template <class Item, class Make>
RegistryAnswer<std::vector<Item>> ListForKey(Database& db, std::int64_t keyId, const char* sql,
                                             Make make) {
    if (const std::uint32_t state = KeyState(db, keyId); state != 0)
        return {state, {}};
    auto stmt = db.Prepare(sql);
    if (!stmt.valid())
        return {kErrorRegistryIo, {}};
    stmt.Bind(1, keyId);
    std::vector<Item> items;
    int rc = 0;
    while ((rc = stmt.Step()) == SQLITE_ROW)
        items.push_back(make(stmt));
    if (rc != SQLITE_DONE)
        return {db.Note(rc), {}};
    return {0, std::move(items)};
}

// An open transaction holds the store's lock until it ends: the depth of nesting belongs to the
// connection, so another thread's write in between would join it and share its rollback.
class SqliteTransaction final : public RegistryStore::Transaction {
  public:
    SqliteTransaction(Database* db, std::recursive_mutex& mutex) : m_db(db), m_lock(mutex) {
        m_error = m_db->error() != 0 ? m_db->error() : m_db->Begin();
        m_open = m_error == 0;
        if (!m_open)
            m_lock.unlock();
    }
    ~SqliteTransaction() override {
        if (m_open)
            m_db->Rollback();
    }
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    std::uint32_t error() const override { return m_error; }

    std::uint32_t Commit() override {
        if (!m_open)
            return m_error;
        m_open = false;
        const std::uint32_t error = m_db->Commit();
        m_lock.unlock();
        return error;
    }

  private:
    Database* m_db;
    std::unique_lock<std::recursive_mutex> m_lock;
    std::uint32_t m_error = 0;
    bool m_open = false;
};

// The write lock for one statement made outside any transaction, taken before the statement
// reads anything. Inside a transaction the lock is held already and one statement is atomic
// by itself, so nothing more is needed.
class SingleWrite {
  public:
    SingleWrite(Database* db, std::recursive_mutex& mutex) {
        if (!db->InTransaction())
            m_tx.emplace(db, mutex);
    }
    std::uint32_t error() const { return m_tx ? m_tx->error() : 0; }
    std::uint32_t Commit() { return m_tx ? m_tx->Commit() : 0; }

  private:
    std::optional<SqliteTransaction> m_tx;
};

}  // namespace

SqliteRegistryStore::SqliteRegistryStore(std::filesystem::path directory,
                                         std::chrono::milliseconds busyTimeout, WarningSink warn)
    : m_directory(std::move(directory)), m_busyTimeout(busyTimeout), m_warn(std::move(warn)) {}
SqliteRegistryStore::~SqliteRegistryStore() = default;

std::filesystem::path SqliteRegistryStore::FileOf(RegistryRoot root) const {
    return m_directory / (std::string(RootInfo(root).fileStem) + ".db");
}

SqliteRegistryStore::Database* SqliteRegistryStore::Db(RegistryRoot root) {
    auto& db = m_databases[root];
    // A file that was busy when it was opened is tried again; damage is final.
    if (!db || db->error() == kErrorBusy)
        db = std::make_unique<Database>(FileOf(root), static_cast<int>(m_busyTimeout.count()),
                                        m_warn);
    return db.get();
}

RegistryAnswer<RegistryKeyHandle> SqliteRegistryStore::OpenKey(RegistryRoot root,
                                                               std::string_view path, bool create) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(root);
    if (db->error() != 0)
        return {db->error(), {}};
    std::int64_t id = 0;
    std::uint32_t error = WalkKey(*db, path, false, id);
    if (error == win::kFileNotFound && create) {
        // Creating missing parents is several statements: do them as one write.
        SqliteTransaction tx(db, m_mutex);
        if (tx.error() != 0)
            return {tx.error(), {}};
        error = WalkKey(*db, path, true, id);
        if (error == 0)
            error = tx.Commit();
    }
    if (error != 0)
        return {error, {}};
    return {0, RegistryKeyHandle{root, id}};
}

RegistryAnswer<RegistryValue> SqliteRegistryStore::QueryValue(RegistryKeyHandle key,
                                                              std::string_view name) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(key.root);
    if (db->error() != 0)
        return {db->error(), {}};
    auto stmt = db->Prepare("SELECT type, data FROM vals WHERE key=?1 AND fold=?2");
    if (!stmt.valid())
        return {kErrorRegistryIo, {}};
    stmt.Bind(1, key.id).Bind(2, AsciiFold(name));
    const int rc = stmt.Step();
    if (rc == SQLITE_ROW) {
        return {0, RegistryValue{static_cast<RegType>(stmt.Int(0)), stmt.Blob(1)}};
    }
    if (rc != SQLITE_DONE)
        return {db->Note(rc), {}};
    const std::uint32_t state = KeyState(*db, key.id);
    return {state == 0 ? win::kFileNotFound : state, {}};
}

std::uint32_t SqliteRegistryStore::SetValue(RegistryKeyHandle key, std::string_view name,
                                            const RegistryValue& value) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(key.root);
    if (db->error() != 0)
        return db->error();
    if (HasControlCharacter(name))
        return win::kInvalidParameter;
    // The write lock comes before any read, so that a writer waits for another process
    // instead of failing on a snapshot that went stale.
    SingleWrite tx(db, m_mutex);
    if (tx.error() != 0)
        return tx.error();
    // A value keeps the case of its name as first written, as the registry does.
    auto stmt = db->Prepare(
        "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
    if (!stmt.valid())
        return kErrorRegistryIo;
    stmt.Bind(1, key.id)
        .Bind(2, name)
        .Bind(3, AsciiFold(name))
        .Bind(4, static_cast<std::int64_t>(value.type));
    stmt.BindBlob(5, value.data);
    if (const int rc = stmt.Step(); rc != SQLITE_DONE)
        return db->Note(rc);
    return tx.Commit();
}

std::uint32_t SqliteRegistryStore::DeleteValue(RegistryKeyHandle key, std::string_view name) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(key.root);
    if (db->error() != 0)
        return db->error();
    SingleWrite tx(db, m_mutex);
    if (tx.error() != 0)
        return tx.error();
    {
        auto stmt = db->Prepare("DELETE FROM vals WHERE key=?1 AND fold=?2");
        if (!stmt.valid())
            return kErrorRegistryIo;
        stmt.Bind(1, key.id).Bind(2, AsciiFold(name));
        if (const int rc = stmt.Step(); rc != SQLITE_DONE)
            return db->Note(rc);
    }
    auto changes = db->Prepare("SELECT changes()");
    changes.Step();
    if (changes.Int(0) > 0)
        return tx.Commit();
    const std::uint32_t state = KeyState(*db, key.id);
    return state == 0 ? win::kFileNotFound : state;
}

std::uint32_t SqliteRegistryStore::DeleteKey(RegistryRoot root, std::string_view path) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(root);
    if (db->error() != 0)
        return db->error();
    if (path.empty())
        return win::kAccessDenied;  // a root cannot be deleted
    SqliteTransaction tx(db, m_mutex);
    if (tx.error() != 0)
        return tx.error();
    std::int64_t id = 0;
    if (const std::uint32_t error = WalkKey(*db, path, false, id); error != 0)
        return error;
    auto stmt = db->Prepare("DELETE FROM keys WHERE id=?1");  // subkeys and values cascade
    if (!stmt.valid())
        return kErrorRegistryIo;
    stmt.Bind(1, id);
    if (const int rc = stmt.Step(); rc != SQLITE_DONE)
        return db->Note(rc);
    return tx.Commit();
}

RegistryAnswer<std::vector<std::string>> SqliteRegistryStore::EnumSubkeys(RegistryKeyHandle key) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(key.root);
    if (db->error() != 0)
        return {db->error(), {}};
    return ListForKey<std::string>(*db, key.id,
                                   "SELECT name FROM keys WHERE parent=?1 ORDER BY fold",
                                   [](const Database::Statement& row) { return row.Text(0); });
}

RegistryAnswer<std::vector<NamedRegistryValue>> SqliteRegistryStore::EnumValues(
    RegistryKeyHandle key) {
    std::lock_guard lock(m_mutex);
    Database* db = Db(key.root);
    if (db->error() != 0)
        return {db->error(), {}};
    return ListForKey<NamedRegistryValue>(
        *db, key.id, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY fold",
        [](const Database::Statement& row) {
            return NamedRegistryValue{row.Text(0),
                                      RegistryValue{static_cast<RegType>(row.Int(1)), row.Blob(2)}};
        });
}

std::unique_ptr<RegistryStore::Transaction> SqliteRegistryStore::BeginTransaction(
    RegistryRoot root) {
    std::lock_guard lock(m_mutex);
    return std::make_unique<SqliteTransaction>(Db(root), m_mutex);
}

std::string SqliteRegistryStore::Diagnose(RegistryRoot root) {
    std::lock_guard lock(m_mutex);
    return Db(root)->diagnosis();
}

std::unique_ptr<RegistryStore> OpenUserRegistry(WarningSink warn) {
    return std::make_unique<SqliteRegistryStore>(LinkvaneConfigDir(), std::chrono::seconds(10),
                                                 std::move(warn));
}

}  // namespace linkvane
