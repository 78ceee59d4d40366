#include "core/profiles/serial_ports.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

namespace linkvane {
namespace {

// golden/serial_ports.txt: the UART type behind a device (-1: none reported) and its udev
// properties; whether it is a serial port, its node and how it is described.
TEST(SerialPorts, RealUartsAndUsbSerialDevicesArePortsAndDescribeThemselves) {
    testing::ExpectGoldenAnswers("core/profiles/golden/serial_ports.txt", [](auto& question) {
        std::istringstream words(question);
        int uartType = 0;
        words >> uartType;
        UdevProperties properties;
        for (std::string word; words >> word;)
            properties[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
        TtyDevice device = TtyDeviceFromUdev(properties);
        device.uartType = uartType;
        return std::string(IsSerialPort(device) ? "port " : "no port ") + device.node + ": " +
               DescribePort(device);
    });
}

// Two USB modems plugged in and out, as udevadm recorded it: each step's change and the list.
TEST(SerialPorts, TheListFollowsRecordedPlugAndUnplugEvents) {
    Result<std::vector<TtyEvent>> events =
        testing::LoadUdevRecording(testing::SourcePath("tests/support/udev/usb_modems.events"));
    ASSERT_TRUE(events) << events.error().message;
    SerialPortList list;
    list.Reset({{.name = "ttyS1", .node = "/dev/ttyS1", .uartType = 4, .driver = "serial"},
                {.name = "tty1", .node = "/dev/tty1"}});
    std::string log;
    const auto listing = [&] {
        for (const TtyDevice& port : list.ports())
            log += "  " + StablePath(port) + "  " + DescribePort(port) + "\n";
    };
    listing();
    for (TtyEvent& event : *events) {
        const std::optional<SerialPortList::Change> change = list.Apply(event);
        log += !change ? std::string("no change\n")
                       : (change->action == TtyAction::Add ? "added " : "removed ") +
                             change->port.name + "\n";
        listing();
        if (change && change->action == TtyAction::Add) {
            EXPECT_FALSE(list.Apply(event)) << "a second add changes nothing";
        }
    }
    EXPECT_FALSE(list.Apply(events->back())) << "nor a second remove";
    // A port that udev tells more of is changed in place, not listed twice.
    TtyEvent more{TtyAction::Add, list.ports().front()};
    more.device.driver = "16550A";
    ASSERT_TRUE(list.Apply(more));
    EXPECT_EQ(list.ports(), std::vector<TtyDevice>{more.device});
    testing::ExpectGolden("core/profiles/golden/usb_modems.txt", log);
}

}  // namespace
}  // namespace linkvane
