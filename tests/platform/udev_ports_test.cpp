// Discovery through libudev on this machine's own /sys. (A captured tree is read through
// linkvanectl in tests/ctl/modem_command_test.cpp.)

#include "platform/udev_ports.h"

#include <gtest/gtest.h>

#include <set>

#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;

// Where the machine has serial ports: every ttyS with a UART, every ttyUSB and ttyACM of
// /sys/class/tty, and nothing else, each a character device with its driver named.
TEST(UdevTtySource, FindsTheSerialPortsOfThisMachine) {
    std::set<std::string> expected;
    std::error_code error;
    for (const fs::directory_entry& tty : fs::directory_iterator("/sys/class/tty", error)) {
        const std::string name = tty.path().filename().string();
        const std::string type = testing::ReadFileText(tty.path() / "type");
        if ((name.starts_with("ttyS") && !type.empty() && std::stoi(type) != 0) ||
            name.starts_with("ttyUSB") || name.starts_with("ttyACM"))
            expected.insert(name);
    }
    if (expected.empty())
        GTEST_SKIP() << "this machine has no serial port";
    UdevTtySource source;
    Result<std::vector<TtyDevice>> found = source.Enumerate();
    ASSERT_TRUE(found) << found.error().message;
    SerialPortList ports;
    ports.Reset(*found);
    std::set<std::string> names;
    for (const TtyDevice& port : ports.ports()) {
        names.insert(port.name);
        EXPECT_TRUE(fs::is_character_file(StablePath(port))) << StablePath(port);
        EXPECT_FALSE(port.driver.empty()) << port.name;
    }
    EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace linkvane
