#pragma once

// Runs the built linkvanectl as a child process in the test's own config home and captures
// what it prints, so that the tests see exactly what a script sees.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace linkvane::testing {

struct CtlResult {
    int exitCode = -1;
    std::string out;
    std::string err;

    // stdout as JSON; fails the test (and gives null) when it is not one JSON value.
    nlohmann::json Json() const;
};

std::ostream& operator<<(std::ostream& os, const CtlResult& result);

class CtlTest : public ConfigHomeTest {
  protected:
    // Runs linkvanectl with args, its stdin /dev/null.
    CtlResult Run(const std::vector<std::string>& args);
    // Runs a command that must succeed.
    CtlResult RunOk(const std::vector<std::string>& args);
    // Runs a command that must succeed and print JSON, and returns that JSON.
    nlohmann::json RunJson(const std::vector<std::string>& args) { return RunOk(args).Json(); }

    const std::filesystem::path& scratch() const { return m_scratch.path(); }

  private:
    TempDir m_scratch;
    int m_runs = 0;
};

}  // namespace linkvane::testing
