#include "core/util/shell_open.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "support/golden.h"
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
    // Each setting and what is done with it (golden/shell_open.txt). A bare name is a program
    // only on the search path; a drive letter is no scheme; nothing that could smuggle a second
    // command or names no real file is launched.
    testing::ExpectGoldenAnswers(
        "core/util/golden/shell_open.txt", [&](const std::string& setting) {
            const OpenPlan plan = PlanShellOpen(setting, context);
            const char* kinds[] = {"nothing", "program", "document", "address"};
            return std::string(kinds[static_cast<int>(plan.kind)]) +
               (plan.target.empty() ? "" : " " + plan.target);
        });
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
