#include "ctl/text_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace linkvane::ctl {

namespace {

Error FileError(const std::string& what, const std::string& path, int error) {
    return Fail("cannot " + what + " " + path + ": " + std::strerror(error),
                static_cast<std::uint32_t>(error == ENOENT   ? 2
                                           : error == EACCES ? 5
                                                             : 0));
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return FileError("create", path, errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return FileError("write", path, error);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        return FileError("write", path, errno);
    return Success();
}

}  // namespace linkvane::ctl
