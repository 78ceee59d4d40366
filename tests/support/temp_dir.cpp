#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace linkvane::testing {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "linkvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void ConfigHomeTest::SetUp() {
    for (SavedVariable& saved : m_saved) {
        const char* old = std::getenv(saved.name);
        saved.had = old != nullptr;
        saved.value = old != nullptr ? old : "";
    }
    setenv("XDG_CONFIG_HOME", m_dir.path().c_str(), 1);
    setenv("XDG_DATA_HOME", dataHome().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (m_dir.path() / "runtime").c_str(), 1);
}

void ConfigHomeTest::TearDown() {
    for (const SavedVariable& saved : m_saved) {
        if (saved.had) {
            setenv(saved.name, saved.value.c_str(), 1);
        } else {
            unsetenv(saved.name);
        }
    }
}

std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

static std::filesystem::path FromEnv(const char* name, const std::string& relative) {
    const char* base = std::getenv(name);
    if (base == nullptr)
        throw std::runtime_error(std::string(name) + " is not set; run through ctest");
    return std::filesystem::path(base) / relative;
}

std::filesystem::path SourcePath(const std::string& relative) {
    return FromEnv("LINKVANE_SOURCE_DIR", relative);
}
std::filesystem::path BinaryPath(const std::string& relative) {
    return FromEnv("LINKVANE_BINARY_DIR", relative);
}

}  // namespace linkvane::testing
