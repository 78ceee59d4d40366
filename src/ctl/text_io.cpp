#include "ctl/text_io.h"

#include "core/util/atomic_file.h"
#include "core/util/win_error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace linkvane::ctl {

namespace {

Error FileError(const std::string& what, const std::string& path, int error) {
    return Fail("cannot " + what + " " + path + ": " + std::strerror(error),
                error == ENOENT   ? win::kFileNotFound
                : error == EACCES ? win::kAccessDenied
                                  : 0);
}

}  // namespace

Result<std::string> ReadTextInput(const std::string& path) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileError("open", path, errno);
    std::string text;
    char buffer[65536];
    int error = 0;
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    if (!standardInput)
        ::close(fd);
    if (error != 0)
        return FileError("read", standardInput ? "standard input" : path, error);
    return text;
}

Status WriteTextOutput(const std::string& path, std::string_view text) {
    if (path == "-") {
        std::cout << text;
        std::cout.flush();
        if (!std::cout)
            return Fail("cannot write to standard output");
        return Success();
    }
    // Replaced whole, never truncated in place: a cut-off write keeps the old file, and a pipe,
    // device or folder at the path is refused instead of replaced.
    const auto failure = ReplaceFileAtomically(path, text, 0600);
    if (!failure)
        return Success();
    if (failure->stage == AtomicWriteFailure::Stage::kNotRegular)
        return Fail("cannot write " + path + ": " + failure->Describe(), win::kAccessDenied);
    return FileError(failure->stage == AtomicWriteFailure::Stage::kWrite ? "write" : "create", path,
                     failure->error);
}

}  // namespace linkvane::ctl
