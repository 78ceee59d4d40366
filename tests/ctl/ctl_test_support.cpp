#include "ctl_test_support.h"

#include <sys/wait.h>

#include <cstdlib>

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
    // The program and each argument in single quotes, a quote in an argument as '\''.
    std::string command = "'" LINKVANECTL_PATH "'";
    for (std::string arg : args) {
        for (std::size_t at = 0; (at = arg.find('\'', at)) != std::string::npos; at += 4)
            arg.replace(at, 1, "'\\''");
        command += " '" + arg + "'";
    }
    command += " </dev/null >" + outPath.string() + " 2>" + errPath.string();
    const int status = std::system(command.c_str());
    CtlResult result;
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
