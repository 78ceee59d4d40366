#pragma once

// The files and folders that hold the user's settings and stored passwords are used only when
// they are the user's own, reached directly, and readable by nobody else:
//
// - one that another user owns, or a file reached through a symbolic link, is refused (5), so
//   that nobody can hand the program a store of their choosing;
// - one of the user's own that group or others may read is tightened (0600 for files, 0700
//   for folders), and a one-line warning says so;
// - a folder path that names a file is refused (267).
//
// Blocking; any thread.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/util/result.h"

namespace linkvane {

// Where the one-line warnings of tightened modes go.
using WarningSink = std::function<void(const std::string&)>;
// Writes "linkvane: warning: TEXT" on standard error.
void WarnOnStandardError(const std::string& text);

// The folder, which must exist: a folder (links to folders are followed), the user's own.
Status SecurePrivateFolder(const std::filesystem::path& dir, const WarningSink& warn);
// An open file: a regular file of the user's own. path names it in messages.
Status SecurePrivateFile(int fd, const std::filesystem::path& path, const WarningSink& warn);
// A file that may be at path (a database's journal): nothing there passes; a link is refused.
Status SecurePrivateFileAt(const std::filesystem::path& path, const WarningSink& warn);

}  // namespace linkvane
