#include "platform/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/util/file_descriptor.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Owner and mode of what info describes, whose kind the caller has checked.
Status CheckOwnerAndMode(const struct stat& info, const std::filesystem::path& path, mode_t wanted,
                         const std::function<int(mode_t)>& changeMode, const WarningSink& warn) {
    if (info.st_uid != ::geteuid()) {
        return Fail(path.string() + " belongs to another user (uid " + std::to_string(info.st_uid) +
                        "); Linkvane uses only settings of your own.",
                    win::kAccessDenied);
    }
    if ((info.st_mode & 077) == 0)
        return Success();
    if (changeMode(wanted) != 0) {
        return Fail(path.string() + " can be read by others and its mode cannot be changed: " +
                        std::strerror(errno),
                    win::kAccessDenied);
    }
    if (warn) {
        warn(path.string() + " could be read by others (mode " + OctalMode(info.st_mode) +
             "); its mode is now " + OctalMode(wanted) + ".");
    }
    return Success();
}

}  // namespace

void WarnOnStandardError(const std::string& text) {
    std::fprintf(stderr, "linkvane: warning: %s\n", text.c_str());
}

Status SecurePrivateFolder(const std::filesystem::path& dir, const WarningSink& warn) {
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0)
        return Fail("Cannot use the folder " + dir.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode)) {
        return Fail(
            dir.string() + " is not a folder; Linkvane keeps its settings in a folder there.",
            win::kDirectoryInvalid);
    }
    return CheckOwnerAndMode(
        info, dir, 0700, [&](mode_t mode) { return ::chmod(dir.c_str(), mode); }, warn);
}

Status SecurePrivateFile(int fd, const std::filesystem::path& path, const WarningSink& warn) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return Fail("Cannot use " + path.string() + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) {
        return Fail(path.string() + " is not a regular file.", win::kAccessDenied);
    }
    return CheckOwnerAndMode(
        info, path, 0600, [&](mode_t mode) { return ::fchmod(fd, mode); }, warn);
}

Status SecurePrivateFileAt(const std::filesystem::path& path, const WarningSink& warn) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.valid())
        return SecurePrivateFile(fd.get(), path, warn);
    if (errno == ENOENT)
        return Success();
    if (errno == ELOOP) {
        return Fail(path.string() + " is a symbolic link; Linkvane does not follow links to its " +
                        "settings.",
                    win::kAccessDenied);
    }
    return Fail("Cannot use " + path.string() + ": " + std::strerror(errno),
                errno == EACCES ? win::kAccessDenied : win::kRegistryIo);
}

}  // namespace linkvane
