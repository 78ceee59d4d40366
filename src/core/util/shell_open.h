#pragma once

// What "open" means for a stored launch setting (a program, a document or a web address):
// programs are started directly, without a shell and without arguments; documents and web
// addresses go to the desktop's opener. PlanShellOpen decides which; the caller carries it out.
//
//   ""                         nothing
//   "scheme:..."               web address or other URL as written ("http:", "mailto:", ...;
//                              a scheme has two or more characters, so "C:\x" is no URL)
//   "www.host..." / "ftp.host" web address, with "http://" / "ftp://" put in front
//   "name" (no slash)          the first executable "name" on the search path; else a
//                              document "./name", but nothing at all when "./name" is an
//                              executable (programs are found through the search path only)
//   "path/with/slash"          the program at that path when it is an executable file, else
//                              the document (relative paths are taken from the working dir)
//
// Surrounding blanks and one pair of surrounding double quotes are dropped. A setting that
// holds a control character launches nothing: it cannot name a file or address anyone meant.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace linkvane {

enum class OpenKind { Nothing, Program, Document, Url };

struct OpenPlan {
    OpenKind kind = OpenKind::Nothing;
    std::string target;  // program path, absolute document path, or URL

    bool operator==(const OpenPlan&) const = default;
};

struct OpenContext {
    std::filesystem::path workingDir;           // absolute; where relative names are found
    std::vector<std::filesystem::path> search;  // the program search path, in order
    std::function<bool(const std::filesystem::path&)> isExecutableFile;
};

OpenPlan PlanShellOpen(std::string_view setting, const OpenContext& context);

// The context of this process: its current directory, $PATH and IsExecutableFile.
OpenContext ProcessOpenContext();

// A regular file (after links) that this process may execute.
bool IsExecutableFile(const std::filesystem::path& path);

}  // namespace linkvane
