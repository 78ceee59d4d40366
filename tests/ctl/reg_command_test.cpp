#include <sys/stat.h>

#include "core/profiles/regedit_file.h"
#include "ctl_test_support.h"

namespace linkvane::testing {
namespace {

using nlohmann::json;

class CtlReg : public CtlTest {};

TEST_F(CtlReg, ParseShowsThePartsAfterTheNormalisationsWithoutOpeningTheStore) {
    struct Case {
        std::string path, machine, root, keyPath, valueName, full;
    };
    const Case cases[] = {
        {"abc", "", "\\CurrentUser", "\\abc\\", "", "\\CurrentUser\\abc\\"},
        {"\\Software\\Kestrom\\Linkvane\\Default", "", "\\CurrentUser",
         "\\Software\\Kestrom\\Linkvane\\", "Default",
         "\\CurrentUser\\Software\\Kestrom\\Linkvane\\Default"},
        {"\\\\server\\LocalMachine\\Software\\X", "\\\\server", "\\LocalMachine", "\\Software\\",
         "X", "\\\\server\\LocalMachine\\Software\\X"},
        {"\\localmachine\\Software\\X", "", "\\localmachine", "\\Software\\", "X",
         "\\localmachine\\Software\\X"},
        {"\\LocalMachineX\\Software\\X", "", "\\CurrentUser", "\\LocalMachineX\\Software\\", "X",
         "\\CurrentUser\\LocalMachineX\\Software\\X"},
        {"\\\\\\", "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        const json parts = RunJson({"reg", "parse", c.path, "--json"});
        const json expected = {{"machine", c.machine},
                               {"root", c.root},
                               {"keyPath", c.keyPath},
                               {"valueName", c.valueName},
                               {"path", c.full}};
        EXPECT_EQ(parts, expected) << c.path;
    }
    EXPECT_FALSE(std::filesystem::exists(linkvaneDir()));
}

TEST_F(CtlReg, AddQueryAndDeleteRoundTripEveryType) {
    struct Case {
        std::string type, data;
        json shown;
        std::string exported;  // the value's line in a REGEDIT4 export: the bytes stored
    };
    const Case cases[] = {
        {"REG_SZ", "gr\xC3\xBC\xC3\x9F \"quoted\"", "gr\xC3\xBC\xC3\x9F \"quoted\"",
         "\"V\"=\"gr\xC3\xBC\xC3\x9F \\\"quoted\\\"\""},
        {"REG_SZ", "", "", "\"V\"=\"\""},
        // Bytes that are not UTF-8 are replaced in JSON, and stored as they came.
        {"REG_SZ", "\xFF", "\xEF\xBF\xBD", "\"V\"=\"\xFF\""},
        {"REG_EXPAND_SZ", "%HOME%\\x", "%HOME%\\x", "\"V\"=hex(2):25,48,4f,4d,45,25,5c,78,00"},
        {"REG_DWORD", "0x3c", 60, "\"V\"=dword:0000003c"},
        {"reg_dword", "4294967295", 4294967295u, "\"V\"=dword:ffffffff"},
        {"REG_DWORD_BIG_ENDIAN", "0x01020304", 0x01020304, "\"V\"=hex(5):01,02,03,04"},
        {"REG_BINARY", "01,02 ff", "0102ff", "\"V\"=hex:01,02,ff"},
        {"REG_BINARY", "DEADbeef", "deadbeef", "\"V\"=hex:de,ad,be,ef"},
        {"REG_BINARY", "", "", "\"V\"=hex:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type + " " + c.data);
        RunOk({"reg", "add", "\\Software\\Test\\V", c.type, c.data});
        const json value = RunJson({"reg", "query", "\\Software\\Test\\V", "--json"});
        std::string canonical = c.type;
        for (char& ch : canonical)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(value, (json{{"type", canonical}, {"data", c.shown}}));
        const CtlResult exported = Run({"reg", "export", "-", "\\Software\\Test\\"});
        EXPECT_NE(exported.out.find("\n" + c.exported + "\n"), std::string::npos) << exported;

        RunOk({"reg", "delete", "\\Software\\Test\\V"});
        const CtlResult gone = Run({"reg", "query", "\\Software\\Test\\V", "--json"});
        EXPECT_EQ(gone.exitCode, 1);
        EXPECT_TRUE(gone.out.empty());
        ASSERT_EQ(gone.ErrLines().size(), 1u) << gone;
        EXPECT_TRUE(gone.err.ends_with("(code 2)\n")) << gone;
    }
    // The default value through "NoName", in the other root.
    RunOk({"reg", "add", "\\LocalMachine\\Software\\Test\\NoName", "REG_SZ", "default"});
    EXPECT_EQ(RunJson({"reg", "query", "\\LocalMachine\\Software\\Test\\noname", "--json"}),
              (json{{"type", "REG_SZ"}, {"data", "default"}}));
}

TEST_F(CtlReg, AddRefusesBadTypesAndDataAsUsageErrorsAndWritesNothing) {
    const std::vector<std::vector<std::string>> refused = {
        {"\\Software\\Test\\V", "REG_DWORD", "4294967296"},
        {"\\Software\\Test\\V", "REG_DWORD", "-1"},
        {"\\Software\\Test\\V", "REG_DWORD", "12x"},
        {"\\Software\\Test\\V", "REG_DWORD", ""},
        {"\\Software\\Test\\V", "REG_DWORD_BIG_ENDIAN", "0x100000000"},
        {"\\Software\\Test\\V", "REG_BINARY", "1"},
        {"\\Software\\Test\\V", "REG_BINARY", "0g"},
        {"\\Software\\Test\\V", "REG_MULTI_SZ", "a"},
        {"\\Software\\Test\\V", "REG_TEXT", "a"},
        {"\\Software\\Test\\", "REG_SZ", "a"},  // a key, not a value
    };
    for (const auto& args : refused) {
        std::vector<std::string> command = {"reg", "add"};
        command.insert(command.end(), args.begin(), args.end());
        const CtlResult result = Run(command);
        EXPECT_EQ(result.exitCode, 2) << args[1] << " " << args[2] << "\n" << result;
        EXPECT_NE(result.err.find("usage: linkvanectl reg add PATH TYPE DATA"), std::string::npos);
    }
    const CtlResult key = Run({"reg", "query", "\\Software\\Test\\"});
    EXPECT_EQ(key.exitCode, 1) << key;
    EXPECT_NE(key.err.find("(code 2)"), std::string::npos);
}

TEST_F(CtlReg, QueryOfAKeyListsSubkeysAndValuesWithTheDefaultNamedEmpty) {
    RunOk({"reg", "add", "\\Software\\K\\NoName", "REG_SZ", "dflt"});
    RunOk({"reg", "add", "\\Software\\K\\Count", "REG_DWORD", "7"});
    RunOk({"reg", "add", "\\Software\\K\\Sub One\\X", "REG_SZ", "x"});
    RunOk({"reg", "add", "\\Software\\K\\sub2\\Y", "REG_BINARY", "00"});
    const json expected = {
        {"subkeys", {"Sub One", "sub2"}},
        {"values",
         {{"", {{"type", "REG_SZ"}, {"data", "dflt"}}},
          {"Count", {{"type", "REG_DWORD"}, {"data", 7}}}}},
    };
    EXPECT_EQ(RunJson({"reg", "query", "\\CurrentUser\\Software\\K\\", "--json"}), expected);

    const CtlResult text = Run({"reg", "query", "\\Software\\K\\"});
    EXPECT_EQ(text.out,
              "\\CurrentUser\\Software\\K\\\n"
              "    (Default)    REG_SZ    dflt\n"
              "    Count    REG_DWORD    0x00000007 (7)\n"
              "\\CurrentUser\\Software\\K\\Sub One\\\n"
              "\\CurrentUser\\Software\\K\\sub2\\\n");

    const CtlResult remote = Run({"reg", "query", "\\\\server\\Software\\K\\", "--json"});
    EXPECT_EQ(remote.exitCode, 1);
    EXPECT_TRUE(remote.err.ends_with("(code 53)\n")) << remote;
}

TEST_F(CtlReg, DeleteOfAKeyRemovesItsSubtreeButNeverARoot) {
    RunOk({"reg", "add", "\\Software\\K\\Sub\\Deep\\X", "REG_SZ", "x"});
    RunOk({"reg", "add", "\\Software\\Keep\\Y", "REG_SZ", "y"});
    RunOk({"reg", "delete", "\\Software\\K\\"});
    EXPECT_EQ(Run({"reg", "query", "\\Software\\K\\Sub\\Deep\\X"}).exitCode, 1);
    EXPECT_EQ(RunJson({"reg", "query", "\\Software\\", "--json"})["subkeys"], json({"Keep"}));

    const CtlResult root = Run({"reg", "delete", "\\CurrentUser\\"});
    EXPECT_EQ(root.exitCode, 1);
    EXPECT_TRUE(root.err.ends_with("(code 5)\n")) << root;
    const CtlResult missing = Run({"reg", "delete", "\\Software\\Keep\\Nothing"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.ends_with("(code 2)\n")) << missing;
}

TEST_F(CtlReg, ExportThenImportIntoAFreshConfigHomeGivesTheSameExport) {
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\Default", "REG_SZ", "Demon \"Dial\""});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\NoName", "REG_SZ", "line\nbreak"});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Linkvane\\RedialTimeout", "REG_DWORD", "60"});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Path", "REG_EXPAND_SZ", "%HOME%"});
    RunOk({"reg", "add", "\\Software\\Kestrom\\Be", "REG_DWORD_BIG_ENDIAN", "1"});
    std::string longBinary;
    for (int i = 0; i < 100; ++i)
        longBinary += "a5";
    RunOk({"reg", "add", "\\LocalMachine\\Software\\Kestrom\\Blob", "REG_BINARY", longBinary});
    const auto file = scratch() / "all.reg";
    RunOk({"reg", "export", file.string()});
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string before = ReadFileText(file);
    EXPECT_TRUE(before.starts_with("REGEDIT4\n")) << before;
    EXPECT_NE(before.find("[HKEY_LOCAL_MACHINE\\Software\\Kestrom]"), std::string::npos);

    TempDir fresh;
    UseConfigHome(fresh.path());
    RunOk({"reg", "import", file.string()});
    EXPECT_EQ(Run({"reg", "export", "-"}).out, before);
    // A subtree export goes to stdout the same way.
    const CtlResult subtree = Run({"reg", "export", "-", "\\LocalMachine\\Software\\Kestrom\\"});
    EXPECT_EQ(subtree.exitCode, 0) << subtree;
    EXPECT_TRUE(subtree.out.starts_with("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Kestrom]\n"))
        << subtree;

    // A faulty file changes nothing and names its line.
    const CtlResult faulty =
        Run({"reg", "import", "-"}, "REGEDIT4\n\n[HKEY_CURRENT_USER\\New]\n\"A\"=dword:zz\n");
    EXPECT_EQ(faulty.exitCode, 1);
    EXPECT_EQ(faulty.err,
              "linkvanectl: Line 4: a dword value needs 1 to 8 hexadecimal digits. "
              "(code 13)\n");
    EXPECT_EQ(Run({"reg", "export", "-"}).out, before);
    EXPECT_EQ(Run({"reg", "export", "-", "\\Software\\Kestrom\\Be"}).exitCode, 2);
}

TEST_F(CtlReg, ExitCodesOfTheCommandLine) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"reg"}, 2},
        {{"reg", "frob"}, 2},
        {{"reg", "query"}, 2},
        {{"reg", "query", "a", "b"}, 2},
        {{"reg", "query", "a", "--jsn"}, 2},
        {{"phonebook", "add", "X", "--phone"}, 2},
        {{"phonebook", "add", "X"}, 2},
        {{"reg", "export", "/nonexistent-dir/x.reg"}, 1},
        {{"reg", "import", "/nonexistent-dir/x.reg"}, 1},
        {{"reg", "import", "/"}, 1},
        {{"--help"}, 0},
        {{"reg", "--help"}, 0},
        {{"profile", "show", "--help"}, 0},
        {{"help", "apply"}, 0},
    };
    for (const Case& c : cases) {
        const CtlResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result;
        if (c.exitCode == 2) {
            EXPECT_NE(result.err.find("usage: linkvanectl"), std::string::npos) << result;
        }
        if (c.exitCode == 1) {
            EXPECT_EQ(result.ErrLines().size(), 1u) << result;
        }
    }
    const CtlResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "linkvanectl 1.15\n");
}

}  // namespace
}  // namespace linkvane::testing
