#include "core/profiles/profile_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "core/profiles/password_cipher.h"
#include "core/profiles/registry_item.h"
#include "platform/sqlite_registry_store.h"
#include "platform/xdg_autostart.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

class ProfileStoreTest : public testing::ConfigHomeTest {
  protected:
    SqliteRegistryStore registry{linkvaneDir()};
    ProfileStore store{registry};
};

// The shared sample at the limits the store keeps: the longest password, the largest numbers.
ProfileRecord FullProfile(const std::string& name) {
    ProfileRecord r = testing::DialUpProfile(name);
    r.login = "jdoe";
    r.useLan = 1;
    r.ePassword = std::string(kMaxPasswordLength, 'x');
    r.tweak = 42;
    r.popMinutes = 0xFFFFFFFFu;
    return r;
}

// A new profile starts with the mail check's safe mode; stored settings without it, like an
// imported file's, read as plain.
TEST_F(ProfileStoreTest, AMissingProfileLoadsEmptyAndEmptyOrUnreadablePasswordsAsEmpty) {
    ProfileRecord expected;
    expected.name = "Nowhere";
    expected.keyPath = "\\Software\\Kestrom\\Linkvane\\DialEntry\\Nowhere\\";
    expected.pop3Security = "auto";
    EXPECT_EQ(store.LoadProfile("Nowhere"), expected);

    ProfileRecord blank = expected;
    blank.pop3Security = "";
    ASSERT_TRUE(store.SaveProfile(blank, false));
    EXPECT_EQ(COXRegistryItem(registry, blank.keyPath + "Password").GetRawValue()->data,
              std::vector<std::uint8_t>{0});
    expected.pop3Security = "plain";
    EXPECT_EQ(store.LoadProfile("Nowhere"), expected);

    // A stored mail password too long for the cipher loads as none rather than garbled.
    COXRegistryItem(registry, blank.keyPath).SetStringValue(std::string(45, 'p'), "EPassword");
    EXPECT_EQ(store.LoadProfile("Nowhere").ePassword, "");
}

// A profile round-trips (the enciphered passwords and the numbers' REG_DWORD are shown in
// profile.t, as is clearing), and a name that would reach another key clears nothing. A save
// that the cipher or the store refuses is reported and writes nothing.
TEST_F(ProfileStoreTest, AProfileRoundTripsAndASaveTheCipherOrTheStoreRefusesWritesNothing) {
    ProfileRecord r = FullProfile("Long");
    ASSERT_TRUE(store.SaveProfile(r, false));
    EXPECT_EQ(store.LoadProfile("Long"), r);
    COXRegistryItem key(registry, ProfileKeyPath("Long"));
    EXPECT_EQ(key.GetRawValue("HTTPProxyPort")->type, RegType::Sz);  // ports are the typed text
    EXPECT_FALSE(store.ClearProfile(""));  // would name the whole profile folder
    EXPECT_FALSE(store.ClearProfile("a\\b"));
    r.login = "changed";
    r.password = std::string(40, 'p');
    auto status = store.SaveProfile(r, false);
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().message.find("39"), std::string::npos) << status.error().message;
    EXPECT_EQ(store.LoadProfile("Long"), FullProfile("Long"));

    // 256 bytes is a valid entry name, one more than a registry key name can hold.
    const std::string name(256, 'n');
    status = store.SaveProfile(FullProfile(name), false);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().code, 161u) << status.error().message;
    EXPECT_EQ(store.LoadProfile(name).login, "");
}

TEST_F(ProfileStoreTest, ASaveCutOffByACrashLeavesAllOldValuesOrAllNew) {
    ASSERT_TRUE(store.SaveProfile(FullProfile("Crash"), false));
    // The child dies in the middle of its save: inside the transaction, after half the values.
    const pid_t child = fork();
    if (child == 0) {
        auto* reg = new SqliteRegistryStore(linkvaneDir());
        auto tx = reg->BeginTransaction(RegistryRoot::CurrentUser);
        COXRegistryItem item(*reg, ProfileKeyPath("Crash"));
        item.SetStringValue("half", "Login");
        item.SetStringValue("half", "Username");
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(store.LoadProfile("Crash"), FullProfile("Crash"));
}

TEST_F(ProfileStoreTest, ASaveThatCannotHaveTheWriteLockChangesNothingAndSaysSo) {
    ASSERT_TRUE(store.SaveProfile(FullProfile("Busy"), false));
    SqliteRegistryStore impatientRegistry(linkvaneDir(), std::chrono::milliseconds(20));
    ProfileStore impatient(impatientRegistry);
    ASSERT_EQ(impatient.LoadProfile("Busy").login, "jdoe");  // the file is open and readable

    auto otherWriter = registry.BeginTransaction(RegistryRoot::CurrentUser);
    ASSERT_EQ(otherWriter->error(), 0u);
    ProfileRecord changed = FullProfile("Busy");
    changed.login = "changed";
    auto status = impatient.SaveProfile(changed, false);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().code, 170u);  // busy
    EXPECT_FALSE(impatient.SaveGlobalSettings(GlobalSettings{}));
    otherWriter.reset();
    EXPECT_EQ(store.LoadProfile("Busy"), FullProfile("Busy"));
    EXPECT_TRUE(impatient.SaveProfile(changed, false));  // the lock is free again
}

TEST_F(ProfileStoreTest, RedialValuesLoadOnlyWhileRedialIsEnabledAndStringsLoadExpanded) {
    GlobalSettings g;
    g.launchEmail = 1;
    g.enableRedial = 0;
    g.redialTimeout = 90;
    g.redialAttempts = 3;
    g.startMinimised = 1;
    g.url1Label = "News";
    g.url1Loc = "http://news.example/";
    g.app1Path = "/usr/bin/xterm";
    g.browserPath = "/usr/bin/firefox";
    ASSERT_TRUE(store.SaveGlobalSettings(g));
    ASSERT_TRUE(store.SetDefaultProfile("My ISP"));

    auto loaded = store.LoadGlobalSettings();
    GlobalSettings expected = g;
    expected.redialTimeout = 0;
    expected.redialAttempts = 0;
    EXPECT_EQ(loaded.settings, expected);
    EXPECT_EQ(loaded.defaultProfile, "My ISP");

    g.enableRedial = 1;
    ASSERT_TRUE(store.SaveGlobalSettings(g));
    EXPECT_EQ(store.LoadGlobalSettings().settings, g);

    setenv("LINKVANE_TEST_HOME", "/home/tester", 1);
    ASSERT_TRUE(COXRegistryItem(registry, "\\Software\\Kestrom\\Linkvane\\EmailPath")
                    .SetStringValue("%LINKVANE_TEST_HOME%/bin/mail", {}, true));
    EXPECT_EQ(store.LoadGlobalSettings().settings.emailPath, "/home/tester/bin/mail");
}

TEST_F(ProfileStoreTest, StartWithLoginWritesTheRunValueAndTheAutostartEntry) {
    XdgAutostart autostart(configHome() / "autostart");
    ASSERT_TRUE(store.SetStartWithWindows(true, "/opt/link vane/linkvane", autostart));
    COXRegistryItem run(
        registry, "\\LocalMachine\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Linkvaner");
    EXPECT_EQ(run.GetStringValue(), "/opt/link vane/linkvane");
    const std::string entry = testing::ReadFileText(autostart.EntryPath());
    EXPECT_NE(entry.find("Exec=\"/opt/link vane/linkvane\"\n"), std::string::npos) << entry;

    ASSERT_TRUE(store.SetStartWithWindows(false, "/opt/link vane/linkvane", autostart));
    EXPECT_EQ(run.GetStringValue(), "");
    EXPECT_EQ(run.LastResult(), 0);  // present and empty
    EXPECT_FALSE(std::filesystem::exists(autostart.EntryPath()));
}

TEST(DesktopExecQuote, EscapesWhatAnEntryWouldOtherwiseInterpret) {
    EXPECT_EQ(DesktopExecQuote("/usr/bin/linkvane").value(), "\"/usr/bin/linkvane\"");
    EXPECT_EQ(DesktopExecQuote("/a$b`c\"d%e\\f").value(), "\"/a\\\\$b\\\\`c\\\\\"d%%e\\\\\\\\f\"");
    EXPECT_FALSE(DesktopExecQuote("/a\nExec=rm"));
}

}  // namespace
}  // namespace linkvane
