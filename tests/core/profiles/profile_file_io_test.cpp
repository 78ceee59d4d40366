#include "core/profiles/profile_file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "core/profiles/profile_file.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return bytes;
}

std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(ProfileFileIo, FilesThatCannotBeOpenedSayFileOpenFailedAndLongOnesAreRefusedUnread) {
    testing::TempDir dir;
    fs::create_directory(dir.path() / "folder.idf");
    const fs::path missingDir = dir.path() / "missing" / "x.idf";

    for (const fs::path& path : {dir.path() / "absent.idf", dir.path() / "folder.idf"}) {
        auto read = ReadProfileFileBytes(path);
        ASSERT_FALSE(read.ok()) << path;
        EXPECT_EQ(read.error().message, "File open failed.");
    }
    auto written = WriteProfileFileBytes(missingDir, Pattern(kProfileFileSize, 0));
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().message, "File open failed.");
    // A folder at the path is not replaced (hostile_files_test has the other kinds of file).
    written = WriteProfileFileBytes(dir.path() / "folder.idf", Pattern(kProfileFileSize, 0));
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("not a regular file"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder.idf"));
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    // Short files are read for the decoder to refuse (see profile_transfer.t); long ones are
    // refused unread.
    const fs::path longFile = dir.path() / "long.idf";
    std::ofstream(longFile).close();
    fs::resize_file(longFile, 10'000'000);  // sparse: nothing to read
    auto refused = ReadProfileFileBytes(longFile);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message,
              "This file is not a profile file: it has 10000000 bytes, a profile file has 7136.");
}

// A write replaces the file whole and private; one that fails part way (here the file size
// limit cuts it off) leaves the earlier file whole. Neither leaves a temporary file behind.
TEST(ProfileFileIo, WritesReplaceAPrivateFileAndAFailedWriteLeavesTheEarlierFileWhole) {
    testing::TempDir dir;
    const fs::path path = dir.path() / "profile.idf";
    ASSERT_TRUE(WriteProfileFileBytes(path, Pattern(kProfileFileSize, 1)).ok());
    ASSERT_TRUE(WriteProfileFileBytes(path, Pattern(kProfileFileSize, 5)).ok());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto written = WriteProfileFileBytes(path, Pattern(kProfileFileSize, 9));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("profile.idf"), std::string::npos);
    auto bytes = ReadProfileFileBytes(path);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    EXPECT_EQ(*bytes, Pattern(kProfileFileSize, 5));
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace linkvane
