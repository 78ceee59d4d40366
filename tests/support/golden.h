#pragma once

// Whole expected outputs live as golden files in the source tree, beside their tests. Run the
// tests with LINKVANE_REWRITE_GOLDEN=1 to write the actual outputs over them instead of
// comparing; review the diff before committing it.

#include <functional>
#include <string>

namespace linkvane::testing {

// Whether this run writes golden files instead of comparing (LINKVANE_REWRITE_GOLDEN=1).
bool RewritingGolden();

// Compares actual with the file at relative (below tests/), or rewrites that file.
void ExpectGolden(const std::string& relative, const std::string& actual);

// A table as data: the golden file holds questions, one a line, in which a backslash starts an
// escape (n, r, t, 0, a backslash, or x and two hex digits); after each question, on a line
// of its own after "  -> ", its answer. The answers are asked anew from `answer` and the file
// compared, or rewritten, as above.
void ExpectGoldenAnswers(const std::string& relative,
                         const std::function<std::string(const std::string& question)>& answer);

}  // namespace linkvane::testing
