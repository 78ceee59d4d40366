#pragma once

// Where Linkvane keeps its files on a Linux desktop, after the XDG base directory rules.

#include <filesystem>

#include "core/util/result.h"

namespace linkvane {

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute.
std::filesystem::path ConfigHome();
// ConfigHome()/linkvane: the registry files and the phonebook.
std::filesystem::path LinkvaneConfigDir();
// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
std::filesystem::path DataHome();
// $XDG_CACHE_HOME, or ~/.cache when it is unset or not absolute.
std::filesystem::path CacheHome();
// The call log, DataHome()/linkvane/connect.log: one place whatever the current directory.
std::filesystem::path CallLogPath();
// Creates a directory (and its parents) with mode 0700 where it is missing.
Status EnsurePrivateDirectory(const std::filesystem::path& dir);

}  // namespace linkvane
