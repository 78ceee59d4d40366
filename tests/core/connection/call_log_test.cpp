#include "core/connection/call_log.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;

TEST(CallLog, LineCarriesUncappedHoursAndOneLinePerCallWhateverTheName) {
    const struct {
        std::string entry;
        std::int32_t seconds;
        std::string line;
    } cases[] = {
        {"Work", 59, "Work - Monday 7 December 2026 14:03:07 (0:00:59)\n"},
        {"Work", 25 * 3600 + 3 * 60 + 7, "Work - Monday 7 December 2026 14:03:07 (25:03:07)\n"},
        {"Work", 100 * 3600, "Work - Monday 7 December 2026 14:03:07 (100:00:00)\n"},
        {"Evil\nForged - x y (1:00:00)", 1,
         "Evil?Forged - x y (1:00:00) - Monday 7 December 2026 "
         "14:03:07 (0:00:01)\n"},
        {std::string(256, 'n'), 3600,
         std::string(256, 'n') + " - Monday 7 December 2026 14:03:07 (1:00:00)\n"},
    };
    for (const auto& c : cases) {
        const std::string line =
            FormatCallLogLine(c.entry, "Monday 7 December 2026", "14:03:07", c.seconds);
        EXPECT_EQ(line, c.line);
        // What the writer writes, the reader takes apart again.
        const auto parsed = ParseCallLogLine(line);
        ASSERT_TRUE(parsed) << line;
        EXPECT_EQ(parsed->durationSeconds, c.seconds);
        EXPECT_EQ(parsed->time, "14:03:07");
        EXPECT_EQ(parsed->date, "Monday 7 December 2026");
    }
    EXPECT_FALSE(ParseCallLogLine(""));  // the other lines that are no call: log.t
}

TEST(CallLog, ViewerPiecesAreAtMost254BytesAndAMissingLogIsCreatedEmpty) {
    testing::TempDir dir;
    const fs::path log = dir.path() / "linkvane" / "connect.log";
    const auto empty = ReadCallLogPieces(log);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    EXPECT_TRUE(fs::exists(log));

    const std::string euro = "\xE2\x82\xAC";  // three bytes
    std::ofstream(log, std::ios::binary) << std::string(600, 'x') << "\n"
                                         << "Short\r\n"
                                         << "\n"
                                         << std::string(253, 'y') << euro << "z\n"
                                         << std::string(254, 'w') << "\n"
                                         << "no line end";
    const auto pieces = ReadCallLogPieces(log);
    ASSERT_TRUE(pieces);
    EXPECT_EQ(*pieces,
              (std::vector<std::string>{std::string(254, 'x'), std::string(254, 'x'),
                                        std::string(92, 'x'), "Short", std::string(253, 'y'),
                                        euro + "z", std::string(254, 'w'), "no line end"}));
}

TEST(CallLog, TimeFormatsAreForcedTo24Hours) {
    const struct {
        const char* format;
        const char* forced;
    } cases[] = {
        {"h:mm:ss AP", "H:mm:ss"},
        {"hh:mm:ss ap t", "HH:mm:ss"},
        {"HH:mm:ss t", "HH:mm:ss"},
        {"AP h:mm:ss", "H:mm:ss"},
        {"H.mm.ss", "H.mm.ss"},
        {"h 'h' mm", "H 'h' mm"},
        {"h:mm:ss 'at' a", "H:mm:ss 'at'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Force24HourTimeFormat(c.format), c.forced) << c.format;
}

}  // namespace
}  // namespace linkvane
