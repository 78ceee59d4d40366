#include "core/util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "core/util/file_descriptor.h"

namespace linkvane {

std::optional<AtomicWriteFailure> ReplaceFileAtomically(const std::filesystem::path& path,
                                                        std::string_view bytes, mode_t mode) {
    using Stage = AtomicWriteFailure::Stage;
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temporary = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid())
        return AtomicWriteFailure{Stage::kCreate, errno};

    auto discard = [&temporary](Stage stage) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return AtomicWriteFailure{stage, error};
    };
    if (::fchmod(fd.get(), mode) != 0)
        return discard(Stage::kCreate);
    if (!WriteAll(fd.get(), bytes.data(), bytes.size()) || ::fsync(fd.get()) != 0 || !fd.Close()) {
        return discard(Stage::kWrite);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        return discard(Stage::kReplace);
    // The rename is durable once the folder is on disk; the file is whole either way.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return std::nullopt;
}

}  // namespace linkvane
