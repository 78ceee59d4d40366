#include "core/profiles/serial_ports.h"

#include <gtest/gtest.h>

#include "support/golden.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

namespace linkvane {
namespace {

TEST(SerialPorts, RealUartsAndUsbSerialDevicesArePortsAndDescribeThemselves) {
    const struct {
        UdevProperties properties;
        int uartType;
        bool port;
        const char* described;
    } cases[] = {
        {{{"DEVNAME", "ttyS0"}}, 4, true, "ttyS0"},
        {{{"DEVNAME", "ttyS1"}}, 0, false, "ttyS1"},  // no UART behind it
        {{{"DEVNAME", "ttyS2"}}, -1, false, "ttyS2"},
        {{{"DEVNAME", "/dev/ttyUSB10"}, {"ID_USB_DRIVER", "option"}},
         -1,
         true,
         "ttyUSB10 (option)"},
        {{{"DEVPATH", "/devices/x/tty/ttyACM0"},
          {"DEVNAME", "/dev/ttyACM0"},
          {"ID_VENDOR_ENC", "Zoom\\x20Tel\\x2"},  // a cut escape stays as it is
          {"ID_VENDOR", "Zoom_Tel"},
          {"ID_MODEL_FROM_DATABASE", "56K"},
          {"ID_VENDOR_ID", "0803"},
          {"ID_MODEL_ID", "3095"}},
         -1,
         true,
         "ttyACM0, Zoom Tel\\x2 56K [0803:3095]"},
        {{{"DEVNAME", "/dev/ttyUSB"}}, -1, false, "ttyUSB"},
        {{{"DEVNAME", "/dev/ttyUSBx"}}, -1, false, "ttyUSBx"},
        {{{"DEVNAME", "/dev/tty0"}}, -1, false, "tty0"},
        {{{"DEVNAME", "/dev/ttyAMA0"}}, 1, false, "ttyAMA0"},
    };
    for (const auto& c : cases) {
        TtyDevice device = TtyDeviceFromUdev(c.properties);
        device.uartType = c.uartType;
        EXPECT_EQ(IsSerialPort(device), c.port) << c.described;
        EXPECT_EQ(DescribePort(device), c.described);
        EXPECT_EQ(device.node.front(), '/') << c.described;
    }
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
