#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "core/profiles/registry_item.h"
#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// One store shared by two threads: a write from the second thread while the first has a
// transaction open must stand on its own, and survive the first thread's rollback.
TEST(SqliteRegistryStoreThreads, AnotherThreadsWriteNeverJoinsAnOpenTransaction) {
    testing::TempDir dir;
    SqliteRegistryStore store(dir.path());
    std::atomic<bool> writerStarted{false};
    std::atomic<bool> writerDone{false};
    bool writerResult = false;

    auto tx = store.BeginTransaction(RegistryRoot::CurrentUser);
    ASSERT_EQ(tx->error(), 0u);
    ASSERT_TRUE(COXRegistryItem(store, "\\Software\\T\\RolledBack").SetNumberValue(1));
    std::thread writer([&] {
        writerStarted = true;
        writerResult = COXRegistryItem(store, "\\Software\\T\\Other").SetNumberValue(2);
        writerDone = true;
    });
    while (!writerStarted)
        std::this_thread::yield();
    std::this_thread::sleep_for(200ms);
    // The other thread waits for the transaction instead of writing into it.
    EXPECT_FALSE(writerDone);
    tx.reset();  // rolls back
    writer.join();

    EXPECT_TRUE(writerResult);
    COXRegistryItem key(store, "\\Software\\T\\");
    EXPECT_EQ(key.GetNumberValue("Other"), 2u);
    EXPECT_EQ(key.GetNumberValue("RolledBack"), 0u);
    // And from a fresh connection: what was reported as written is on disk.
    SqliteRegistryStore reopened(dir.path());
    EXPECT_EQ(COXRegistryItem(reopened, "\\Software\\T\\Other").GetNumberValue(), 2u);

    // A commit lets the other thread in at once, while its transaction object still lives.
    auto committed = store.BeginTransaction(RegistryRoot::CurrentUser);
    ASSERT_EQ(committed->Commit(), 0u);
    auto late = std::async(std::launch::async, [&] {
        return COXRegistryItem(store, "\\Software\\T\\Late").SetNumberValue(3);
    });
    EXPECT_EQ(late.wait_for(5s), std::future_status::ready);
    committed.reset();
    EXPECT_TRUE(late.get());
}

}  // namespace
}  // namespace linkvane
