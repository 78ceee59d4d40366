#include "core/util/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;
using Stage = AtomicWriteFailure::Stage;

// What lies at "target" before the write, and what the write says: nothing, or its stage and
// reason. Whatever is refused stays as it was.
TEST(AtomicFile, ReplacesOnlyRegularFilesAndSaysWhyItCannot) {
    const struct {
        const char* name;
        std::function<void(const fs::path& target)> make;
        AtomicWriteOptions options;
        std::optional<Stage> refused;
        const char* why;
    } cases[] = {
        {"a new file", [](const fs::path&) {}, {0640}, std::nullopt, ""},
        {"an old file", [](const fs::path& t) { testing::WriteFileText(t, "old"); }, {}, {}, ""},
        {"a link followed to its file",
         [](const fs::path& t) {
             testing::WriteFileText(t.parent_path() / "real", "old");
             fs::create_symlink("real", t);
         },
         {},
         std::nullopt,
         ""},
        {"a link not to be followed",
         [](const fs::path& t) { fs::create_symlink("real", t); },
         {0600, false},
         Stage::kNotRegular,
         "it is a symbolic link, which is not followed here"},
        {"links in a circle",
         [](const fs::path& t) { fs::create_symlink("target", t); },
         {},
         Stage::kNotRegular,
         "it is a symbolic link, which is not followed here"},
        {"a folder",
         [](const fs::path& t) { fs::create_directory(t); },
         {},
         Stage::kNotRegular,
         "it is not a regular file"},
        {"a named pipe",
         [](const fs::path& t) { ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0); },
         {},
         Stage::kNotRegular,
         "it is not a regular file"},
        {"a link into a missing folder",
         [](const fs::path& t) { fs::create_symlink("missing/file", t); },
         {},
         Stage::kCreate,
         "No such file or directory"},
        {"a crashed write's leftover, taken over",
         [](const fs::path& t) { testing::WriteFileText(t.parent_path() / ".target.tmp", "ol"); },
         {0600, true, true},
         std::nullopt,
         ""},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        const fs::path target = dir.path() / "target";
        c.make(target);
        const auto before = fs::symlink_status(target).type();
        const auto failure = ReplaceFileAtomically(target, "new", c.options);
        ASSERT_EQ(failure.has_value(), c.refused.has_value()) << c.name;
        if (failure) {
            EXPECT_EQ(failure->stage, *c.refused) << c.name;
            EXPECT_EQ(failure->Describe(), c.why) << c.name;
            EXPECT_EQ(fs::symlink_status(target).type(), before) << c.name;
            continue;
        }
        EXPECT_EQ(testing::ReadFileText(target), "new") << c.name;
        EXPECT_EQ(fs::status(target).permissions(), static_cast<fs::perms>(c.options.mode));
        EXPECT_EQ(fs::symlink_status(target).type(),
                  before == fs::file_type::not_found ? fs::file_type::regular : before);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}),
                  before == fs::file_type::symlink ? 2 : 1)
            << c.name << ": no temporary file is left";
    }
}

}  // namespace
}  // namespace linkvane
