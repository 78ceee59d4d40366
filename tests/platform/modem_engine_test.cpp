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
#include <map>
#include <thread>

#include "core/connection/dial_events.h"
#include "core/connection/ras_dialer.h"
#include "platform/modem_talk.h"
#include "platform/phonebook_file.h"
#include "platform/ppp_links.h"
#include "platform/serial_line.h"
#include "support/dial_peers.h"
#include "support/golden.h"
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
// and the fix (golden/modem_outcomes.txt: "pppd's scenario | modem script | password | which
// pppd"); the line is released whatever the end. Each modem answer over the line is here once;
// the dialogue's every answer is the core's table.
TEST_F(ModemEngineTest, EveryOutcomeOfTheDialIsReportedAndTheLineReleased) {
    const std::filesystem::path noExec = m_dir.path() / "bin" / "pppd";
    std::filesystem::create_directories(noExec.parent_path());
    std::filesystem::copy_file(STAND_IN_PPPD, noExec);
    std::filesystem::permissions(noExec, std::filesystem::perms::owner_read);
    const std::filesystem::path named = m_dir.path() / "pppd";  // a stand-in named pppd
    std::filesystem::copy_file(STAND_IN_PPPD, named);
    const std::map<std::string, std::filesystem::path> pppds{{"stand-in", STAND_IN_PPPD},
                                                             {"absent", m_dir.path() / "absent"},
                                                             {"not executable", noExec},
                                                             {"without peers", named},
                                                             {"no modem", STAND_IN_PPPD}};
    // Missing for every row: only a pppd named so reads it, once it may run.
    options.pppd.peersFile = m_dir.path() / "peers" / "linkvane";
    testing::ExpectGoldenAnswers("platform/golden/modem_outcomes.txt", [&](const std::string& q) {
        std::vector<std::string> fields;
        for (std::size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 3)
            fields.push_back(q.substr(from, (bar = q.find(" | ", from)) - from));
        ::setenv("LINKVANE_PPPD_SCENARIO", fields.at(0).c_str(), 1);
        options.pppd.pppdPath = pppds.at(fields.at(3));
        Start(fields.at(1) == "-" ? "" : fields[1]);
        if (fields[3] == "no modem") {
            EXPECT_TRUE(
                m_phonebook.WriteEntry(testing::DialEntry("Work", "/dev/ttyNoModem", "5551")));
        }
        m_dialer->SetPassword(fields.at(2));
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(m_dialer->Dial(), 0);
        EXPECT_TRUE(RunUntilEnded()) << q;
        // A child of pppd that writes on holds the dial no longer than the log's drain.
        EXPECT_LT(Clock::now() - start, 5s) << q;
        std::string outcome;
        for (const std::string& event : m_sink.Outcome())
            outcome += event + (event == "disconnected" ? "" : ", ");
        for (std::string text : m_sink.texts) {
            if (text.size() > 120)  // a log line that pppd wrote too long, cut: its length is kept
                text = text.substr(0, 80) + "... (" + std::to_string(text.size()) + " bytes)";
            for (std::size_t at; (at = text.find(m_dir.path().string())) != std::string::npos;)
                text.replace(at, m_dir.path().string().size(), "<dir>");
            outcome += " / " + text;
        }
        EXPECT_TRUE(LineReleased()) << q;
        EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "run" / "ppp0.pid")) << q;
        m_dialer.reset();
        m_modem.reset();
        return outcome;
    });
}

TEST_F(ModemEngineTest, DialsTheEntrysNumberAfterResetInitAndCarrierDetect) {
    Start("", "555-0100", "ATL0M0");
    PhonebookEntry entry = *m_phonebook.ReadEntry("Work").value();
    entry.properties.options = 1;  // RASEO_UseCountryAndAreaCodes
    entry.properties.countryCode = 44;
    entry.properties.areaCode = "20";
    ASSERT_TRUE(m_phonebook.WriteEntry(entry));
    ASSERT_EQ(m_dialer->Dial(), 0);
    ASSERT_TRUE(m_queue.RunUntil([this] { return m_dialer->GetConnected(); }));
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

// Every set-up command has one deadline from when it is sent, however the answer trickles in
// (NULs in answers are the dialogue's, in the core's table). A probe keeps its lines and their
// number bounded.
TEST_F(ModemEngineTest, AModemThatDripsBytesHoldsNoCommandPastItsAnswerTime) {
    options.answerTime = 400ms;
    const std::pair<std::string, std::chrono::milliseconds> drips[] = {
        {std::string(40, 'x'), 100ms}, {"\r\nOK\r\n", 150ms}};
    for (const auto& drip : drips) {
        PtyModem modem([&](const std::string&) { return drip.first; }, drip.second);
        Attach(modem.device());
        const Clock::time_point start = Clock::now();
        ASSERT_EQ(m_dialer->Dial(), 0);
        ASSERT_TRUE(RunUntilEnded());
        EXPECT_LT(Clock::now() - start, 2s) << drip.first;
        EXPECT_EQ(m_sink.Outcome(), (std::vector<std::string>{"failed 25692", "disconnected"}));
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

// The lock directory is everyone's (golden/uucp_locks.txt: what lies at the lock's path, and
// for a file or a link's target what it holds): taking the lock neither hangs nor follows a
// link, and only a regular file naming a dead process is taken over.
TEST_F(ModemEngineTest, OnlyALockNamingADeadProcessIsTakenOverWhateverLiesThere) {
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const pid_t live = ::getppid();
    const auto text = [](pid_t pid) { return "      " + std::to_string(pid) + "\n"; };
    const std::map<std::string, std::string> contents{
        {"dead", text(dead)},
        {"live", text(live)},
        {"binary-live", std::string(reinterpret_cast<const char*>(&live), 4)}};
    const std::filesystem::path device = m_dir.path() / "ttyTest";
    const std::filesystem::path lock = m_dir.path() / "lock" / UucpLockName(device);
    const std::filesystem::path target = m_dir.path() / "target";
    testing::ExpectGoldenAnswers("platform/golden/uucp_locks.txt", [&](const std::string& q) {
        const std::string node = q.substr(0, q.find(' '));  // file, fifo, folder or link
        const std::string held = q.size() > node.size() ? q.substr(node.size() + 1) : "";
        const std::string content = contents.contains(held) ? contents.at(held) : held;
        const std::filesystem::path made = node == "link" ? target : lock;
        if (node == "folder")
            std::filesystem::create_directory(made);
        else if (node == "fifo" || (content.empty() && node == "link"))
            EXPECT_EQ(::mkfifo(made.c_str(), 0600), 0);
        else
            testing::WriteFileText(made, content);
        if (node == "link")
            std::filesystem::create_symlink(target, lock);
        struct stat before {};
        ::lstat(lock.c_str(), &before);
        std::string answer;
        {
            UucpLock taken;
            const std::optional<DialEnd> refused = taken.Take(m_dir.path() / "lock", device);
            struct stat after {};
            EXPECT_EQ(::lstat(lock.c_str(), &after), 0);
            if (refused) {
                answer = "refused " + std::to_string(refused->errorCode) +
                         (refused->text.find(lock.string()) == std::string::npos ? "" : ", named") +
                         (after.st_ino == before.st_ino ? ", left alone" : ", replaced");
            } else {
                const std::string mine = std::to_string(::getpid()) + "\n";
                answer = testing::ReadFileText(lock).find(mine) == std::string::npos
                             ? "taken without our pid"
                             : "taken";
            }
        }
        std::filesystem::remove_all(lock);
        std::filesystem::remove_all(target);
        return answer;
    });
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
