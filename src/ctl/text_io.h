#pragma once

// Whole text files for the commands that read and write them, with "-" standing for standard
// input or output. Files are created readable by their owner only: registry exports can carry
// the stored (enciphered) passwords.

#include <string>
#include <string_view>

#include "core/util/result.h"

namespace linkvane::ctl {

Result<std::string> ReadTextInput(const std::string& path);
Status WriteTextOutput(const std::string& path, std::string_view text);

}  // namespace linkvane::ctl
