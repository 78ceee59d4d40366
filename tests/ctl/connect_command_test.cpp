// linkvanectl connect and hangup against the simulated modem and pppd's stand-in, and modem
// probe against the simulated modem.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <thread>

#include "core/connection/own_call_log.h"
#include "ctl_test_support.h"
#include "platform/serial_line.h"
#include "platform/xdg_paths.h"
#include "support/dial_peers.h"
#include "support/golden.h"

namespace linkvane::testing {
namespace {

class ConnectCommandTest : public CtlTest {
  protected:
    void SetUp() override {
        CtlTest::SetUp();
        ::setenv("LINKVANE_PPPD_SCENARIO", "drop:200", 1);
        ::unsetenv("LINKVANE_PPPD_PASSWORD");
        ::unsetenv("LINKVANE_PPPD_RUNDIR");
        RunOk({"reg", "add", "\\CurrentUser\\Software\\Kestrom\\Linkvane\\PppdPath", "REG_SZ",
               STAND_IN_PPPD});
    }
    // numbers: the entry's own, then its alternates.
    void Profile(const std::string& name, const std::vector<std::string>& numbers,
                 const std::string& login) {
        std::vector<std::string> add{"phonebook", "add", name, "--device", m_modem->device()};
        for (const std::string& number : numbers)
            add.insert(add.end(), {"--phone", number});
        RunOk(add);
        RunOk({"profile", "set", name, "Login", login});
        RunOk({"profile", "set", name, "Password", "s3cret"});
    }
    // The calls in the call log, as "linkvanectl log" lists them.
    nlohmann::json LoggedCalls() { return RunJson({"log", "--json"})["calls"]; }
    std::unique_ptr<ModemSimulator> m_modem;
};

// What the command adds to the Connect controller (tested in core): its exit status, the
// events as JSON lines without the states on the way, and the message last on stderr; each
// profile's are in golden/connect_events.txt, and last the calls it logged itself.
TEST_F(ConnectCommandTest, PrintsEachEventAsJsonAndExitsByHowTheDialEnded) {
    m_modem =
        std::make_unique<ModemSimulator>(MODEM_SIMULATOR, scratch(), "5552=busy;5553=nocarrier");
    Profile("Busy", {"5552"}, "jo");
    Profile("Blank", {"5551"}, "");
    Profile("Three", {"5552", "5553", "5551"}, "jo");
    RunOk({"reg", "add", "\\CurrentUser\\Software\\Kestrom\\Linkvane\\RedialAttempts", "REG_DWORD",
           "3"});
    RunOk({"profile", "set", "Three", "RedialPause", "1"});
    std::string report;
    for (const std::string profile : {"Busy", "Blank", "Three"}) {
        const CtlResult result = Run({"connect", profile, "--json"});
        report += "# " + profile + " exits " + std::to_string(result.exitCode) + "\n";
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) {
            if (nlohmann::json::parse(line)["event"] != "state")
                report += line + "\n";
        }
        const std::string& err = result.err;
        report += err.substr(err.find_last_of('\n', err.size() - 2) + 1);
    }
    ExpectGolden("ctl/golden/connect_events.txt",
                 report + "# calls logged: " + std::to_string(LoggedCalls().size()) + "\n");
}

// Runs "linkvanectl connect NAME --json" in the background until the link is up; returns its
// pid, its output going to `out`.
pid_t ConnectInBackground(const std::string& name, const std::filesystem::path& out) {
    std::filesystem::remove(out);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int file = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, 1);
        ::execl(LINKVANECTL_PATH, LINKVANECTL_PATH, "connect", name.c_str(), "--json", nullptr);
        ::_exit(127);
    }
    for (int i = 0; i < 1000 && ReadFileText(out).find("\"connected\"") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
}

// A locked line fails at once; hangup and SIGTERM end a call, which the command logs itself
// unless a program watches the log.
TEST_F(ConnectCommandTest, ALockedLineFailsAndHangUpOrSigtermEndsTheCallWithExitZero) {
    ::setenv("LINKVANE_PPPD_SCENARIO", "up", 1);
    m_modem = std::make_unique<ModemSimulator>(MODEM_SIMULATOR, scratch(), "");
    Profile("Up", {"5551"}, "jo");
    // A dial that fails before its thread has done anything else (the modem's lock is held by
    // this process) ends like any failed dial, however the command's thread and the dial's
    // thread are timed: exit 1 and the reason, which names the holder, every time.
    {
        UucpLock held;
        ASSERT_FALSE(held.Take("/run/lock", m_modem->device()));
        for (int run = 0; run < 10; ++run) {
            const CtlResult result = Run({"connect", "Up"});
            ASSERT_EQ(result.exitCode, 1) << "run " << run << ": " << result;
            ASSERT_TRUE(result.err.starts_with("linkvanectl: Connection Failed - The modem ") &&
                        result.err.find(" is in use by process " + std::to_string(::getpid()) +
                                        " (ctl_process_tests; lock file /run/lock/LCK..") !=
                            std::string::npos)
                << "run " << run << ": " << result;
        }
    }
    std::optional<Result<CallLogWatch>> watch;
    for (const bool bySignal : {false, true}) {
        if (bySignal)  // this call is left to the program that watches the log
            watch = CallLogWatch::Hold(CallLogPath());
        const std::filesystem::path out = scratch() / "connect.out";
        const pid_t connect = ConnectInBackground("Up", out);
        if (bySignal) {
            ::kill(connect, SIGTERM);
        } else {
            const std::string hungUp = RunOk({"hangup", "Up"}).out;
            EXPECT_TRUE(hungUp.starts_with("Hung up Up (pppd ")) << hungUp;
        }
        int status = 0;
        ASSERT_EQ(::waitpid(connect, &status, 0), connect);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << bySignal;
        EXPECT_NE(ReadFileText(out).find("{\"event\":\"disconnected\"}"), std::string::npos);
    }
    EXPECT_EQ(LoggedCalls().size(), 1u);
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
    EXPECT_EQ(missing.out,
              "/dev/linkvane-no-modem: There is no device at /dev/linkvane-no-modem.\n");
    EXPECT_EQ(missing.err,
              "linkvanectl: There is no device at /dev/linkvane-no-modem. (code 25615)\n");
}

}  // namespace
}  // namespace linkvane::testing
