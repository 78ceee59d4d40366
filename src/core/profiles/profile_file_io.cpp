#include "core/profiles/profile_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/profiles/profile_file.h"
#include "core/util/atomic_file.h"
#include "core/util/file_descriptor.h"

namespace linkvane {

namespace {

Error WriteFailed(const std::filesystem::path& path) {
    return Fail("Writing the profile file \"" + path.string() +
                "\" failed: " + std::strerror(errno) + ".");
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
    // Readable by the owner only: the file carries both passwords.
    const auto failure = ReplaceFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), 0600);
    if (!failure)
        return Success();
    if (failure->stage == AtomicWriteFailure::Stage::kWrite) {
        errno = failure->error;
        return WriteFailed(path);
    }
    if (failure->stage == AtomicWriteFailure::Stage::kNotRegular) {
        return Fail("The profile file \"" + path.string() +
                    "\" cannot be written: " + failure->Describe() + ".");
    }
    return Fail(kFileOpenFailed);
}

}  // namespace linkvane
