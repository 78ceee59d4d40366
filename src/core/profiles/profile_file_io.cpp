#include "core/profiles/profile_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/profiles/profile_file.h"

namespace linkvane {

namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now and reports whether the close succeeded (a late write error shows up here).
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

  private:
    int m_fd;
};

Error WriteFailed(const std::filesystem::path& path) {
    return Fail("Writing the profile file \"" + path.string() +
                "\" failed: " + std::strerror(errno) + ".");
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

Result<std::vector<std::uint8_t>> ReadProfileFileBytes(const std::filesystem::path& path) {
    // Non-blocking, so that a named pipe picked by mistake cannot hang the open.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return Fail(kFileOpenFailed);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return Fail(kFileOpenFailed);
    const auto size = static_cast<std::uintmax_t>(info.st_size);
    if (size > kProfileFileSize)
        return Fail(NotAProfileFileMessage(size));

    // Read to the end, bounded in case the file grows meanwhile; the decoder checks the size.
    std::vector<std::uint8_t> bytes(kProfileFileSize + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            return Fail("Reading the profile file \"" + path.string() +
                        "\" failed: " + std::strerror(errno) + ".");
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

Status WriteProfileFileBytes(const std::filesystem::path& path,
                             std::span<const std::uint8_t> bytes) {
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temporary = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    // mkstemp creates the file with mode 0600.
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0)
        return Fail(kFileOpenFailed);

    const auto discard = [&temporary] { ::unlink(temporary.c_str()); };
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || !fd.Close()) {
        Error error = WriteFailed(path);
        discard();
        return error;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        // The target cannot be replaced (a directory, a read-only place): it cannot be created.
        discard();
        return Fail(kFileOpenFailed);
    }
    // Make the rename itself durable; a failure here leaves a complete file either way.
    FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return Success();
}

}  // namespace linkvane
