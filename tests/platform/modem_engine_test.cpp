// The modem engine against the simulated modem and a drip-feeding one on pseudo-terminals,
// pppd's stand-in and whatever lies at the lock's path, and the real pppd's reading of the
// engine's arguments and the peers file.

#include "platform/modem_engine.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <thread>

#include "core/connection/dial_events.h"
#include "core/connection/ras_dialer.h"
#include "platform/modem_talk.h"
#include "platform/phonebook_file.h"
#include "platform/ppp_links.h"
#include "platform/serial_line.h"
#include "support/dial_peers.h"
#include "support/temp_dir.h"
#include "tools/pty_modem.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::ModemSimulator;
using testing::PtyModem;
using testing::RecordingSink;
using testing::TaskQueue;
using Clock = std::chrono::steady_clock;

class ModemEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(m_dir.path() / "lock");
        std::filesystem::create_directories(m_dir.path() / "run");
        ::setenv("LINKVANE_PPPD_RUNDIR", (m_dir.path() / "run").c_str(), 1);
        ::setenv("LINKVANE_PPPD_PASSWORD", "s3cret", 1);
        ::setenv("LINKVANE_PPPD_SCENARIO", "up", 1);
        options.pppd.pppdPath = STAND_IN_PPPD;
        options.pppd.peersFile.clear();
        options.pppd.termGrace = 1s;
        options.lockDir = m_dir.path() / "lock";
        options.linkRecordDir = m_dir.path() / "records";
        options.dtrDrop = 20ms;
    }

    // Starts the simulator and a dialler for an entry that dials `number` on it.
    void Start(const std::string& script, const std::string& number = "5551",
               const std::string& init = "AT&F") {
        m_modem = std::make_unique<ModemSimulator>(MODEM_SIMULATOR, m_dir.path(), script);
        Attach(m_modem->device(), number, init);
    }
    // A dialler for an entry that dials `number` on `device`.
    void Attach(const std::filesystem::path& device, const std::string& number = "5551",
                const std::string& init = "AT&F") {
        m_sink = RecordingSink();
        ASSERT_TRUE(m_phonebook.WriteEntry(testing::DialEntry("Work", device, number, init)));
        m_dialer = std::make_unique<CRasDialer>(
            std::make_unique<ModemDialerEngine>(m_phonebook, options), m_queue.Poster());
        m_dialer->SetEventSink(&m_sink);
        m_dialer->SetEntryName("Work");
        m_dialer->SetUserName("jo");
        m_dialer->SetPassword("s3cret");
        m_dialer->SetDialTimeout(3);
    }
    bool RunUntilEnded() {
        return m_queue.RunUntil([this] { return m_sink.Ended(); }, 20s);
    }
    bool RunUntilState(std::int16_t state) {
        const std::string wanted = "state " + std::to_string(state);
        return m_queue.RunUntil([&] {
            return std::find(m_sink.events.begin(), m_sink.events.end(), wanted) !=
                   m_sink.events.end();
        });
    }
    std::filesystem::path LockFile() const {
        return m_dir.path() / "lock" / UucpLockName(m_modem->device());
    }
    bool LineReleased() const { return !std::filesystem::exists(LockFile()); }

    testing::TempDir m_dir;
    ModemEngineOptions options;
    PhonebookFile m_phonebook{m_dir.path() / "phonebook.json"};
    std::unique_ptr<ModemSimulator> m_modem;
    TaskQueue m_queue;
    RecordingSink m_sink;
    std::unique_ptr<CRasDialer> m_dialer;
};

// Every answer of pppd ends the dial with its code, and every failure to run names its cause
// and the fix; the line is released whatever the end.
TEST_F(ModemEngineTest, EveryOutcomeOfTheDialIsReportedAndTheLineReleased) {
    const std::filesystem::path noExec = m_dir.path() / "bin" / "pppd";
    std::filesystem::create_directories(noExec.parent_path());
    std::filesystem::copy_file(STAND_IN_PPPD, noExec);
    std::filesystem::permissions(noExec, std::filesystem::perms::owner_read);
    const std::filesystem::path named = m_dir.path() / "pppd";  // a stand-in named pppd
    std::filesystem::copy_file(STAND_IN_PPPD, named);
    const std::filesystem::path absent = m_dir.path() / "absent";
    const std::filesystem::path noPeers = m_dir.path() / "peers" / "linkvane";
    const std::string unknown = "failed " + std::to_string(kDialErrorUnknown);
    const struct Case {
        const char* script;
        const char* pppd;     // the stand-in's scenario
        std::string outcome;  // before "disconnected"
        const char* password = "s3cret";
        const char* says = "";  // in the first message
        std::filesystem::path pppdPath = STAND_IN_PPPD;
        std::filesystem::path peers = {};
        std::string device = {};
    } cases[] = {
        // One modem answer over the line; the dialogue's every answer is the core's table.
        {"5551=busy;echo=off", "up", "failed 25676"},
        {"", "up", "failed 25691", "wrong"},
        {"", "refused-hangup", "failed 25691", "wrong", "PAP authentication failed"},
        {"", "nego", "failed 25734"},
        {"", "drop:100", "state 8192"},
        {"", "noise drop:100", "state 8192"},
        {"", "babble nego", "failed 25734"},
        {"", "noise nego", "failed 25734"},
        {"5551=connect:0:300", "up", "state 8192"},
        {"", "up", unknown, "s3cret", "install the ppp package", absent},
        {"", "up", unknown, "s3cret", "dip group", noExec},
        {"", "up", unknown, "s3cret", "is missing", named, noPeers},
        {"", "up", "failed 25615", "s3cret", "plugged in", STAND_IN_PPPD, {}, "/dev/ttyNoModem"},
    };
    for (const Case& c : cases) {
        ::setenv("LINKVANE_PPPD_SCENARIO", c.pppd, 1);
        m_sink = RecordingSink();
        options.pppd.pppdPath = c.pppdPath;
        options.pppd.peersFile = c.peers;
        Start(c.script);
        if (!c.device.empty()) {
            ASSERT_TRUE(m_phonebook.WriteEntry(testing::DialEntry("Work", c.device, "5551")));
        }
        m_dialer->SetPassword(c.password);
        const Clock::time_point start = Clock::now();
        ASSERT_EQ(m_dialer->Dial(), 0);
        const std::string what = std::string(c.script) + " " + c.pppd + " " + c.pppdPath.string();
        ASSERT_TRUE(RunUntilEnded()) << what;
        // A child of pppd that writes on holds the dial no longer than the log's drain.
        EXPECT_LT(Clock::now() - start, 5s) << what;
        EXPECT_EQ(m_sink.Outcome(), (std::vector<std::string>{c.outcome, "disconnected"})) << what;
        for (const std::string& text : m_sink.texts) {
            EXPECT_NE(text, "") << what;
            EXPECT_LT(text.size(), kPppdLogLineLimit + 100) << what;
        }
        if (*c.says != '\0') {
            EXPECT_NE(m_sink.texts.at(0).find(c.says), std::string::npos) << m_sink.texts.at(0);
        }
        EXPECT_TRUE(LineReleased()) << what;
        EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "run" / "ppp0.pid")) << what;
        m_dialer.reset();
        m_modem.reset();
    }
}

TEST_F(ModemEngineTest, DialsTheEntrysNumberAfterResetInitAndCarrierDetect) {
    Start("", "555-0100", "ATL0M0");
    PhonebookEntry entry = *m_phonebook.ReadEntry("Work").value();
    entry.properties.options = 1;  // RASEO_UseCountryAndAreaCodes
    entry.properties.countryCode = 44;
    entry.properties.areaCode = "20";
    ASSERT_TRUE(m_phonebook.WriteEntry(entry));
    ASSERT_EQ(m_dialer->Dial(), 0);
    ASSERT_TRUE(RunUntilState(kRasConnected));
    EXPECT_TRUE(m_dialer->GetConnected());
    EXPECT_FALSE(LineReleased()) << "the line is locked while the call lasts";
    // The call is listed with its line and the name servers pppd reported, from the record.
    PppLinkOptions listing{m_dir.path() / "run", m_dir.path() / "net", STAND_IN_PPPD,
                           m_dir.path() / "records"};
    std::optional<ActiveConnection> link;
    for (int i = 0; i < 100 && !(link && link->nameServers.size() == 2); ++i) {
        if (const auto listed = PppLinks(listing).EnumConnections(); listed && listed->size() == 1)
            link = listed->at(0);
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(link);
    const ActiveConnection expected{
        "Work",       "modem", m_modem->device().string(),  link->handle, "ppp0",
        std::nullopt, "",      {"192.0.2.53", "192.0.2.54"}};
    EXPECT_EQ(*link, expected);
    const std::string pid = std::to_string(::getpid());
    EXPECT_EQ(testing::ReadFileText(LockFile()), std::string(10 - pid.size(), ' ') + pid + "\n");
    m_dialer->HangUp();
    ASSERT_TRUE(RunUntilEnded());
    EXPECT_EQ(m_modem->Transcript(), "ATZ\nATL0M0\nAT&C1\nATDT0044205550100\n");
    EXPECT_TRUE(LineReleased());
}

// Every set-up command has one deadline from when it is sent, however the answer trickles in;
// NULs around answers are passed over. A probe keeps its lines and their number bounded.
TEST_F(ModemEngineTest, AModemThatDripsBytesHoldsNoCommandPastItsAnswerTime) {
    options.answerTime = 400ms;
    const std::string nuls(2, '\0');
    const struct {
        PtyModem::Answer answer;
        std::chrono::milliseconds drip;
        std::string outcome;
    } cases[] = {
        {[](const std::string&) { return std::string(40, 'x'); }, 100ms, "failed 25692"},
        {[](const std::string&) { return std::string("\r\nOK\r\n"); }, 150ms, "failed 25692"},
        {[&](const std::string& command) {
             return nuls + (command.starts_with("ATD") ? "CONNECT 33600\r\n" : "OK\r\n");
         },
         0ms, "state 8192"},
    };
    for (const auto& c : cases) {
        PtyModem modem(c.answer, c.drip);
        Attach(modem.device());
        const Clock::time_point start = Clock::now();
        ASSERT_EQ(m_dialer->Dial(), 0);
        if (c.outcome == "state 8192") {
            ASSERT_TRUE(RunUntilState(kRasConnected));
            m_dialer->HangUp();
        }
        ASSERT_TRUE(RunUntilEnded());
        EXPECT_LT(Clock::now() - start, 2s) << c.outcome;
        EXPECT_EQ(m_sink.Outcome(), (std::vector<std::string>{c.outcome, "disconnected"}));
    }
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += "line\r\n";
    const struct {
        std::string answer;
        std::size_t lines;
        std::size_t longest;
    } probes[] = {
        {std::string(1 << 16, 'i') + "\r\nOK\r\n", 2, kModemLineLimit},
        {nuls + "OK\r\n", 1, 2},
        {many + "OK\r\n", kModemAnswerLines, 4},
    };
    for (const auto& p : probes) {
        PtyModem modem([&](const std::string&) { return p.answer; }, 0ms);
        SerialLine line;
        ASSERT_FALSE(line.Open(modem.device(), 115200));
        const Result<std::vector<std::string>> lines = AskModem(line.fd(), "ATI", 2s);
        ASSERT_TRUE(lines.ok());
        EXPECT_EQ(lines->size(), p.lines);
        EXPECT_EQ(lines->back(), "OK");
        EXPECT_EQ(std::ranges::max(*lines, {}, &std::string::size).size(), p.longest);
    }
}

// The lock directory is everyone's: whatever sits at the lock's path, taking the lock neither
// hangs nor follows a link, and only a regular file naming a dead process is taken over.
TEST_F(ModemEngineTest, OnlyALockNamingADeadProcessIsTakenOverWhateverLiesThere) {
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const pid_t live = ::getppid();
    const auto text = [](pid_t pid) { return "      " + std::to_string(pid) + "\n"; };
    const std::filesystem::path device = m_dir.path() / "ttyTest";
    const std::filesystem::path lock = m_dir.path() / "lock" / UucpLockName(device);
    const std::filesystem::path target = m_dir.path() / "target";
    const struct {
        const char* node;  // "file", "fifo" or "folder" at the lock's path, or a "link" to target
        std::string content;  // of the file; a link's target is a FIFO when it is empty
        bool taken = false;
    } cases[] = {
        {"file", text(dead), true},
        {"file", text(live)},
        {"file", "garbage\n"},
        {"file", ""},
        {"fifo", ""},
        {"folder", ""},
        {"link", ""},
        {"link", text(dead)},
        {"file", std::string(reinterpret_cast<const char*>(&live), 4)},  // binary form
    };
    for (const auto& c : cases) {
        const std::string node = c.node;
        const std::filesystem::path made = node == "link" ? target : lock;
        if (node == "folder")
            std::filesystem::create_directory(made);
        else if (node == "fifo" || (c.content.empty() && node == "link"))
            ASSERT_EQ(::mkfifo(made.c_str(), 0600), 0);
        else
            testing::WriteFileText(made, c.content);
        if (node == "link")
            std::filesystem::create_symlink(target, lock);
        struct stat before {};
        ::lstat(lock.c_str(), &before);
        {
            UucpLock taken;
            const std::optional<DialEnd> refused = taken.Take(m_dir.path() / "lock", device);
            ASSERT_EQ(refused.has_value(), !c.taken) << c.node << " " << c.content;
            struct stat after {};
            ASSERT_EQ(::lstat(lock.c_str(), &after), 0);
            if (refused) {
                EXPECT_EQ(refused->errorCode, kDialErrorPortInUse);
                EXPECT_NE(refused->text.find(lock.string()), std::string::npos) << refused->text;
                EXPECT_EQ(after.st_ino, before.st_ino) << "left alone: " << refused->text;
            } else {
                EXPECT_NE(testing::ReadFileText(lock).find(std::to_string(::getpid()) + "\n"),
                          std::string::npos);
            }
        }
        std::filesystem::remove_all(lock);
        std::filesystem::remove_all(target);
    }
}

// The real pppd reads every option before it looks for the kernel's PPP device: run with the
// engine's arguments and the peers file, it must fail only for want of PPP (4), never for an
// option (2). The peers file is put in place in a private mount namespace.
TEST(RealPppd, AcceptsTheEngineArgumentsAndThePeersFile) {
    if (!std::filesystem::exists(kDefaultPppdPath))
        GTEST_SKIP() << "pppd is not installed";
    testing::TempDir dir;
    std::filesystem::copy_file(PEERS_FILE, dir.path() / "linkvane");
    ModemSimulator modem(MODEM_SIMULATOR, dir.path(), "");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            ::_exit(100);
        std::filesystem::create_directories("/etc/ppp/peers");
        if (::mount(dir.path().c_str(), "/etc/ppp/peers", nullptr, MS_BIND, nullptr) != 0)
            ::_exit(100);
        SerialLine line;
        if (line.Open(modem.device(), 115200))
            ::_exit(101);
        PppdProcess pppd({kDefaultPppdPath, kPeersFile, 1s});
        if (pppd.Start(line.fd(), "jo", "s3cret", "Work"))
            ::_exit(102);
        while (!pppd.Reap())
            std::this_thread::sleep_for(10ms);
        std::string log;
        while (pppd.LogFd() >= 0)
            (void)pppd.ReadLog([&log](const std::string& text) { log += text + "\n"; });
        std::ofstream(dir.path() / "pppd.log") << log;
        ::_exit(*pppd.Reap());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100)
        GTEST_SKIP() << "no private mount namespace here";
    const std::string log = testing::ReadFileText(dir.path() / "pppd.log");
    EXPECT_EQ(WEXITSTATUS(status), 4) << log;
    EXPECT_NE(log.find("passwordfd.so"), std::string::npos) << log;
}

}  // namespace
}  // namespace linkvane
