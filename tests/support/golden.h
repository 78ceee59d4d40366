#pragma once

// Whole expected outputs live as golden files in the source tree, beside their tests. Run the
// tests with LINKVANE_REWRITE_GOLDEN=1 to write the actual outputs over them instead of
// comparing; review the diff before committing it.

#include <string>

namespace linkvane::testing {

// Compares actual with the file at relative (below tests/), or rewrites that file.
void ExpectGolden(const std::string& relative, const std::string& actual);

}  // namespace linkvane::testing
