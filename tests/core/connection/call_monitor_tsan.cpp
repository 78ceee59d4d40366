#include "core/connection/call_monitor.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>
#include <sstream>

#include "core/connection/call_log.h"
#include "core/connection/dial_events.h"
#include "platform/ppp_links.h"
#include "support/golden.h"
#include "support/stand_in_pppd.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::time_t kStart = 1'700'000'000;
constexpr std::time_t kLongCall = 25 * 3600 + 3 * 60 + 7;

// The main window's part: it writes each ended call to a real log file, as the program does
// (with fixed date and time texts: those come from the GUI's locale), and keeps the counts.
class LoggingWindow final : public CallMonitorWindow {
  public:
    explicit LoggingWindow(fs::path log) : m_log(std::move(log)) {}
    void OnCallEnded(const CConnectionRecord& record) override {
        ended.push_back(record);
        ASSERT_TRUE(AppendCallLog(
            m_log, FormatCallLogLine(record.EntryName, "Day", "Time", record.DurationSeconds)));
    }
    void OnConnectionCount(int count) override { counts.push_back(count); }

    std::vector<CConnectionRecord> ended;
    std::vector<int> counts;

  private:
    fs::path m_log;
};

class CallMonitorTest : public ::testing::Test {
  protected:
    CallMonitorTest() { fs::create_directories(m_run); }

    std::unique_ptr<CCallMonitor> MakeMonitor(std::chrono::milliseconds period = 1000ms) {
        PppLinkOptions options;
        options.runDir = m_run;
        options.netDir = m_net;
        MonitorTiming timing{period, [this] { return m_now.load(); }};
        return std::make_unique<CCallMonitor>(std::make_unique<PppLinks>(options),
                                              m_window.Poster(), m_logger, timing);
    }

    // A stand-in pppd for the link `linkname`, dialled for `entry` when one is given.
    pid_t Dial(const std::string& linkname, const std::string& entry = {}) {
        std::vector<std::string> args{m_run.string(), "115200", "linkname", linkname};
        if (!entry.empty())
            args.insert(args.end(), {"ipparam", entry});
        const pid_t pid =
            m_standIns.StartAs("pppd", testing::BinaryPath("tools/pppd_stand_in"), args);
        for (int i = 0; i < 300 && !fs::exists(PidFile(linkname)); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(fs::exists(PidFile(linkname))) << linkname;
        return pid;
    }
    // Ends a stand-in as the system would: SIGTERM lets it remove its pid file, SIGKILL not.
    void HangUp(pid_t pid, int signal = SIGTERM) {
        ::kill(pid, signal);
        EXPECT_NE(m_standIns.EndSignal(pid), 0);
    }
    fs::path PidFile(const std::string& linkname) const {
        return m_run / ("ppp-" + linkname + ".pid");
    }
    // A stand-in pppd that writes no pid file of its own, with "ipparam ENTRY" when given.
    pid_t DialUnnamed(const std::string& entry) {
        std::vector<std::string> args{m_run.string()};
        if (!entry.empty())
            args.insert(args.end(), {"ipparam", entry});
        return m_standIns.StartAs("pppd", testing::BinaryPath("tools/pppd_stand_in"), args);
    }
    // What the run directory and the network class folder show of the link now: the one pid
    // file that names pid, and ppp0 with both counters at `bytes` (no ppp0 below 0).
    void Show(const std::string& pidFile, pid_t pid, const std::string& interfaceLine, int bytes) {
        fs::remove_all(m_run);
        fs::remove_all(m_net);
        fs::create_directories(m_run);
        if (!pidFile.empty())
            testing::WritePidFile(m_run / pidFile, pid, interfaceLine);
        for (const char* counter : {"rx_bytes", "tx_bytes"}) {
            if (bytes >= 0)
                testing::WriteFileText(m_net / "ppp0" / "statistics" / counter,
                                       std::to_string(bytes) + "\n");
        }
    }

    // One poll on a worker thread while this thread plays the window.
    void PollOnce(CCallMonitor& monitor) {
        std::atomic<bool> polled{false};
        auto worker = std::async(std::launch::async, [&, wake = m_window.Poster()] {
            monitor.Poll();
            polled = true;
            wake([] {});  // so that the window looks at `polled` again
        });
        ASSERT_TRUE(m_window.RunUntil([&] { return polled.load(); }));
    }

    testing::TempDir m_dir;
    fs::path m_run = m_dir.path() / "run";
    fs::path m_net = m_dir.path() / "net";
    fs::path m_log = m_dir.path() / "data" / "connect.log";
    testing::StandIns m_standIns{m_dir.path()};
    std::atomic<std::time_t> m_now{kStart};
    testing::TaskQueue m_window;  // the window's thread
    LoggingWindow m_logger{m_log};
};

// Each call as "NAME SECONDSs IN/OUT;".
std::string Calls(const std::vector<CConnectionRecord>& records) {
    std::string calls;
    for (const auto& record : records) {
        calls += record.EntryName + " " + std::to_string(record.DurationSeconds) + "s ";
        calls += record.Volume ? std::to_string(record.Volume->bytesIn) + "/" +
                                     std::to_string(record.Volume->bytesOut)
                               : "-";
        calls += ";";
    }
    return calls;
}

// Calls end in the order last seen, logged with uncapped hours. A forged, a stale and an
// unreadable pid file neither start nor end a call, and a run directory that cannot be read
// for a while ends none and reports no count.
TEST_F(CallMonitorTest, EndedCallsAreLoggedMostRecentlySeenFirstAndBadPidFilesChangeNothing) {
    auto monitor = MakeMonitor();
    const pid_t alpha = Dial("lv0", "Alpha");
    const pid_t bare = Dial("B");
    const pid_t stale = Dial("Stale");
    HangUp(stale, SIGKILL);  // pppd killed outright leaves its pid file behind
    ASSERT_TRUE(fs::exists(PidFile("Stale")));
    const pid_t innocent = m_standIns.Start("innocent");
    testing::WritePidFile(PidFile("Forged"), innocent);
    PollOnce(*monitor);
    EXPECT_EQ(Calls(monitor->Records()), "Alpha 0s -;B 0s -;");
    EXPECT_EQ(monitor->Records()[0].StartTime, kStart);

    fs::rename(m_run, m_dir.path() / "run.away");
    m_now = kStart + 10;
    PollOnce(*monitor);
    fs::rename(m_dir.path() / "run.away", m_run);
    m_now = kStart + 59;
    HangUp(bare);
    const pid_t gamma = Dial("lv1", "Gamma");
    PollOnce(*monitor);
    EXPECT_EQ(Calls(monitor->Records()), "Alpha 0s -;Gamma 0s -;");
    EXPECT_EQ(monitor->Records()[0].StartTime, kStart);

    m_now = kStart + kLongCall;
    HangUp(alpha);
    HangUp(gamma);
    PollOnce(*monitor);
    EXPECT_TRUE(monitor->Records().empty());
    EXPECT_EQ(Calls(m_logger.ended), "B 59s -;Gamma 90128s -;Alpha 90187s -;");
    EXPECT_EQ(m_logger.counts, (std::vector<int>{2, 2, 0}));
    EXPECT_EQ(testing::ReadFileText(m_log),
              "B - Day Time (0:00:59)\n"
              "Gamma - Day Time (25:02:08)\n"
              "Alpha - Day Time (25:03:07)\n");
    EXPECT_TRUE(m_standIns.Running(innocent));
    // With nothing up, every poll still reports, with a count of 0.
    PollOnce(*monitor);
    EXPECT_EQ(m_logger.counts.back(), 0);
    EXPECT_EQ(m_logger.ended.size(), 3u);
}

// The listing names a call better or worse as pppd's pid files and interface appear: the call
// is still one call, under its best name, with the counters last read while it was up.
// golden/call_identity.txt: what happens, the pppd's ipparam, and for each poll the one pid
// file that names the pppd, the interface that file names and ppp0's counters (-1: no ppp0),
// after a new pppd where "redial" leads ("-" for none); then each call logged.
TEST_F(CallMonitorTest, ACallKeepsItsIdentityWhileItsNameResolvesAndEndsWithItsLastCounters) {
    const auto given = [](const std::string& word) { return word == "-" ? "" : word; };
    testing::ExpectGoldenAnswers("core/connection/golden/call_identity.txt", [&](auto& row) {
        std::istringstream polls(row.substr(row.find(": ") + 2));
        std::string ipparam, poll;
        std::getline(polls, ipparam, ';');
        auto monitor = MakeMonitor();
        m_logger.ended.clear();
        pid_t pppd = DialUnnamed(given(ipparam));
        while (std::getline(polls >> std::ws, poll, ';')) {
            std::istringstream words(poll);
            std::string pidFile, interface;
            int bytes = 0;
            if (poll.starts_with("redial")) {
                words >> pidFile;
                HangUp(pppd);
                pppd = DialUnnamed(given(ipparam));
            }
            words >> pidFile >> interface >> bytes;
            Show(given(pidFile), pppd, given(interface), bytes);
            PollOnce(*monitor);
            ++m_now;
        }
        HangUp(pppd);
        Show("", pppd, "", -1);
        PollOnce(*monitor);
        return Calls(m_logger.ended) + (monitor->Records().empty() ? "" : " (still listed!)");
    });
}

// Each way a send can meet a stop, a hundred times over.
TEST_F(CallMonitorTest, StartAndStopHundredsOfTimesWhileItSendsNeverDeadlocks) {
    Dial("lv0", "Alpha");
    auto monitor = MakeMonitor(1ms);
    const auto delivered = [&] { return m_logger.counts.size(); };
    for (int cycle = 0; cycle < 300; ++cycle) {
        ASSERT_TRUE(monitor->StartMonitor());
        const auto before = delivered();
        if (cycle % 3 == 0) {
            // The window answers: a send completes before the stop.
            ASSERT_TRUE(m_window.RunUntil([&] { return delivered() > before; }));
        } else if (cycle % 3 == 1) {
            // The window goes with a send queued: the monitor is released and sends again.
            m_window.DropWhenQueued();
            ASSERT_TRUE(m_window.RunUntil([&] { return delivered() > before; }));
        }
        // Otherwise the window is busy elsewhere and the monitor is left waiting in its send.
        ASSERT_TRUE(monitor->StopMonitor());
    }
    // Sends that were cut short by a stop never reach the window afterwards.
    const auto total = delivered();
    m_window.RunUntil([] { return false; }, 50ms);
    EXPECT_EQ(delivered(), total);
    EXPECT_EQ(Calls(monitor->Records()), "Alpha 0s -;");
    EXPECT_TRUE(m_logger.ended.empty());
    EXPECT_FALSE(CCallMonitor(nullptr, m_window.Poster(), m_logger, {}).StartMonitor())
        << "no links to watch, no thread";
}

}  // namespace
}  // namespace linkvane
