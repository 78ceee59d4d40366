#include "core/profiles/regedit_file.h"
#include "ctl_test_support.h"

namespace linkvane::testing {
namespace {

using nlohmann::json;

class CtlApply : public CtlTest {
  protected:
    // The value as the REGEDIT4 export of every root shows it; nullopt when it is not there.
    std::optional<RegistryValue> Exported(RegistryRoot root, const std::string& key,
                                          const std::string& name) {
        const CtlResult exported = Run({"reg", "export", "-"});
        EXPECT_EQ(exported.exitCode, 0) << exported;
        auto keys = ParseRegFile(exported.out);
        EXPECT_TRUE(keys.ok()) << exported.out;
        if (!keys)
            return std::nullopt;
        for (const RegFileKey& k : *keys) {
            if (k.root != root || k.path != key)
                continue;
            for (const RegFileValue& v : k.values) {
                if (v.name == name)
                    return v.value;
            }
        }
        return std::nullopt;
    }
};

TEST_F(CtlApply, WritesTheStartPageUnderBothRootsAndTheAutodialEntry) {
    RunOk({"phonebook", "add", "Demon Dial", "--phone", "1"});
    RunOk({"profile", "set", "Demon Dial", "SetIE", "1"});
    RunOk({"profile", "set", "Demon Dial", "Homepage", "http://www.demon.net/"});
    const CtlResult applied = Run({"apply", "Demon Dial"});
    EXPECT_EQ(applied.exitCode, 0) << applied;
    EXPECT_EQ(applied.out, "Applied: Internet Explorer and autodial.\n");
    EXPECT_TRUE(applied.err.empty()) << applied;

    const RegistryValue startPage = MakeStringValue("http://www.demon.net/");
    EXPECT_EQ(Exported(RegistryRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                       "Start Page"),
              startPage);
    EXPECT_EQ(Exported(RegistryRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer\\Main",
                       "Start Page"),
              startPage);
    EXPECT_EQ(Exported(RegistryRoot::CurrentUser,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                       "EnableAutoDial"),
              MakeDwordValue(1));
    EXPECT_EQ(Exported(RegistryRoot::CurrentUser, "RemoteAccess", "InternetProfile"),
              MakeStringValue("Demon Dial"));

    const json report = RunJson({"apply", "Demon Dial", "--json"});
    EXPECT_EQ(report, (json{{"profile", "Demon Dial"},
                            {"entryExists", true},
                            {"netscape", false},
                            {"internetExplorer", true},
                            {"accountManager", false},
                            {"mailAndNews", false},
                            {"messages", json::array()}}));
}

TEST_F(CtlApply, WarnsWithoutAnEntryAndRefusesAProfileWithoutSettings) {
    RunOk({"profile", "set", "LAN", "UseLan", "1"});
    const CtlResult nothing = Run({"apply", "LAN"});
    EXPECT_EQ(nothing.exitCode, 0) << nothing;
    EXPECT_TRUE(nothing.out.starts_with("No client settings to apply")) << nothing;
    EXPECT_NE(nothing.err.find("warning: there is no phonebook entry \"LAN\""), std::string::npos);
    EXPECT_EQ(Exported(RegistryRoot::CurrentUser, "RemoteAccess", "InternetProfile"), std::nullopt);

    const CtlResult missing = Run({"apply", "Nobody"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.ends_with("(code 2)\n")) << missing;
}

}  // namespace
}  // namespace linkvane::testing
