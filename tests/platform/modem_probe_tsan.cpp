// Probing pseudo-terminals the test starts, all at once: the modem simulator, a silent line, a
// line whose UUCP lock a named process holds, one that "ModemManager" has open, a port named
// twice and a device that is not there.

#include "platform/modem_probe.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/port_holders.h"
#include "platform/serial_line.h"
#include "support/dial_peers.h"
#include "support/stand_in_pppd.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;

// A pseudo-terminal whose other end nobody reads.
struct SilentLine {
    SilentLine() : master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        if (::grantpt(master.get()) == 0 && ::unlockpt(master.get()) == 0)
            device = ::ptsname(master.get());
    }
    FileDescriptor master;
    std::string device;
};

TEST(ProbeModems, FindTheModemWithItsModelAndSayWhyTheOthersAreNone) {
    testing::TempDir dir;
    testing::ModemSimulator modem(MODEM_SIMULATOR, dir.path(), "model=Zoom 56K V.92 3095");
    const SilentLine silent, locked, held;
    testing::StandIns processes(dir.path());
    const pid_t lockHolder = processes.Start("linkvane-lock-holder");
    char lock[16];
    std::snprintf(lock, sizeof lock, "%10d\n", static_cast<int>(lockHolder));
    testing::WriteFileText(dir.path() / UucpLockName(locked.device), lock);
    const int heldLine = ::open(held.device.c_str(), O_RDWR | O_NOCTTY);
    const pid_t modemManager = processes.Start("ModemManager", false, heldLine);
    ::close(heldLine);

    const struct {
        std::string device;
        ProbeVerdict verdict;
        std::string model;
        std::optional<PortHolder> holder;
        std::string said;  // a part of the reason
    } cases[] = {
        {modem.device(), ProbeVerdict::Modem, "Zoom 56K V.92 3095", {}, "115200 bit/s"},
        {std::filesystem::canonical(modem.device()),
         ProbeVerdict::Modem,
         "Zoom 56K V.92 3095",
         {},
         "115200"},
        {silent.device, ProbeVerdict::Silent, "", {}, "does not answer"},
        {locked.device, ProbeVerdict::InUse, "", PortHolder{lockHolder, "linkvane-lock-holder"},
         "lock file " + (dir.path() / UucpLockName(locked.device)).string()},
        {held.device, ProbeVerdict::InUse, "", PortHolder{modemManager, "ModemManager"},
         "ID_MM_DEVICE_IGNORE=1"},
        {"/dev/linkvane-no-such-modem", ProbeVerdict::NoDevice, "", {}, "no device"},
    };
    std::vector<std::string> devices;
    for (const auto& c : cases)
        devices.push_back(c.device);
    ProbeOptions options;
    options.lockDir = dir.path();
    options.limit = 1500ms;  // the silent line's wait: the modem answers within the first 800 ms
    const auto start = std::chrono::steady_clock::now();
    const std::vector<ProbeResult> results = ProbeModems(devices, options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);

    ASSERT_EQ(results.size(), std::size(cases));
    for (std::size_t i = 0; i < results.size(); ++i) {
        const ProbeResult& result = results[i];
        EXPECT_EQ(result.device, cases[i].device);
        EXPECT_EQ(VerdictName(result.verdict), VerdictName(cases[i].verdict)) << result.reason;
        EXPECT_EQ(result.model, cases[i].model) << result.device;
        EXPECT_EQ(result.holder, cases[i].holder) << result.device;
        EXPECT_NE(result.reason.find(cases[i].said), std::string::npos) << result.reason;
    }
    // A probe leaves no lock behind, and never takes one that is held.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / UucpLockName(modem.device())));
    EXPECT_EQ(testing::ReadFileText(dir.path() / UucpLockName(locked.device)), lock);
}

// A user outside the device's group is told which group that is and how to join it.
TEST(ProbeModems, NameTheGroupThatMayOpenThePort) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    testing::TempDir dir;
    std::filesystem::permissions(dir.path(),
                                 std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const SilentLine line;  // made a serial port's like: root's, group dialout, mode 0660
    const group* dialout = ::getgrnam("dialout");
    ASSERT_TRUE(dialout != nullptr && ::chown(line.device.c_str(), 0, dialout->gr_gid) == 0 &&
                ::chmod(line.device.c_str(), 0660) == 0);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ProbeOptions options;
        options.lockDir = dir.path();
        const bool nobody =
            ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        const ProbeResult result = ProbeModem(line.device, options);
        const std::string said =
            nobody ? std::string(VerdictName(result.verdict)) + ": " + result.reason
                   : "cannot become nobody";
        ::_exit(::write(out[1], said.data(), said.size()) > 0 ? 0 : 1);
    }
    ::close(out[1]);
    char said[512] = {};
    EXPECT_GT(::read(out[0], said, sizeof said - 1), 0);
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(std::string(said),
              "permission denied: You may not open " + line.device +
                  ": it belongs to the group dialout. Add yourself to that group (sudo adduser "
                  "$USER dialout) and log in again.");
}

}  // namespace
}  // namespace linkvane
