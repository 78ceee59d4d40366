#include "platform/sqlite_registry_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "core/profiles/regedit_file.h"
#include "core/profiles/registry_item.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

class SqliteRegistryStoreTest : public testing::ConfigHomeTest {};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs body in a child process with its own store on dir; returns the child's exit status.
template <class F>
pid_t Spawn(const std::filesystem::path& dir, F body) {
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 0;
        {
            SqliteRegistryStore store(dir);
            code = body(store);
        }
        _exit(code);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST_F(SqliteRegistryStoreTest, FilesArePrivateAndCreatedOnFirstUse) {
    SqliteRegistryStore store(linkvaneDir());
    EXPECT_FALSE(std::filesystem::exists(store.FileOf(RegistryRoot::CurrentUser)));
    ASSERT_TRUE(COXRegistryItem(store, "\\Software\\X\\V").SetNumberValue(1));
    struct stat st {};
    ASSERT_EQ(stat(store.FileOf(RegistryRoot::CurrentUser).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(linkvaneDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists(store.FileOf(RegistryRoot::LocalMachine)));
}

TEST_F(SqliteRegistryStoreTest, AWriteIsVisibleToAnotherProcessAsSoonAsItReturns) {
    // The child writes and exits at once (no destructors, no clean close): what it wrote
    // must be on disk already.
    const pid_t writer = fork();
    if (writer == 0) {
        auto* store = new SqliteRegistryStore(linkvaneDir());
        const bool ok = COXRegistryItem(*store, "\\Software\\Durable\\V").SetStringValue("kept");
        _exit(ok ? 0 : 1);
    }
    ASSERT_EQ(Wait(writer), 0);
    SqliteRegistryStore reader(linkvaneDir());
    EXPECT_EQ(COXRegistryItem(reader, "\\Software\\Durable\\V").GetStringValue(), "kept");
}

TEST_F(SqliteRegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kValues = 150;
    auto writeMany = [](const char* prefix) {
        return [prefix](SqliteRegistryStore& store) {
            for (int i = 0; i < kValues; ++i) {
                // A fresh item each time so that key creation races too.
                COXRegistryItem item(store, std::string("\\Software\\Race\\") + prefix +
                                                std::to_string(i % 7) + "\\");
                if (!item.SetNumberValue(static_cast<std::uint32_t>(i), prefix + std::to_string(i)))
                    return 1;
            }
            return 0;
        };
    };
    const pid_t a = Spawn(linkvaneDir(), writeMany("a"));
    const pid_t b = Spawn(linkvaneDir(), writeMany("b"));
    ASSERT_EQ(Wait(a), 0);
    ASSERT_EQ(Wait(b), 0);

    SqliteRegistryStore store(linkvaneDir());
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < kValues; ++i) {
            COXRegistryItem item(
                store, std::string("\\Software\\Race\\") + prefix + std::to_string(i % 7) + "\\");
            EXPECT_EQ(item.GetNumberValue(prefix + std::to_string(i)),
                      static_cast<std::uint32_t>(i));
        }
    }
}

// A valid SQLite database that belongs to some other program.
void MakeForeignDatabase(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
}

TEST_F(SqliteRegistryStoreTest, ADamagedFileIsReportedAndNeverReplaced) {
    struct Damage {
        const char* name;
        void (*apply)(const std::filesystem::path&);
    };
    const Damage damages[] = {
        {"garbage",
         [](const std::filesystem::path& f) {
             std::ofstream(f, std::ios::binary | std::ios::trunc) << std::string(4096, '\x5a');
         }},
        {"truncated", [](const std::filesystem::path& f) { std::filesystem::resize_file(f, 50); }},
        {"foreign database",
         [](const std::filesystem::path& f) {
             std::filesystem::remove(f);
             MakeForeignDatabase(f);
         }},
    };
    const auto file = linkvaneDir() / "current_user.db";
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        std::filesystem::remove_all(linkvaneDir());
        {
            SqliteRegistryStore store(linkvaneDir());
            ASSERT_TRUE(COXRegistryItem(store, "\\Software\\V").SetStringValue("before"));
        }
        std::filesystem::remove(file.string() + "-wal");
        std::filesystem::remove(file.string() + "-shm");
        damage.apply(file);
        const std::string damagedBytes = ReadAll(file);

        SqliteRegistryStore store(linkvaneDir());
        COXRegistryItem item(store, "\\Software\\V");
        EXPECT_EQ(item.GetStringValue(), "");
        EXPECT_EQ(static_cast<std::uint32_t>(item.LastResult()), 0x800703F1u);  // 1009, damaged
        EXPECT_FALSE(item.SetStringValue("after"));
        const std::string diagnosis = store.Diagnose(RegistryRoot::CurrentUser);
        EXPECT_NE(diagnosis.find("current_user.db"), std::string::npos) << diagnosis;
        EXPECT_NE(diagnosis.find("damaged"), std::string::npos) << diagnosis;
        EXPECT_EQ(ReadAll(file), damagedBytes);
        EXPECT_EQ(store.Diagnose(RegistryRoot::LocalMachine), "");  // the other roots still work
    }
}

TEST_F(SqliteRegistryStoreTest, ATransactionCommitsAllOrNothing) {
    SqliteRegistryStore store(linkvaneDir());
    {
        auto tx = store.BeginTransaction(RegistryRoot::CurrentUser);
        COXRegistryItem item(store, "\\Software\\Tx\\");
        ASSERT_TRUE(item.SetNumberValue(1, "A"));
        ASSERT_TRUE(item.SetNumberValue(2, "B"));
        // destroyed without Commit: rolled back
    }
    EXPECT_FALSE(COXRegistryItem(store, "\\Software\\Tx\\").Open(false));
    {
        auto tx = store.BeginTransaction(RegistryRoot::CurrentUser);
        {
            auto inner = store.BeginTransaction(RegistryRoot::CurrentUser);
            ASSERT_TRUE(COXRegistryItem(store, "\\Software\\Tx\\A").SetNumberValue(1));
            EXPECT_EQ(inner->Commit(), 0u);
        }
        ASSERT_TRUE(COXRegistryItem(store, "\\Software\\Tx\\B").SetNumberValue(2));
        EXPECT_EQ(tx->Commit(), 0u);
    }
    EXPECT_EQ(COXRegistryItem(store, "\\Software\\Tx\\A").GetNumberValue(), 1u);
    EXPECT_EQ(COXRegistryItem(store, "\\Software\\Tx\\B").GetNumberValue(), 2u);
}

TEST_F(SqliteRegistryStoreTest, KeysNestNoDeeperThanTheRegistryAllows) {
    SqliteRegistryStore store(linkvaneDir());
    auto nested = [](std::size_t depth) {
        std::string path = "k";
        for (std::size_t i = 1; i < depth; ++i)
            path += "\\k";
        return path;
    };
    ASSERT_EQ(store.OpenKey(RegistryRoot::CurrentUser, nested(512), true).error, 0u);
    // One level more is refused before anything is made, so a whole export (which walks the
    // tree recursively) stays bounded instead of running out of stack.
    EXPECT_EQ(store.OpenKey(RegistryRoot::CurrentUser, nested(513), true).error, 161u);
    EXPECT_EQ(store.OpenKey(RegistryRoot::CurrentUser, nested(513), false).error, 161u);
    auto exported = ExportAllRoots(store);
    ASSERT_TRUE(exported);
    EXPECT_NE(exported->find("[HKEY_CURRENT_USER\\" + nested(512) + "]"), std::string::npos);
    EXPECT_EQ(exported->find(nested(513)), std::string::npos);
}

}  // namespace
}  // namespace linkvane
