#include "ctl_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace linkvane::testing {

std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

nlohmann::json CtlResult::Json() const {
    nlohmann::json value = nlohmann::json::parse(out, nullptr, false);
    EXPECT_FALSE(value.is_discarded()) << "stdout is not JSON:\n" << out;
    return value.is_discarded() ? nlohmann::json() : value;
}

std::vector<std::string> CtlResult::ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::ostream& operator<<(std::ostream& os, const CtlResult& result) {
    return os << "exit " << result.exitCode << "\nstdout:\n"
              << result.out << "\nstderr:\n"
              << result.err;
}

CtlResult CtlTest::Run(const std::vector<std::string>& args, const std::string& input) {
    const auto inPath = scratch() / ("in" + std::to_string(m_runs + 1));
    std::ofstream(inPath, std::ios::binary) << input;
    return RunWithStdin(args, inPath.string());
}

CtlResult CtlTest::RunWithStdin(const std::vector<std::string>& args,
                                const std::string& stdinPath) {
    const std::string run = std::to_string(++m_runs);
    const auto outPath = scratch() / ("out" + run);
    const auto errPath = scratch() / ("err" + run);

    const std::string binary = LINKVANECTL_PATH;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY | O_NOCTTY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CtlResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << binary;
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFileText(outPath);
    result.err = ReadFileText(errPath);
    return result;
}

nlohmann::json CtlTest::RunJson(const std::vector<std::string>& args) {
    const CtlResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result;
    return result.Json();
}

void CtlTest::RunOk(const std::vector<std::string>& args) {
    const CtlResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result;
}

void CtlTest::UseConfigHome(const std::filesystem::path& dir) {
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
}

PseudoTerminal::PseudoTerminal() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return;
    }
    m_path = ptsname(m_master);
}

void PseudoTerminal::Type(const std::string& text) {
    ASSERT_EQ(write(m_master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

PseudoTerminal::~PseudoTerminal() {
    if (m_master >= 0)
        close(m_master);
}

}  // namespace linkvane::testing
