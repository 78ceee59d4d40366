// Odd file-system states at the paths the program writes and reads: links, named pipes,
// folders and devices in a file's place, loose modes, foreign owners, a killed writer, a lock
// held too long, a full disk. Everything runs against real files and real processes.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>

#include "core/clients/netscape.h"
#include "core/profiles/profile_file_io.h"
#include "core/profiles/registry_item.h"
#include "core/util/atomic_file.h"
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
        alarm(120);  // an open that blocks on a pipe ends the test as a failure, not a hang
    }
    void TearDown() override {
        alarm(0);
        ConfigHomeTest::TearDown();
    }
};

void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs body in a child process and gives its exit status (128 when it did not exit).
int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

struct Recorder final : ClientMessages {
    void ShowExclamation(std::string_view text, std::string_view) override {
        shown.emplace_back(text);
    }
    std::vector<std::string> shown;
};

enum class Node { kLinkToFile, kDanglingLink, kFifo, kFolder, kDevice };

// What replaces a regular file at path; "{}" is the old content of a linked file.
void MakeNode(Node node, const fs::path& path, const fs::path& linkTarget) {
    switch (node) {
        case Node::kLinkToFile:
            Put(linkTarget, "{}");
            fs::create_symlink(linkTarget, path);
            break;
        case Node::kDanglingLink:
            fs::create_symlink(linkTarget, path);
            break;
        case Node::kFifo:
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
            break;
        case Node::kFolder:
            fs::create_directory(path);
            break;
        case Node::kDevice:
            // The null device's own numbers: as root this is /dev/null under another name.
            ASSERT_EQ(mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
            break;
    }
}

// Each path the program writes, with whether a link there is followed to its target.
struct Writer {
    const char* what;
    fs::path path;
    bool followsLinks;
    std::function<bool()> write;  // true when the write succeeded
};

TEST_F(HostileFilesTest, OddNodesAtEveryWrittenPathAreRefusedOrFollowedButNeverReplaced) {
    const fs::path navigator = configHome() / "navigator";
    const fs::path prefs = navigator / "Users" / "Linkvaner" / "prefs.js";
    const fs::path out = configHome() / "export.idf";
    const fs::path phonebookPath = linkvaneDir() / "phonebook.json";
    const fs::path db = linkvaneDir() / "current_user.db";
    {
        SqliteRegistryStore setup(configHome() / "hklm");
        COXRegistryItem(setup, "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\")
            .SetStringValue("4.7", "CurrentVersion");
        COXRegistryItem(setup,
                        "\\LocalMachine\\SOFTWARE\\Netscape\\Netscape Navigator\\4.7\\Main\\")
            .SetStringValue(navigator.string(), "Install Directory");
    }
    fs::create_directories(prefs.parent_path());
    const std::vector<Writer> writers = {
        {"profile export", out, true,
         [&] { return WriteProfileFileBytes(out, std::vector<std::uint8_t>(7136, 'x')).ok(); }},
        {"phonebook", phonebookPath, true,
         [&] {
             PhonebookEntry entry;
             entry.name = "E";
             return PhonebookFile(phonebookPath).WriteEntry(entry).ok();
         }},
        {"prefs.js", prefs, false,
         [&] {
             SqliteRegistryStore store(configHome() / "hklm");
             Recorder messages;
             ApplyNetscapeSettings(store, ActiveProfile{}, messages);
             return messages.shown.empty();
         }},
        {"settings database", db, false,
         [&] {
             SqliteRegistryStore store(linkvaneDir());
             return COXRegistryItem(store, "\\Software\\X\\V").SetNumberValue(1);
         }},
    };
    for (const Node node :
         {Node::kLinkToFile, Node::kDanglingLink, Node::kFifo, Node::kFolder, Node::kDevice}) {
        for (const Writer& writer : writers) {
            const fs::path target = configHome() / "elsewhere";
            MakeNode(node, writer.path, target);
            struct stat before {};
            ASSERT_EQ(lstat(writer.path.c_str(), &before), 0);
            const bool written = writer.write();
            const auto kind = static_cast<int>(node);
            struct stat after {};
            ASSERT_EQ(lstat(writer.path.c_str(), &after), 0) << writer.what << " " << kind;
            // The node itself is never replaced: a link stays a link, a pipe a pipe.
            EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << writer.what << kind;
            const bool isLink = node == Node::kLinkToFile || node == Node::kDanglingLink;
            EXPECT_EQ(written, isLink && writer.followsLinks) << writer.what << " " << kind;
            if (isLink) {
                const bool changed = fs::exists(target) && Get(target) != "{}";
                EXPECT_EQ(changed, writer.followsLinks) << writer.what << " " << kind;
            }
            fs::remove_all(writer.path);
            fs::remove_all(target);
        }
    }
    // Reading a pipe, a folder or a device as a profile file fails at once.
    for (const Node node : {Node::kFifo, Node::kFolder, Node::kDevice}) {
        MakeNode(node, out, {});
        EXPECT_EQ(ReadProfileFileBytes(out).error().message, "File open failed.");
        fs::remove_all(out);
    }
    // The config folder itself being a file is an error, not an empty phonebook.
    fs::remove_all(linkvaneDir());
    Put(linkvaneDir(), "");
    EXPECT_EQ(PhonebookFile(phonebookPath).ListEntries().error().code, 621u);
    EXPECT_EQ(
        SqliteRegistryStore(linkvaneDir()).OpenKey(RegistryRoot::CurrentUser, "", false).error,
        267u);
}

// Loose modes of the user's own files are tightened with a warning; a foreign owner or a link
// is refused; and the codes say what happened: 5 for unreadable, 170 for a lock held too long,
// 112 for a full disk, never the "damaged" 1009.
TEST_F(HostileFilesTest, SettingsFilesArePrivateOwnAndDirectOrRefusedWithTheRightCode) {
    const fs::path db = linkvaneDir() / "current_user.db";
    {
        SqliteRegistryStore store(linkvaneDir());
        ASSERT_TRUE(COXRegistryItem(store, "\\Software\\X\\V").SetNumberValue(7));
    }
    auto open = [&](std::vector<std::string>* warnings) {
        SqliteRegistryStore store(linkvaneDir(), std::chrono::milliseconds(200),
                                  [warnings](const std::string& text) {
                                      if (warnings != nullptr)
                                          warnings->push_back(text);
                                  });
        return store.OpenKey(RegistryRoot::CurrentUser, "Software\\X", false).error;
    };
    auto modeOf = [](const fs::path& path) {
        struct stat info {};
        stat(path.c_str(), &info);
        return info.st_mode & 0777;
    };
    fs::permissions(linkvaneDir(), fs::perms::all);
    Put(db.string() + "-wal", "");
    fs::permissions(db, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::permissions(db.string() + "-wal", fs::perms::all);
    std::vector<std::string> warnings;
    EXPECT_EQ(open(&warnings), 0u);
    EXPECT_EQ(warnings.size(), 3u);  // the folder, the file and its journal
    EXPECT_EQ(modeOf(linkvaneDir()), 0700u);
    EXPECT_EQ(modeOf(db), 0600u);
    warnings.clear();
    EXPECT_EQ(open(&warnings), 0u);
    EXPECT_TRUE(warnings.empty());

    for (const fs::path& foreign : {db, fs::path(db.string() + "-wal"), linkvaneDir()}) {
        Put(db.string() + "-wal", "");  // the store removes it on its last close
        ASSERT_EQ(chown(foreign.c_str(), kNobody, kNobody), 0);
        EXPECT_EQ(open(nullptr), 5u) << foreign;
        ASSERT_EQ(chown(foreign.c_str(), getuid(), getgid()), 0);
    }
    EXPECT_EQ(open(nullptr), 0u);

    // Another process holds the file locked past the wait: busy, not damaged.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(open(nullptr), 170u);
    sqlite3_close(holder);
    EXPECT_EQ(open(nullptr), 0u);

    // As a user other than root: an unreadable file is denied (5); a read-only folder still
    // reads, and its writes are denied.
    fs::remove(db.string() + "-wal");
    fs::remove(db.string() + "-shm");
    ASSERT_EQ(chown(configHome().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(linkvaneDir().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(db.c_str(), kNobody, kNobody), 0);
    const int asNobody = InChild([&] {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
            return 10;
        fs::permissions(linkvaneDir(), fs::perms::owner_read | fs::perms::owner_exec);
        SqliteRegistryStore store(linkvaneDir());
        COXRegistryItem item(store, "\\Software\\X\\V");
        if (item.GetNumberValue() != 7)
            return 11;
        if (item.SetNumberValue(8) || (item.LastResult() & 0xFFFF) != 5)
            return 12;
        fs::permissions(linkvaneDir(), fs::perms::owner_all);
        fs::permissions(db, fs::perms::none);
        SqliteRegistryStore denied(linkvaneDir());
        return denied.OpenKey(RegistryRoot::CurrentUser, "", false).error == 5 ? 0 : 13;
    });
    EXPECT_EQ(asNobody, 0);

    // A full disk when the file is first made says so, with its own code.
    const int full = InChild([&] {
        const fs::path small = configHome() / "small";
        fs::create_directory(small);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
            mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
            return 20;
        Put(small / "filler", std::string(64 * 1024, 'f'));
        SqliteRegistryStore store(small);
        const auto error = store.OpenKey(RegistryRoot::CurrentUser, "", true).error;
        const bool said =
            store.Diagnose(RegistryRoot::CurrentUser).find("full") != std::string::npos;
        return error == 112 && said ? 0 : 21;
    });
    if (full == 20)
        GTEST_SKIP() << "no private tmpfs can be mounted here for the full-disk case";
    EXPECT_EQ(full, 0);
}

// A writer killed in the middle of phonebook writes leaves nothing that stays: the next write
// takes over or removes every temporary copy, and the phonebook is whole.
TEST_F(HostileFilesTest, KilledPhonebookWritersLeaveNoDebris) {
    const fs::path path = linkvaneDir() / "phonebook.json";
    Put(linkvaneDir() / ".phonebook.json.a1B2c3", "left by an older writer");
    for (unsigned round = 0; round < 5; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            PhonebookFile phonebook(path);
            for (int i = 0;; ++i) {
                PhonebookEntry entry;
                entry.name = "E" + std::to_string(i % 50);
                (void)phonebook.WriteEntry(entry);
            }
        }
        usleep(20000u + 7000u * round);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    PhonebookFile phonebook(path);
    PhonebookEntry entry;
    entry.name = "After";
    ASSERT_TRUE(phonebook.WriteEntry(entry));
    EXPECT_TRUE(phonebook.ReadEntry("after")->has_value());
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(linkvaneDir()))
        names.push_back(item.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"phonebook.json"});
}

}  // namespace
}  // namespace linkvane
