#include "core/util/task_poster.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "support/task_queue.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// Sends from a worker thread, the way the call monitor does, and says how each send ended.
std::future<bool> SendFromWorker(BlockingPoster& poster, std::atomic<int>& runs) {
    return std::async(std::launch::async, [&] { return poster.Send([&] { ++runs; }); });
}

TEST(BlockingPoster, SendWaitsForTheTargetAndCloseReleasesItWithoutRunningTheTask) {
    testing::TaskQueue window;
    BlockingPoster poster(window.Poster());
    std::atomic<int> runs{0};

    // Handled: the send returns true only after the task ran on the target's thread.
    auto handled = SendFromWorker(poster, runs);
    EXPECT_EQ(handled.wait_for(100ms), std::future_status::timeout);
    ASSERT_TRUE(window.RunUntil([&] { return runs == 1; }));
    EXPECT_TRUE(handled.get());

    // Closed while the target does not listen: the sender is released, and the queued task
    // never runs, not even after the poster is opened again.
    auto waiting = SendFromWorker(poster, runs);
    EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
    poster.Close();
    EXPECT_FALSE(waiting.get());
    poster.Open();
    auto fresh = SendFromWorker(poster, runs);
    ASSERT_TRUE(window.RunUntil([&] { return runs == 2; }));
    EXPECT_TRUE(fresh.get());
    window.RunUntil([] { return false; }, 50ms);
    EXPECT_EQ(runs, 2);

    // A closed poster answers at once; a target that drops its queue releases the sender.
    poster.Close();
    EXPECT_FALSE(poster.Send([&] { ++runs; }));
    poster.Open();
    auto dropped = SendFromWorker(poster, runs);
    EXPECT_EQ(dropped.wait_for(100ms), std::future_status::timeout);
    window.Drop();
    EXPECT_FALSE(dropped.get());
    EXPECT_EQ(runs, 2);
}

TEST(BlockingPoster, CloseWaitsForATaskThatIsRunning) {
    testing::TaskQueue window;
    BlockingPoster poster(window.Poster());
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    auto sent = std::async(std::launch::async, [&] {
        return poster.Send([&] {
            started = true;
            std::this_thread::sleep_for(200ms);
            finished = true;
        });
    });
    std::thread target([&] { window.RunUntil([&] { return finished.load(); }); });
    while (!started)
        std::this_thread::yield();
    poster.Close();
    // The task used the sender's frame; Close could not return before it was done.
    EXPECT_TRUE(finished);
    target.join();
    EXPECT_TRUE(sent.get());
}

}  // namespace
}  // namespace linkvane
