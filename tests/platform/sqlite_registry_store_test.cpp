#include "platform/sqlite_registry_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/profiles/regedit_file.h"
#include "core/profiles/registry_item.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

class SqliteRegistryStoreTest : public testing::ConfigHomeTest {};

// Runs body in a child process with its own store on dir, which ends without closing the
// store (no destructors, no clean close); returns the child's pid.
template <class F>
pid_t Spawn(const std::filesystem::path& dir, F body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body(*new SqliteRegistryStore(dir)));
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Two processes write at once and end without closing: every write that returned is on disk.
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
