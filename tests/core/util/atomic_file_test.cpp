#include "core/util/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <sstream>

#include "support/golden.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;

// golden/atomic_writes.txt: what lies at "target" before the write, and the write's mode,
// whether it follows links and whether writers are locked; then what the write does: the file
// written with its mode, what the target then is and how many entries the folder holds (no
// temporary file is left), or the stage and reason of its refusal, the target left as it was.
TEST(AtomicFile, ReplacesOnlyRegularFilesAndSaysWhyItCannot) {
    const std::map<std::string, std::function<void(const fs::path&)>> makers{
        {"nothing", [](const fs::path&) {}},
        {"an old file", [](const fs::path& t) { testing::WriteFileText(t, "old"); }},
        {"a link to a file",
         [](const fs::path& t) {
             testing::WriteFileText(t.parent_path() / "real", "old");
             fs::create_symlink("real", t);
         }},
        {"a dangling link", [](const fs::path& t) { fs::create_symlink("real", t); }},
        {"a link to itself", [](const fs::path& t) { fs::create_symlink("target", t); }},
        {"a folder", [](const fs::path& t) { fs::create_directory(t); }},
        {"a named pipe", [](const fs::path& t) { ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0); }},
        {"a link into a missing folder",
         [](const fs::path& t) { fs::create_symlink("missing/file", t); }},
        {"a crashed write's leftover",
         [](const fs::path& t) { testing::WriteFileText(t.parent_path() / ".target.tmp", "ol"); }},
    };
    const std::map<fs::file_type, const char*> kTypes{{fs::file_type::regular, "a file"},
                                                      {fs::file_type::symlink, "a link"}};
    testing::ExpectGoldenAnswers("core/util/golden/atomic_writes.txt", [&](const std::string& q) {
        const std::size_t slash = q.find(" / ");
        AtomicWriteOptions options;
        std::istringstream(q.substr(slash + 3)) >> std::oct >> options.mode >>
            options.followLinks >> options.writersLocked;
        testing::TempDir dir;
        const fs::path target = dir.path() / "target";
        makers.at(q.substr(0, slash))(target);
        const auto before = fs::symlink_status(target).type();
        if (const auto failure = ReplaceFileAtomically(target, "new", options)) {
            return "refused at stage " + std::to_string(static_cast<int>(failure->stage)) + ": " +
                   failure->Describe() +
                   (fs::symlink_status(target).type() == before ? "" : ", and changed!");
        }
        std::ostringstream done;
        done << testing::ReadFileText(target) << ", mode " << std::oct
             << static_cast<int>(fs::status(target).permissions()) << ", "
             << kTypes.at(fs::symlink_status(target).type()) << ", "
             << std::distance(fs::directory_iterator(dir.path()), {}) << " entries";
        return done.str();
    });
}

}  // namespace
}  // namespace linkvane
