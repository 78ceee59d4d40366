#pragma once

// Reading and writing profile files as whole files, for import and export.
//
// Opening or creating a file that cannot be opened or created fails with "File open failed.",
// the text the user is shown. A write goes to a temporary file in the same directory that is
// renamed over the target only when every byte is on disk, so a failed export leaves any earlier
// file as it was and never a half-written one. The file is created readable by its owner only,
// as it carries both passwords. Blocking; any thread.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/util/result.h"

namespace linkvane {

inline constexpr const char* kFileOpenFailed = "File open failed.";

// The bytes of a regular file. A file larger than a profile file is refused unread, with the
// same message as DecodeProfileFile gives; a smaller one is returned for the decoder to refuse.
Result<std::vector<std::uint8_t>> ReadProfileFileBytes(const std::filesystem::path& path);
// Replaces (or creates) the file at path with bytes.
Status WriteProfileFileBytes(const std::filesystem::path& path,
                             std::span<const std::uint8_t> bytes);

}  // namespace linkvane
