#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/temp_dir.h"

namespace linkvane::testing {

void ExpectGolden(const std::string& relative, const std::string& actual) {
    const std::filesystem::path file = SourcePath("tests/" + relative);
    const char* rewrite = std::getenv("LINKVANE_REWRITE_GOLDEN");
    if (rewrite != nullptr && std::string(rewrite) == "1") {
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file << " is missing; LINKVANE_REWRITE_GOLDEN=1 writes it";
    const std::string expected(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(actual, expected) << "differs from " << file
                                << " (LINKVANE_REWRITE_GOLDEN=1 rewrites it)";
}

}  // namespace linkvane::testing
