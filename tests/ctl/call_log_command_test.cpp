#include <signal.h>

#include <filesystem>
#include <fstream>

#include "ctl_test_support.h"
#include "support/stand_in_pppd.h"

namespace linkvane::testing {
namespace {

using nlohmann::json;

class CtlCallLog : public CtlTest {
  protected:
    void InstallLog() {
        std::filesystem::create_directories(dataHome() / "linkvane");
        std::filesystem::copy_file(SourcePath("tests/ctl/golden/connect.log"),
                                   dataHome() / "linkvane" / "connect.log");
    }
};

TEST_F(CtlCallLog, LogListsTheLinesInFileOrderAndAddsUpEachEntrysMonths) {
    const CtlResult none = Run({"log"});
    EXPECT_EQ(none.exitCode, 0) << none;
    EXPECT_EQ(none.out, "");
    EXPECT_FALSE(std::filesystem::exists(dataHome() / "linkvane" / "connect.log"));

    InstallLog();
    const CtlResult text = Run({"log"});
    EXPECT_EQ(text.exitCode, 0) << text;
    EXPECT_EQ(text.out, ReadFileText(SourcePath("tests/ctl/golden/connect.log")));

    const json calls = RunJson({"log", "--json"});
    ASSERT_EQ(calls["calls"].size(), 6u);
    EXPECT_EQ(calls["calls"][1], (json{{"entry", "Work"},
                                       {"start", "Tuesday, 1 December 2026 08:00:00"},
                                       {"date", "Tuesday, 1 December 2026"},
                                       {"time", "08:00:00"},
                                       {"durationSeconds", 90187}}));
    EXPECT_EQ(calls["calls"][4]["entry"], "Dash - In - Name");
    EXPECT_EQ(calls["unrecognised"], json::array({"not a call line"}));

    EXPECT_EQ(RunJson({"log", "--json", "--summary"})["summary"], json::parse(R"([
                  {"entry": "Dash - In - Name", "month": "2026-12", "calls": 1, "seconds": 60},
                  {"entry": "Demon Dial", "month": "2026-11", "calls": 1, "seconds": 3650},
                  {"entry": "Demon Dial", "month": "2026-12", "calls": 2, "seconds": 1859},
                  {"entry": "Work", "month": null, "calls": 1, "seconds": 10},
                  {"entry": "Work", "month": "2026-12", "calls": 1, "seconds": 90187}])"));
    const CtlResult summary = Run({"log", "--summary"});
    EXPECT_TRUE(
        summary.out.starts_with("Dash - In - Name\t2026-12\t1 call\t0:01:00\n"
                                "Demon Dial\t2026-11\t1 call\t1:00:50\n"))
        << summary;
}

TEST_F(CtlCallLog, LinksListsTheLivePppdsOfTheRunDirectory) {
    const auto run = scratch() / "run";
    std::filesystem::create_directories(run);
    StandIns standIns(scratch());
    const pid_t link = standIns.Start("pppd");
    WritePidFile(run / "ppp-Demon.pid", link);
    WritePidFile(run / "ppp-Stale.pid", 999999);
    EXPECT_EQ(
        RunJson({"links", "--json", "--run-dir", run.string()})["links"],
        (json::array(
            {{{"entry", "Demon"}, {"deviceType", "ppp"}, {"deviceName", ""}, {"pid", link}}})));
    EXPECT_EQ(Run({"links", "--run-dir", (scratch() / "none").string()}).exitCode, 1);
}

}  // namespace
}  // namespace linkvane::testing
