#pragma once

// Replaces a file as one step: the bytes go to a temporary file in the same folder, which is
// synced and then renamed over the target, and the folder is synced so that the rename lasts.
// Readers see the old file or the new one, never a part, and a failed write leaves the old file
// as it was. Blocking; any thread.
//
// Only a regular file is ever replaced: a folder, named pipe, socket or device at the path is
// refused before anything is written (no open of it, so a pipe cannot block the call). A
// symbolic link is followed to its final target, which is then replaced in its own folder, or
// refused where the caller says so.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace linkvane {

struct AtomicWriteFailure {
    enum class Stage {
        kCreate,      // the temporary file could not be made (no such folder, no permission)
        kWrite,       // writing or syncing the bytes failed (disk full, I/O error)
        kReplace,     // the target could not be replaced (a read-only place)
        kNotRegular,  // the target exists and is not a regular file (or is a refused link)
    };
    Stage stage;
    int error;  // errno; ELOOP for a refused link, EEXIST for another kind of file

    // "No space left on device", "it is not a regular file", ...
    std::string Describe() const;
};

struct AtomicWriteOptions {
    mode_t mode = 0600;  // the new file's permissions, set before any byte is written
    // false: a symbolic link at the path is refused (for files in folders that others may
    // prepare, such as a browser's profile folder).
    bool followLinks = true;
    // The caller serialises writers of this file (a lock over its folder): the temporary file
    // then has one fixed name, which the next write takes over, so a write cut off by a crash
    // leaves no copy that nothing removes.
    bool writersLocked = false;
};

std::optional<AtomicWriteFailure> ReplaceFileAtomically(const std::filesystem::path& path,
                                                        std::string_view bytes,
                                                        const AtomicWriteOptions& options);
inline std::optional<AtomicWriteFailure> ReplaceFileAtomically(const std::filesystem::path& path,
                                                               std::string_view bytes,
                                                               mode_t mode) {
    return ReplaceFileAtomically(path, bytes, AtomicWriteOptions{mode});
}

}  // namespace linkvane
