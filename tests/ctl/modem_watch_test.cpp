// linkvanectl modem list --watch --json over recorded udev events.

#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

#include "ctl/modem_command.h"
#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

namespace linkvane::ctl {
namespace {

using namespace std::chrono_literals;

// The first line lists the ports (ttyS0); then a line for each port that comes or goes: two USB
// ports come and go, and a virtual console, which is no serial port, changes nothing. The
// lines are in golden/modem_watch.txt.
TEST(ModemList, WatchPrintsEachPortThatComesOrGoesWithinASecond) {
    Result<std::vector<TtyEvent>> events =
        testing::LoadUdevRecording(testing::SourcePath("tests/support/udev/usb_modems.events"));
    ASSERT_TRUE(events) << events.error().message;
    testing::RecordedUdev udev({{.name = "ttyS0", .node = "/dev/ttyS0", .uartType = 4}});
    std::mutex mutex;
    std::condition_variable printed;
    std::string lines;
    int count = 0;
    const auto print = [&](const std::string& text) {
        const std::lock_guard lock(mutex);
        lines += text;
        ++count;
        printed.notify_all();
    };
    const auto waitForLines = [&](int wanted) {
        std::unique_lock lock(mutex);
        return printed.wait_for(lock, 1s, [&] { return count >= wanted; });
    };
    int stop[2];
    ASSERT_EQ(::pipe(stop), 0);
    int status = -1;
    std::thread watch([&] { status = ListSerialPorts(udev, {true, true}, print, stop[0]); });
    EXPECT_TRUE(waitForLines(1));
    for (const TtyEvent& event : *events)
        udev.Play(event);
    EXPECT_TRUE(waitForLines(5));
    ASSERT_EQ(::write(stop[1], "x", 1), 1);
    watch.join();
    EXPECT_EQ(status, 0);
    testing::ExpectGolden("ctl/golden/modem_watch.txt", lines);
    ::close(stop[0]);
    ::close(stop[1]);
}

}  // namespace
}  // namespace linkvane::ctl
