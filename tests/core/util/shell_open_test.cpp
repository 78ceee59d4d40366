#include "core/util/shell_open.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "support/temp_dir.h"

namespace linkvane {
namespace {

TEST(ShellOpen, DecidesBetweenProgramDocumentAndAddress) {
    const std::set<std::string> executables{"/usr/bin/thunderbird", "/opt/mail/run",
                                            "/home/jo/bin/tool", "/home/jo/run.sh"};
    OpenContext context;
    context.workingDir = "/home/jo";
    context.search = {"/usr/local/bin", "/usr/bin"};
    context.isExecutableFile = [&](const std::filesystem::path& p) {
        return executables.contains(p.string());
    };
    const struct {
        const char* setting;
        OpenPlan plan;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"\"\"", {}},
        {"http://example.org/", {OpenKind::Url, "http://example.org/"}},
        {"  HTTPS://Example.org/a b ", {OpenKind::Url, "HTTPS://Example.org/a b"}},
        {"mailto:jo@example.org", {OpenKind::Url, "mailto:jo@example.org"}},
        {"file:///home/jo/notes.txt", {OpenKind::Url, "file:///home/jo/notes.txt"}},
        {"www.example.org", {OpenKind::Url, "http://www.example.org"}},
        {"WWW.Example.org/x", {OpenKind::Url, "http://WWW.Example.org/x"}},
        {"ftp.example.org", {OpenKind::Url, "ftp://ftp.example.org"}},
        {"www.", {OpenKind::Document, "/home/jo/www."}},
        {"thunderbird", {OpenKind::Program, "/usr/bin/thunderbird"}},
        {"\"thunderbird\"", {OpenKind::Program, "/usr/bin/thunderbird"}},
        {"/opt/mail/run", {OpenKind::Program, "/opt/mail/run"}},
        {"bin/tool", {OpenKind::Program, "/home/jo/bin/tool"}},
        {"./run.sh", {OpenKind::Program, "/home/jo/run.sh"}},
        // A bare name is a program only on the search path; one in the working directory
        // is neither run nor opened.
        {"run.sh", {}},
        {"/home/jo/letter.odt", {OpenKind::Document, "/home/jo/letter.odt"}},
        {"docs/../letter.odt", {OpenKind::Document, "/home/jo/letter.odt"}},
        {"notes.txt", {OpenKind::Document, "/home/jo/notes.txt"}},
        // A drive letter is not a scheme; on this system it is just a (missing) file.
        {"C:\\Program Files\\mail.exe",
         {OpenKind::Document, "/home/jo/C:\\Program Files\\mail.exe"}},
        // Nothing that could smuggle a second command or name no real file is launched.
        {"/opt/mail/run\n/bin/rm", {}},
        {"thunderbird\t\r", {}},
        {"x\x7f", {}},
        {"http://a\nb", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlanShellOpen(c.setting, context), c.plan) << c.setting;
}

TEST(ShellOpen, ProcessContextFindsRealExecutablesOnly) {
    testing::TempDir dir;
    const auto script = dir.path() / "tool";
    const auto text = dir.path() / "readme";
    std::ofstream(script) << "#!/bin/sh\n";
    std::ofstream(text) << "hello\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    EXPECT_TRUE(IsExecutableFile(script));
    EXPECT_FALSE(IsExecutableFile(text));
    EXPECT_FALSE(IsExecutableFile(dir.path()));
    EXPECT_FALSE(IsExecutableFile(dir.path() / "missing"));

    const OpenContext context = ProcessOpenContext();
    EXPECT_TRUE(context.workingDir.is_absolute());
    EXPECT_EQ(PlanShellOpen("sh", context).kind, OpenKind::Program);
    EXPECT_EQ(PlanShellOpen(script.string(), context),
              (OpenPlan{OpenKind::Program, script.string()}));
    EXPECT_EQ(PlanShellOpen(text.string(), context), (OpenPlan{OpenKind::Document, text.string()}));
}

}  // namespace
}  // namespace linkvane
