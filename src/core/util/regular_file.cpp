#include "core/util/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "core/util/win_error.h"

namespace linkvane {

namespace {

constexpr std::size_t kReadSize = 64 * 1024;

}  // namespace

Result<FileDescriptor> OpenRegularFile(const std::filesystem::path& path, int flags,
                                       mode_t createMode) {
    FileDescriptor fd(
        ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, createMode));
    if (!fd.valid()) {
        const int error = errno;
        if (error == ELOOP)
            return Fail(path.string() + " is a symbolic link, which is not followed.",
                        win::kAccessDenied);
        // A named pipe opened for writing with nobody reading it.
        if (error == ENXIO || error == EISDIR)
            return Fail(path.string() + " is not a regular file.", win::kAccessDenied);
        return Fail("Cannot open " + path.string() + ": " + std::strerror(error),
                    error == ENOENT ? win::kFileNotFound : win::kAccessDenied);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return Fail(path.string() + " is not a regular file.", win::kAccessDenied);
    return fd;
}

LineReader::LineReader(int fd, std::size_t maxLine)
    : m_fd(fd), m_maxLine(maxLine), m_buffer(kReadSize) {
    m_line.reserve(maxLine);
}

bool LineReader::Fill() {
    m_bufferOffset += m_end;
    m_begin = m_end = 0;
    for (;;) {
        const ssize_t got = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            m_failed = true;
        m_end = got > 0 ? static_cast<std::size_t>(got) : 0;
        return got > 0;
    }
}

std::optional<LineReader::Line> LineReader::Next() {
    if (m_begin == m_end && !Fill())
        return std::nullopt;
    Line line;
    line.offset = m_bufferOffset + m_begin;
    m_line.clear();
    for (;;) {
        const char* start = m_buffer.data() + m_begin;
        const char* stop = m_buffer.data() + m_end;
        const char* feed = std::find(start, stop, '\n');
        const auto length = static_cast<std::size_t>(feed - start);
        const std::size_t room = m_maxLine - m_line.size();
        m_line.append(start, std::min(length, room));
        line.cut = line.cut || length > room;
        m_begin += length;
        if (feed != stop) {
            ++m_begin;
            line.terminated = true;
            break;
        }
        if (!Fill())
            break;
    }
    line.text = m_line;
    return line;
}

}  // namespace linkvane
