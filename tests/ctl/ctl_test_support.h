#pragma once

// Runs the built linkvanectl as a child process in the test's own config home and captures
// what it prints, so that the tests see exactly what a script sees.

#include <nlohmann/json.hpp>

#include <fstream>
#include <optional>
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
    // The lines of stderr.
    std::vector<std::string> ErrLines() const;
};

std::ostream& operator<<(std::ostream& os, const CtlResult& result);

class CtlTest : public ConfigHomeTest {
  protected:
    // Runs linkvanectl with args; stdin reads input (not a terminal).
    CtlResult Run(const std::vector<std::string>& args, const std::string& input = "");
    // Runs linkvanectl with stdin opened from a path (a terminal, for instance).
    CtlResult RunWithStdin(const std::vector<std::string>& args, const std::string& stdinPath);
    // Runs a command that must succeed and print JSON, and returns that JSON.
    nlohmann::json RunJson(const std::vector<std::string>& args);
    // Runs a command that must succeed.
    void RunOk(const std::vector<std::string>& args);

    // Points XDG_CONFIG_HOME at another directory for the following runs.
    void UseConfigHome(const std::filesystem::path& dir);

    const std::filesystem::path& scratch() const { return m_scratch.path(); }

  private:
    TempDir m_scratch;
    int m_runs = 0;
};

// A pseudo-terminal's slave side, open for the object's life: a real character device.
class PseudoTerminal {
  public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& path() const { return m_path; }
    // Types text at the terminal, for a program that reads it from the slave side.
    void Type(const std::string& text);

  private:
    int m_master = -1;
    std::string m_path;
};

std::string ReadFileText(const std::filesystem::path& path);

}  // namespace linkvane::testing
