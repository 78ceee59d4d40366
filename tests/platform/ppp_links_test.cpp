#include "platform/ppp_links.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "core/profiles/phonebook.h"
#include "platform/proc_files.h"
#include "support/golden.h"
#include "support/stand_in_pppd.h"
#include "support/temp_dir.h"

namespace linkvane {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::SleepProgram;
using testing::StandIns;

// A private run directory, interface folder and record folder, and stand-ins for pppd.
class PppLinksTest : public ::testing::Test {
  protected:
    PppLinksTest() {
        fs::create_directories(run);
        fs::create_directories(net);
    }
    PppLinkOptions Options() const {
        PppLinkOptions options;
        options.runDir = run;
        options.netDir = net;
        options.pppdPath = dir.path() / "no-such-pppd";
        options.recordDir = records;
        options.termGrace = 300ms;
        return options;
    }

    testing::TempDir dir;
    fs::path run = dir.path() / "run";
    fs::path net = dir.path() / "net";
    fs::path records = dir.path() / "records";
    StandIns standIns{dir.path()};
};

TEST(PppPidFile, AcceptsOnlyWhatPppdWrites) {
    testing::ExpectGoldenAnswers("platform/golden/ppp_pid_files.txt", [](const std::string& text) {
        const std::optional<PppPidFile> parsed = ParsePppPidFile(text);
        if (!parsed)
            return std::string("refused");
        return std::to_string(parsed->pid) + " " + parsed->interfaceName;
    });
}

TEST_F(PppLinksTest, ListsEachPppdOnceWithItsLinknameInterfaceAndLine) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const std::string line = ::ptsname(master);
    const int slave = ::open(line.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);

    const pid_t alpha = standIns.Start("pppd");
    const pid_t provider = standIns.Start("pppd", false, slave);
    const pid_t bare = standIns.Start("pppd");
    ::close(slave);
    // One pppd named by several files: the first name in byte order, whatever the folder's.
    for (const char* other : {"ppp-Zulu.pid", "ppp-Beta.pid"})
        testing::WriteFileText(run / other, std::to_string(alpha) + "\n");
    testing::WriteFileText(run / "ppp-Acme.pid", std::to_string(alpha) + "\nppp0\n");
    testing::WriteFileText(run / "ppp0.pid", std::to_string(alpha) + "\n");
    // lo stands in for an interface with an address: its 127.0.0.1 is read from the system.
    testing::WriteFileText(run / "ppp-Provider B.pid", std::to_string(provider) + "\nlo\n");
    testing::WriteFileText(run / "ppp3.pid", std::to_string(bare) + "\n");
    for (const char* netIf : {"lo", "eth0", "ppp0", "ppp1", "ppp3"})
        fs::create_directories(net / netIf / "statistics");
    // Whole 64-bit counters are read; a counter that is not a number leaves the volume unknown.
    const auto counters = [&](const char* netIf, const char* in, const char* out) {
        testing::WriteFileText(net / netIf / "statistics" / "rx_bytes", in);
        testing::WriteFileText(net / netIf / "statistics" / "tx_bytes", out);
    };
    counters("ppp0", "18446744073709551615\n", "0\n");
    counters("ppp1", "12x\n", "5\n");
    const LinkVolume full{18446744073709551615u, 0};

    PppLinks links(Options());
    const auto listed = links.EnumConnections();
    ASSERT_TRUE(listed) << listed.error().Describe();
    EXPECT_EQ(
        *listed,
        (std::vector<ActiveConnection>{
            {"Acme", "ppp", "ppp0", static_cast<std::uint64_t>(alpha), "ppp0", full, "", {}},
            {"Provider B",
             "modem",
             line,
             static_cast<std::uint64_t>(provider),
             "lo",
             std::nullopt,
             "127.0.0.1",
             {}},
            {"ppp1", "ppp", "ppp1", 0, "ppp1", std::nullopt, "", {}},
            {"ppp3", "ppp", "ppp3", static_cast<std::uint64_t>(bare), "ppp3", std::nullopt, "", {}},
        }));
    // The interface whose pppd is unknown cannot be ended from here.
    EXPECT_EQ(links.HangUp(0).ok(), false);
    ::close(master);
}

// golden/link_records.txt: record texts; only a whole record of a live pid is accepted.
TEST(LinkRecord, RoundTripsAndRefusesAnythingElse) {
    const LinkRecord record{4242, 987654321, "My \"ISP\"", "/dev/ttyUSB0", "ppp0", {"192.0.2.1"}};
    EXPECT_EQ(DecodeLinkRecord(EncodeLinkRecord(record)), record);
    testing::ExpectGoldenAnswers("platform/golden/link_records.txt", [](const std::string& text) {
        return std::string(DecodeLinkRecord(text) ? "accepted" : "refused");
    });
}

// Linkvane's record names the pppd of the entry with its line, interface and name servers; a
// pid file of the same interface that names another pppd (a provider's on this machine writes
// the same names) does not take the link over; records that do not hold are passed over; and
// hang-up without a name finds Linkvane's pppd by its command line.
TEST_F(PppLinksTest, LinkvaneRecordsNameTheirPppdWithItsLineAndNameServers) {
    const fs::path holder = testing::BinaryPath("tools/pppd_stand_in");
    const pid_t ours =
        standIns.StartAs("pppd", holder, {run.string(), "call", "linkvane", "ipparam", "Work"});
    const pid_t other = standIns.StartAs("pppd", holder, {run.string(), "ipparam", "Other"});
    const pid_t provider = standIns.Start("pppd");
    const pid_t gone = standIns.Start("pppd");
    ::kill(gone, SIGKILL);
    ASSERT_EQ(standIns.EndSignal(gone), SIGKILL);
    // An ipparam names the entry where a phonebook could hold that name, else the linkname does.
    const std::string longest(kMaxEntryNameLength, 'n');
    std::vector<std::uint64_t> longs;
    for (const std::string& name : {longest, longest + "n"}) {
        const pid_t pid = standIns.StartAs("pppd", holder, {run.string(), "ipparam", name});
        testing::WritePidFile(run / ("ppp-Long" + std::to_string(name.size()) + ".pid"), pid);
        longs.push_back(static_cast<std::uint64_t>(pid));
    }
    fs::create_directories(net / "ppp0");
    testing::WriteFileText(run / "ppp0.pid", std::to_string(provider) + "\n");
    std::optional<LinkRecordFile> record;
    record.emplace(records, LinkRecord{ours, 0, "Work", "/dev/ttyUSB7", {}, {}});
    record->Update("ppp0", {"192.0.2.1", "192.0.2.3"});
    // Records that name a process gone, or one that is not the process they were written for.
    const std::optional<std::uint64_t> otherStart = ProcessStartTime(other);
    ASSERT_TRUE(otherStart);
    const fs::path stale = records / (std::to_string(gone) + ".json");
    testing::WriteFileText(stale, EncodeLinkRecord({gone, 1, "Gone", "", "", {}}));
    testing::WriteFileText(records / (std::to_string(other) + ".json"),
                           EncodeLinkRecord({other, *otherStart + 1, "Other", "/dev/x", "", {}}));

    PppLinks links(Options());
    const auto listed = links.EnumConnections();
    ASSERT_TRUE(listed) << listed.error().Describe();
    EXPECT_EQ(*listed, (std::vector<ActiveConnection>{
                           {"Long256", "ppp", "", longs[1], "", std::nullopt, "", {}},
                           {"Work",
                            "modem",
                            "/dev/ttyUSB7",
                            static_cast<std::uint64_t>(ours),
                            "ppp0",
                            std::nullopt,
                            "",
                            {"192.0.2.1", "192.0.2.3"}},
                           {longest, "ppp", "", longs[0], "", std::nullopt, "", {}}}));
    EXPECT_FALSE(fs::exists(stale)) << "a record of a process that is gone is removed";
    const std::vector<LinkvanePppd> dialled = links.FindLinkvanePppds();
    EXPECT_NE(std::find(dialled.begin(), dialled.end(), LinkvanePppd{ours, "Work"}), dialled.end());
    for (const LinkvanePppd& found : dialled)
        EXPECT_TRUE(found.pid != other && found.pid != provider) << found.pid;

    record.reset();  // the dialler removes it when pppd has ended
    EXPECT_FALSE(fs::exists(records / (std::to_string(ours) + ".json")));
}

TEST_F(PppLinksTest, TrustsNoPidFileThatNamesAnythingButALivePppdNorHangsUpWithoutAList) {
    {  // A run directory that cannot be read lists nothing, so nothing is hung up.
        const pid_t link = standIns.Start("pppd");
        testing::WriteFileText(run / "ppp-A.pid", std::to_string(link) + "\n");
        PppLinkOptions options = Options();
        options.runDir = dir.path() / "missing";
        PppLinks links(options);
        EXPECT_EQ(links.EnumConnections().error().code, 2u);
        int pauses = 0;
        HangUpAllConnections(links, kHangUpPause, [&](std::chrono::milliseconds) { ++pauses; });
        EXPECT_EQ(pauses, 0);
        EXPECT_TRUE(standIns.Running(link));
        fs::remove(run / "ppp-A.pid");
    }
    const pid_t unrelated = standIns.Start("innocent");
    const pid_t gone = standIns.Start("pppd");
    ::kill(gone, SIGKILL);
    ASSERT_EQ(standIns.EndSignal(gone), SIGKILL);
    testing::WriteFileText(run / "ppp-unrelated.pid", std::to_string(unrelated) + "\n");
    testing::WriteFileText(run / "ppp-stale.pid", std::to_string(gone) + "\n");
    testing::WriteFileText(run / "ppp-init.pid", "1\n");
    testing::WriteFileText(run / "ppp-self.pid", std::to_string(::getpid()) + "\n");
    testing::WriteFileText(run / "ppp-group.pid", "-" + std::to_string(::getpgrp()) + "\n");
    testing::WriteFileText(run / "ppp-all.pid", "-1\n");
    testing::WriteFileText(run / "ppp-garbage.pid", "pppd\n");
    fs::create_directories(run / "ppp-dir.pid");

    PppLinks links(Options());
    const auto listed = links.EnumConnections();
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed->empty());
    for (pid_t pid : {unrelated, ::getpid(), pid_t{1}}) {
        const Status refused = links.HangUp(static_cast<std::uint64_t>(pid));
        EXPECT_FALSE(refused.ok()) << pid;
        EXPECT_EQ(refused.error().code, 6u);
    }
    EXPECT_TRUE(standIns.Running(unrelated));
    HangUpAllConnections(links, 0ms);
    EXPECT_TRUE(standIns.Running(unrelated));
}

TEST_F(PppLinksTest, ConfiguredPppdIsRecognisedByItsExecutable) {
    const fs::path copy = dir.path() / "stand-in-pppd";
    fs::copy_file(SleepProgram(), copy);
    fs::permissions(copy, fs::perms::owner_all);
    const pid_t dialler = standIns.Launch("linkd", copy, {"60"}, false, -1);
    testing::WriteFileText(run / "ppp-Work.pid", std::to_string(dialler) + "\n");

    PppLinkOptions options = Options();
    EXPECT_TRUE(PppLinks(options).EnumConnections()->empty());
    options.pppdPath = copy;
    PppLinks links(options);
    const auto listed = links.EnumConnections();
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 1u);
    EXPECT_EQ((*listed)[0].entryName, "Work");
    EXPECT_TRUE(links.HangUp((*listed)[0].handle).ok());
    EXPECT_EQ(standIns.EndSignal(dialler), SIGTERM);
}

TEST_F(PppLinksTest, HangUpAllEndsEveryLinkInOrderAndKillsOneThatIgnoresTerm) {
    const pid_t first = standIns.Start("pppd");
    const pid_t stubborn = standIns.Start("pppd", true);
    const pid_t last = standIns.Start("pppd");
    testing::WriteFileText(run / "ppp-A.pid", std::to_string(first) + "\n");
    testing::WriteFileText(run / "ppp-B.pid", std::to_string(stubborn) + "\nppp1\n");
    testing::WriteFileText(run / "ppp1.pid", std::to_string(stubborn) + "\n");
    testing::WriteFileText(run / "ppp-C.pid", std::to_string(last) + "\n");

    PppLinks links(Options());
    std::vector<std::pair<std::string, std::chrono::milliseconds>> steps;
    HangUpAllConnections(links, kHangUpPause, [&](std::chrono::milliseconds pause) {
        // After each hang-up: which links are still listed at this moment.
        std::string left;
        const auto listed = links.EnumConnections();
        for (const auto& link : *listed)
            left += link.entryName;
        steps.emplace_back(left, pause);
    });
    EXPECT_EQ(steps, (std::vector<std::pair<std::string, std::chrono::milliseconds>>{
                         {"BC", 1000ms}, {"C", 1000ms}, {"", 1000ms}}));
    EXPECT_EQ(standIns.EndSignal(first), SIGTERM);
    EXPECT_EQ(standIns.EndSignal(stubborn), SIGKILL);
    EXPECT_EQ(standIns.EndSignal(last), SIGTERM);
    // The killed pppd could not remove its pid files; they are gone all the same.
    EXPECT_FALSE(fs::exists(run / "ppp-B.pid"));
    EXPECT_FALSE(fs::exists(run / "ppp1.pid"));
}

}  // namespace
}  // namespace linkvane
