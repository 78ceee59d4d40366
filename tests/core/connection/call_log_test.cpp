#include "core/connection/call_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <sstream>

#include "support/golden.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;

// golden/call_log_lines.txt: a call's seconds and entry name, and the line logged for it (its
// line end left off), which the reader takes apart again. Hours are not capped; no name adds
// a line.
TEST(CallLog, LineCarriesUncappedHoursAndOneLinePerCallWhateverTheName) {
    const std::string date = "Monday 7 December 2026", time = "14:03:07";
    testing::ExpectGoldenAnswers(
        "core/connection/golden/call_log_lines.txt", [&](const std::string& call) {
            const std::size_t space = call.find(' ');
            const std::int32_t seconds = std::stoi(call.substr(0, space));
            const std::string line = FormatCallLogLine(call.substr(space + 1), date, time, seconds);
            const auto parsed = ParseCallLogLine(line);
            const bool back = parsed && parsed->durationSeconds == seconds &&
                              parsed->time == time && parsed->date == date;
            return line.substr(0, line.size() - 1) + (line.ends_with('\n') ? "" : " (no end)") +
                   (back ? "" : " (reads back otherwise)");
        });
    EXPECT_FALSE(ParseCallLogLine(""));  // the other lines that are no call: log.t
}

// A no-break space, shown as <nb>, keeps the time one word.
TEST(CallLog, TimeFormatsAreForcedTo24HoursAsOneWord) {
    testing::ExpectGoldenAnswers(
        "core/connection/golden/time_formats.txt", [](const std::string& format) {
            std::string forced = Force24HourTimeFormat(format);
            for (std::size_t at; (at = forced.find("\xC2\xA0")) != std::string::npos;)
                forced.replace(at, 2, "<nb>");
            return forced;
        });
}

// Odd nodes at the log's path: the viewer, the writer and the reader refuse them at once (a
// pipe would block them, /dev/zero would feed them without end) and leave them as they are;
// a regular file with a line of 64 MB is read with that line cut. golden/call_log_nodes.txt:
// each node, and what the three do with it.
TEST(CallLog, OddNodesAtTheLogAreRefusedWithoutWaitingAndHugeLinesAreCut) {
    alarm(120);  // an open that blocks fails the test instead of hanging it
    testing::TempDir dir;
    const std::map<std::string, std::function<void(const fs::path&)>> makers{
        {"pipe", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }},
        {"huge line",
         [](const fs::path& p) {
             testing::WriteFileText(p, "");
             fs::resize_file(p, 64 << 20);
         }},
    };
    testing::ExpectGoldenAnswers("core/connection/golden/call_log_nodes.txt", [&](auto& node) {
        const fs::path log = dir.path() / node / "connect.log";
        fs::create_directories(log.parent_path());
        makers.at(node)(log);
        const auto type = fs::symlink_status(log).type();
        const auto pieces = ReadCallLogPieces(log);
        std::string lines;
        const Status read = ForEachCallLogLine(log, MissingLog::kEmpty, [&](const LogLine& line) {
            lines += (lines.empty() ? "" : "; ") + std::to_string(line.text.size()) +
                     (line.cut ? " cut" : "");
        });
        const bool written = AppendCallLog(log, "Late - d t (0:00:01)\n").ok();
        return "viewer: " + (pieces ? std::to_string(pieces->size()) + " pieces" : "refused") +
               ", reader: " +
               (read.ok() ? lines
                : read.error().message.find(log.string()) != std::string::npos
                    ? "refused, naming the log"
                    : "refused") +
               ", writer: " + (written ? "wrote" : "refused") +
               (fs::symlink_status(log).type() == type ? "" : ", changed!");
    });
    alarm(0);
}

// A log of three calls ("A" with the largest counts, "B" without counts, "C" with 7 bytes
// in) and its companion, with verbs that damage either. golden/call_records.txt: each damage
// and what the reader then sees: "A+" for a call with a record, "A" for one without, then the
// record's bytes in where it has counts.
class CallRecordTest : public ::testing::Test {
  public:
    void Call(const std::string& entry, std::optional<LinkVolume> volume = {}) {
        ASSERT_TRUE(AppendCallLog(log, FormatCallLogLine(entry, "Monday", "14:03:07", 60),
                                  CallFacts{"2026-12-07T14:03:07-09:30", volume}));
    }
    void Replace(const fs::path& file, const std::string& from, const std::string& to) {
        std::string text = testing::ReadFileText(file);
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        testing::WriteFileText(file, text.replace(at, from.size(), to));
    }
    std::string Line(int call) const {
        std::istringstream text(testing::ReadFileText(calls));
        std::string line;
        for (int i = 0; i <= call; ++i)
            std::getline(text, line);
        return line;
    }
    // Line `call` of the companion with `from` replaced by `to` and sealed with a fresh
    // checksum (FNV-1a of what comes before it), so that only the fields' rules can refuse it.
    void Forge(int call, const std::string& from, const std::string& to) {
        const std::string line = Line(call);
        std::string text = line.substr(0, line.rfind(' '));
        text.replace(text.find(from), from.size(), to);
        std::uint32_t hash = 2166136261u;
        for (const char c : text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        char check[9];
        std::snprintf(check, sizeof check, "%08x", hash);
        Replace(calls, line, text + " " + check);
    }
    std::string Read() const {
        std::string seen;
        EXPECT_TRUE(ForEachLoggedCall(log, [&](const LoggedCall& logged) {
            ASSERT_TRUE(logged.call) << logged.line.text;
            seen += logged.call->entryName;
            if (logged.record) {
                seen += "+";
                EXPECT_EQ(MonthOfCallStart(logged.record->facts.start), "2026-12");
            }
            if (logged.record && logged.record->facts.volume)
                seen += std::to_string(logged.record->facts.volume->bytesIn);
            seen += ";";
        }));
        return seen;
    }

    testing::TempDir dir;
    fs::path log = dir.path() / "connect.log";
    fs::path calls = CallRecordPath(log);
};

TEST_F(CallRecordTest, DamagedMissingOrHostileCompanionOnlyLeavesLinesWithoutARecord) {
    alarm(120);
    const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    const std::map<std::string, std::function<void(CallRecordTest&)>> damages{
        {"intact", [](auto&) {}},
        {"missing", [](auto& t) { fs::remove(t.calls); }},
        {"cut short", [](auto& t) { fs::resize_file(t.calls, fs::file_size(t.calls) - 3); }},
        {"flipped byte", [](auto& t) { t.Replace(t.calls, "- -", "- 1"); }},
        {"sound record with one count", [](auto& t) { t.Forge(1, "- -", "- 9"); }},
        {"sound record with another key",
         [](auto& t) {
             CallRecord forged = DecodeCallRecord(t.Line(1)).value();
             ++forged.lineKey;
             t.Replace(t.calls, t.Line(1) + "\n", EncodeCallRecord(forged));
         }},
        {"garbage and a huge line",
         [](auto& t) {
             const std::string text = testing::ReadFileText(t.calls);
             testing::WriteFileText(
                 t.calls, "LVC1 0 1\n\xFF\n" + std::string(1 << 20, '9') + "\n" + text + "LVC1");
         }},
        {"pipe", [](auto& t) { fs::remove(t.calls), mkfifo(t.calls.c_str(), 0600); }},
        {"link to /dev/zero",
         [](auto& t) { fs::remove(t.calls), fs::create_symlink("/dev/zero", t.calls); }},
        {"line edited out of the log", [](auto& t) { t.Replace(t.log, "B - ", "Bee - "); }},
        {"log emptied, then a call",
         [](auto& t) {
             fs::resize_file(t.log, 0);
             t.Call("D", LinkVolume{4, 4});
         }},
        {"the log's last line end lost, then a call",
         [](auto& t) {
             fs::resize_file(t.log, fs::file_size(t.log) - 1);
             t.Call("D", LinkVolume{4, 4});
         }},
        {"record cut short, then a call",
         [](auto& t) {
             fs::resize_file(t.calls, fs::file_size(t.calls) - 3);
             t.Call("D", LinkVolume{4, 4});
         }},
    };
    testing::ExpectGoldenAnswers("core/connection/golden/call_records.txt", [&](auto& damage) {
        fs::remove(log);
        fs::remove(calls);
        Call("A", LinkVolume{max, max});
        Call("B");
        Call("C", LinkVolume{7, 0});
        damages.at(damage)(*this);
        return Read();
    });
    alarm(0);
}

TEST(CallLog, SummarySumsStopAtTheLargestValueInsteadOfOverflowing) {
    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t all = std::numeric_limits<std::uint64_t>::max();
    const struct {
        std::int64_t first, second, total;
        std::optional<LinkVolume> firstVolume, volume;
    } cases[] = {
        {3599999999999, 3599999999999, 7199999999998, std::nullopt, LinkVolume{1, 1}},
        {most, 1, most, LinkVolume{all, 1}, LinkVolume{all, 2}},
        {most - 1, most, most, LinkVolume{1, all}, LinkVolume{2, all}},
    };
    for (const auto& c : cases) {
        CallSummary summary;
        summary.Add({"E", "no month here", "t", c.first},
                    CallRecord{0, 0, {"2026-12-07T14:03:07+01:00", c.firstVolume}});
        summary.Add({"E", "no month here", "t", c.second},
                    CallRecord{0, 0, {"2026-12-31T23:59:59+01:00", LinkVolume{1, 1}}});
        EXPECT_EQ(summary.Totals(),
                  (std::vector<MonthlyCalls>{{"E", "2026-12", 2, c.total, c.volume}}));
    }
}

}  // namespace
}  // namespace linkvane
