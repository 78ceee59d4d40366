// linkvanectl modem list --watch --json over recorded udev events.

#include <gtest/gtest.h>

#include <condition_variable>
#include <nlohmann/json.hpp>
#include <thread>

#include "ctl/modem_command.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

namespace linkvane::ctl {
namespace {

using namespace std::chrono_literals;

TEST(ModemList, WatchPrintsEachPortThatComesOrGoesWithinASecond) {
    Result<std::vector<TtyEvent>> events = testing::LoadUdevRecording(
        testing::SourcePath("tests/support/udev/usb_modems.events"));
    ASSERT_TRUE(events) << events.error().message;
    testing::RecordedUdev udev({{.name = "ttyS0", .node = "/dev/ttyS0", .uartType = 4}});
    std::mutex mutex;
    std::condition_variable printed;
    std::vector<std::string> lines;
    const auto print = [&](const std::string& text) {
        const std::lock_guard lock(mutex);
        lines.push_back(text);
        printed.notify_all();
    };
    const auto waitForLines = [&](std::size_t count) {
        std::unique_lock lock(mutex);
        return printed.wait_for(lock, 1s, [&] { return lines.size() >= count; });
    };
    int stop[2];
    ASSERT_EQ(::pipe(stop), 0);
    int status = -1;
    std::thread watch([&] { status = ListSerialPorts(udev, {true, true}, print, stop[0]); });

    ASSERT_TRUE(waitForLines(1));
    EXPECT_EQ(nlohmann::json::parse(lines[0])["ports"][0]["path"], "/dev/ttyS0");
    const struct {
        const char* change;  // nullptr: the event changes no serial port
        const char* path;
    } expected[] = {
        {"added", "/dev/serial/by-id/usb-U.S.Robotics_USB_Modem_0000001-if00"},
        {nullptr, nullptr},  // a virtual console
        {"added", "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"},
        {"removed", "/dev/serial/by-id/usb-U.S.Robotics_USB_Modem_0000001-if00"},
        {"removed", "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"},
    };
    ASSERT_EQ(events->size(), std::size(expected));
    std::size_t seen = 1;
    for (std::size_t i = 0; i < events->size(); ++i) {
        udev.Play((*events)[i]);
        if (expected[i].change == nullptr)
            continue;
        ASSERT_TRUE(waitForLines(++seen)) << "no line within 1 s for event " << i;
        const std::lock_guard lock(mutex);
        const nlohmann::json line = nlohmann::json::parse(lines.back());
        EXPECT_EQ(line["change"], expected[i].change);
        EXPECT_EQ(line["port"]["path"], expected[i].path);
    }
    ASSERT_EQ(::write(stop[1], "x", 1), 1);
    watch.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines.size(), seen);
    ::close(stop[0]);
    ::close(stop[1]);
}

}  // namespace
}  // namespace linkvane::ctl
