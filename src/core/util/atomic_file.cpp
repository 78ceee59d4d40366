#include "core/util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>

#include "core/util/file_descriptor.h"

namespace linkvane {

namespace {

using Stage = AtomicWriteFailure::Stage;

// As many links as the kernel follows in one path.
constexpr int kMaxLinkHops = 40;

// The file that a write to path replaces: path itself, or the final target of the links at it.
std::variant<std::filesystem::path, AtomicWriteFailure> ResolveTarget(std::filesystem::path path,
                                                                      bool followLinks) {
    for (int hops = 0;; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return path;  // a new file
            return AtomicWriteFailure{Stage::kCreate, errno};
        }
        if (S_ISREG(info.st_mode))
            return path;
        if (!S_ISLNK(info.st_mode))
            return AtomicWriteFailure{Stage::kNotRegular, EEXIST};
        if (!followLinks || hops == kMaxLinkHops)
            return AtomicWriteFailure{Stage::kNotRegular, ELOOP};
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return AtomicWriteFailure{Stage::kCreate, errno};
        target.resize(static_cast<std::size_t>(length));
        path = std::filesystem::path(target).is_absolute() ? std::filesystem::path(target)
                                                           : path.parent_path() / target;
    }
}

// Makes the temporary file beside target; its name goes to temporary.
FileDescriptor MakeTemporary(const std::filesystem::path& target, const AtomicWriteOptions& options,
                             std::string& temporary) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    if (!options.writersLocked) {
        temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
        return FileDescriptor(::mkostemp(temporary.data(), O_CLOEXEC));
    }
    temporary = (folder / ("." + target.filename().string() + ".tmp")).string();
    // What a crashed write left is taken over; O_EXCL with O_NOFOLLOW creates afresh even if
    // something else was put there meanwhile.
    ::unlink(temporary.c_str());
    return FileDescriptor(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
}

}  // namespace

std::string AtomicWriteFailure::Describe() const {
    if (stage == Stage::kNotRegular) {
        return error == ELOOP ? "it is a symbolic link, which is not followed here"
                              : "it is not a regular file";
    }
    return std::strerror(error);
}

std::optional<AtomicWriteFailure> ReplaceFileAtomically(const std::filesystem::path& path,
                                                        std::string_view bytes,
                                                        const AtomicWriteOptions& options) {
    auto resolved = ResolveTarget(path, options.followLinks);
    if (auto* failure = std::get_if<AtomicWriteFailure>(&resolved))
        return *failure;
    const std::filesystem::path target = std::get<std::filesystem::path>(resolved);
    std::string temporary;
    FileDescriptor fd = MakeTemporary(target, options, temporary);
    if (!fd.valid())
        return AtomicWriteFailure{Stage::kCreate, errno};

    auto discard = [&temporary](Stage stage) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return AtomicWriteFailure{stage, error};
    };
    if (::fchmod(fd.get(), options.mode) != 0)
        return discard(Stage::kCreate);
    if (!WriteAll(fd.get(), bytes.data(), bytes.size()) || ::fsync(fd.get()) != 0 || !fd.Close()) {
        return discard(Stage::kWrite);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0)
        return discard(Stage::kReplace);
    // The rename is durable once the folder is on disk; the file is whole either way.
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return std::nullopt;
}

}  // namespace linkvane
