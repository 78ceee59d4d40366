// linkvanectl modem list on a sysfs tree captured into tests/support/sysfs (read through
// umockdev's preload library, which puts it in the place of /sys), and modem probe against the
// simulated modem.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ctl_test_support.h"
#include "support/dial_peers.h"

namespace linkvane::testing {
namespace {

// Sets an environment variable for the commands a test runs, and puts the old value back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The tree holds a real UART (ttyS0, captured here), a ttyS without one, a virtual console, a
// USB serial adapter that udevd has named and a USB modem seen by sysfs alone.
TEST_F(CtlTest, ModemListShowsTheSerialPortsOfACapturedSysfsTree) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    const ScopedVariable tree("UMOCKDEV_DIR", SourcePath("tests/support/sysfs").string());
    const ScopedVariable preload("LD_PRELOAD", "libumockdev-preload.so.0");
    // The preload library comes before the sanitizer's runtime.
    const ScopedVariable sanitizer("ASAN_OPTIONS", std::string(asan ? asan : "") +
                                                       ":verify_asan_link_order=0");
    EXPECT_EQ(RunOk({"modem", "list"}).out,
              "/dev/ttyACM0    ttyACM0, U.S.Robotics USB Modem [0baf:0303] (cdc_acm)\n"
              "/dev/ttyS0    ttyS0 (serial)\n"
              "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"
              "    ttyUSB0, Prolific Technology Inc. USB-Serial Controller [067b:2303] (pl2303)\n");
    const nlohmann::json ports = RunJson({"modem", "list", "--json"})["ports"];
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[2]["device"], "/dev/ttyUSB0");
    EXPECT_EQ(ports[2]["vendorId"], "067b");
}

TEST_F(CtlTest, ModemProbeNamesTheModelOrWhyAPortIsNone) {
    ModemSimulator modem(MODEM_SIMULATOR, scratch(), "model=Courier V.Everything");
    const nlohmann::json found =
        RunJson({"modem", "probe", modem.device().string(), "--json", "--speed", "38400"});
    EXPECT_EQ(found["ports"][0]["status"], "modem");
    EXPECT_EQ(found["ports"][0]["model"], "Courier V.Everything");
    EXPECT_EQ(found["ports"][0]["speed"], 38400);
    const CtlResult missing = Run({"modem", "probe", "/dev/linkvane-no-modem"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "/dev/linkvane-no-modem: There is no device at /dev/linkvane-no-modem.\n");
    EXPECT_EQ(missing.err,
              "linkvanectl: There is no device at /dev/linkvane-no-modem. (code 25615)\n");
}

}  // namespace
}  // namespace linkvane::testing
