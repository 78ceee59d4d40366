// Odd file-system states at the paths the program writes and reads, against real files and
// real processes: links, pipes, folders and devices in a file's place, loose modes, foreign
// owners, a lock held too long, a full disk.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "core/clients/netscape.h"
#include "core/profiles/profile_file_io.h"
#include "core/profiles/registry_item.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;
constexpr uid_t kNobody = 65534;

class HostileFilesTest : public testing::ConfigHomeTest {
  protected:
    void SetUp() override {
        ConfigHomeTest::SetUp();
        fs::create_directories(linkvaneDir());
        fs::permissions(linkvaneDir(), fs::perms::owner_all);
        alarm(120);  // an open that blocks on a pipe fails the test instead of hanging it
    }
    void TearDown() override {
        alarm(0);
        ConfigHomeTest::TearDown();
    }
};

// The exit status of body run in a child process.
int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

struct Recorder final : ClientMessages {
    void ShowExclamation(std::string_view text, std::string_view) override { shown = text; }
    std::string shown;
};

// A link to a file holding "{}", a dangling link, a pipe, a folder, a device.
void MakeNode(int kind, const fs::path& path, const fs::path& linkTarget) {
    if (kind == 0)
        testing::WriteFileText(linkTarget, "{}");
    if (kind <= 1)
        fs::create_symlink(linkTarget, path);
    if (kind == 2) {
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    if (kind == 3)
        fs::create_directory(path);
    if (kind == 4) {  // the null device under another name
        ASSERT_EQ(mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    }
}

TEST_F(HostileFilesTest, OddNodesAtEveryWrittenPathAreRefusedOrFollowedButNeverReplaced) {
    const fs::path navigator = configHome() / "navigator";
    const fs::path prefs = navigator / "Users" / "Linkvaner" / "prefs.js";
    const fs::path profileFile = configHome() / "export.idf";
    const fs::path phonebook = linkvaneDir() / "phonebook.json";
    SqliteRegistryStore machine(configHome() / "machine");
    const std::string netscapeKey = "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\";
    COXRegistryItem(machine, netscapeKey).SetStringValue("4.7", "CurrentVersion");
    COXRegistryItem(machine, netscapeKey + "4.7\\Main\\")
        .SetStringValue(navigator.string(), "Install Directory");
    fs::create_directories(prefs.parent_path());
    const struct {
        fs::path path;
        bool followsLinks;
        std::function<bool()> write;
    } writers[] = {
        {profileFile, true,
         [&] { return WriteProfileFileBytes(profileFile, std::vector<std::uint8_t>(7136)).ok(); }},
        {phonebook, true,
         [&] {
             PhonebookEntry entry;
             entry.name = "E";
             return PhonebookFile(phonebook).WriteEntry(entry).ok();
         }},
        {prefs, false,
         [&] {
             Recorder messages;
             ApplyNetscapeSettings(machine, ActiveProfile{}, messages);
             return messages.shown.empty();
         }},
        {linkvaneDir() / "current_user.db", false,
         [&] {
             SqliteRegistryStore store(linkvaneDir());
             return COXRegistryItem(store, "\\Software\\X\\V").SetNumberValue(1);
         }},
    };
    for (int kind = 0; kind < 5; ++kind) {
        for (const auto& writer : writers) {
            const fs::path target = configHome() / "elsewhere";
            MakeNode(kind, writer.path, target);
            struct stat before {};
            struct stat after {};
            ASSERT_EQ(lstat(writer.path.c_str(), &before), 0);
            const bool written = writer.write();
            ASSERT_EQ(lstat(writer.path.c_str(), &after), 0);
            const std::string where = writer.path.filename().string() + " " + std::to_string(kind);
            EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << where;
            EXPECT_EQ(written, kind <= 1 && writer.followsLinks) << where;
            if (kind <= 1) {
                std::ifstream in(target);
                const bool changed =
                    in && std::string(std::istreambuf_iterator<char>(in), {}) != "{}";
                EXPECT_EQ(changed, writer.followsLinks) << where;
            }
            fs::remove_all(writer.path);
            fs::remove_all(target);
        }
    }
}

// Loose modes of one's own files are tightened with a warning; a foreign owner is refused; the
// codes say what happened: 5 unreadable, 170 locked past the wait, 112 disk full, never 1009.
TEST_F(HostileFilesTest, SettingsFilesArePrivateOwnAndDirectOrRefusedWithTheRightCode) {
    const fs::path db = linkvaneDir() / "current_user.db";
    const std::string wal = db.string() + "-wal";
    {  // Each file is made on its first use: the user's here, not the machine's.
        SqliteRegistryStore store(linkvaneDir());
        EXPECT_FALSE(fs::exists(db));
        ASSERT_TRUE(COXRegistryItem(store, "\\Software\\X\\V").SetNumberValue(7));
        EXPECT_FALSE(fs::exists(store.FileOf(RegistryRoot::LocalMachine)));
    }
    std::vector<std::string> warnings;
    auto open = [&] {
        SqliteRegistryStore store(linkvaneDir(), std::chrono::milliseconds(200),
                                  [&](const std::string& text) { warnings.push_back(text); });
        return store.OpenKey(RegistryRoot::CurrentUser, "Software\\X", false).error;
    };
    testing::WriteFileText(wal, "");
    for (const std::string& path : {linkvaneDir().string(), db.string(), wal})
        fs::permissions(path, fs::perms::all);
    EXPECT_EQ(open(), 0u);
    EXPECT_EQ(warnings.size(), 3u);  // the folder, the file, its journal
    EXPECT_EQ(fs::status(db).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(linkvaneDir()).permissions(), fs::perms::owner_all);
    for (const std::string& foreign : {db.string(), wal, linkvaneDir().string()}) {
        testing::WriteFileText(wal, "");  // the store removes it on its last close
        ASSERT_EQ(chown(foreign.c_str(), kNobody, kNobody), 0);
        EXPECT_EQ(open(), 5u) << foreign;
        ASSERT_EQ(chown(foreign.c_str(), getuid(), getgid()), 0);
    }
    sqlite3* holder = nullptr;  // another process's lock, held past the wait
    ASSERT_EQ(sqlite3_open(db.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(open(), 170u);
    sqlite3_close(holder);
    EXPECT_EQ(open(), 0u);

    // Another user: a read-only folder still reads and denies writes, also where its name
    // means something in a URI; an unreadable file is 5.
    const fs::path odd = configHome() / "50% off?#1";
    fs::create_directory(odd);
    fs::copy_file(db, odd / db.filename());
    for (const fs::path& path : {configHome(), linkvaneDir(), db, odd, odd / db.filename()})
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(InChild([&] {
                  if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
                      return 10;
                  for (const fs::path& folder : {linkvaneDir(), odd}) {
                      fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
                      SqliteRegistryStore store(folder);
                      COXRegistryItem item(store, "\\Software\\X\\V");
                      if (item.GetNumberValue() != 7 || item.SetNumberValue(8) ||
                          (item.LastResult() & 0xFFFF) != 5)
                          return 11;
                  }
                  fs::permissions(linkvaneDir(), fs::perms::owner_all);
                  fs::permissions(db, fs::perms::none);
                  return static_cast<int>(SqliteRegistryStore(linkvaneDir())
                                              .OpenKey(RegistryRoot::CurrentUser, "", false)
                                              .error);
              }),
              5);

    const int full = InChild([&] {
        const fs::path small = configHome() / "small";
        fs::create_directory(small);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
            mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
            return 20;
        testing::WriteFileText(small / "filler", std::string(64 * 1024, 'f'));
        SqliteRegistryStore store(small, std::chrono::seconds(1), nullptr);
        const bool said =
            store.Diagnose(RegistryRoot::CurrentUser).find("full") != std::string::npos;
        return store.OpenKey(RegistryRoot::CurrentUser, "", true).error == 112 && said ? 0 : 21;
    });
    if (full == 20)
        GTEST_SKIP() << "no private tmpfs can be mounted here for the full-disk case";
    EXPECT_EQ(full, 0);
}

}  // namespace
}  // namespace linkvane
