#pragma once

// FileDescriptor owns a POSIX file descriptor and closes it on every path out of a scope.
// WriteAll writes a whole buffer, resuming after interruptions and short writes.

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

namespace linkvane {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded: a late write error shows up here.
    bool Close() {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

    // Gives up ownership without closing.
    int Release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

// Writes the whole buffer with `write` (a call like ::write), resuming after interruptions and
// short writes; false with errno set when a write fails.
template <typename Write>
bool WriteEvery(const void* data, std::size_t size, Write write) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// False with errno set when a write fails.
inline bool WriteAll(int fd, const void* data, std::size_t size) {
    return WriteEvery(data, size,
                      [fd](const char* bytes, std::size_t n) { return ::write(fd, bytes, n); });
}

// WriteAll for a line that may be a socket whose peer has gone: that is a failed write
// (EPIPE), not a SIGPIPE that ends the process.
inline bool WriteLine(int fd, const void* data, std::size_t size) {
    return WriteEvery(data, size, [fd](const char* bytes, std::size_t n) {
        const ssize_t sent = ::send(fd, bytes, n, MSG_NOSIGNAL);
        return sent < 0 && errno == ENOTSOCK ? ::write(fd, bytes, n) : sent;
    });
}

}  // namespace linkvane
