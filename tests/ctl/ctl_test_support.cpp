#include "ctl_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace linkvane::testing {

nlohmann::json CtlResult::Json() const {
    nlohmann::json value = nlohmann::json::parse(out, nullptr, false);
    EXPECT_FALSE(value.is_discarded()) << "stdout is not JSON:\n" << out;
    return value.is_discarded() ? nlohmann::json() : value;
}

std::ostream& operator<<(std::ostream& os, const CtlResult& result) {
    return os << "exit " << result.exitCode << "\nstdout:\n"
              << result.out << "\nstderr:\n"
              << result.err;
}

CtlResult CtlTest::Run(const std::vector<std::string>& args) {
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
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
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

CtlResult CtlTest::RunOk(const std::vector<std::string>& args) {
    CtlResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result;
    return result;
}

}  // namespace linkvane::testing
