#pragma once

// Test fixtures that give each test a private directory and a private XDG config home, so
// that tests run in parallel against real files without seeing each other.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace linkvane::testing {

// A directory under the system's temp directory, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// Sets XDG_CONFIG_HOME to a fresh temp directory, and XDG_DATA_HOME to its "data" folder,
// for the test's duration.
class ConfigHomeTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& configHome() const { return m_dir.path(); }
    std::filesystem::path linkvaneDir() const { return m_dir.path() / "linkvane"; }
    std::filesystem::path dataHome() const { return m_dir.path() / "data"; }

  private:
    struct SavedVariable {
        const char* name;
        std::string value;
        bool had = false;
    };

    TempDir m_dir;
    SavedVariable m_saved[3] = {
        {"XDG_CONFIG_HOME", {}}, {"XDG_DATA_HOME", {}}, {"XDG_RUNTIME_DIR", {}}};
};

// A file's whole content ("" when it cannot be read); a file written whole, its folders made.
std::string ReadFileText(const std::filesystem::path& path);
void WriteFileText(const std::filesystem::path& path, const std::string& text);

// Path of a file in the source tree (tests read fixtures and seed files from there).
std::filesystem::path SourcePath(const std::string& relative);
// Path of a built artefact (helpers such as linkvanectl and test peers).
std::filesystem::path BinaryPath(const std::string& relative);

}  // namespace linkvane::testing
