#pragma once

// Replaces a file as one step: the bytes go to a temporary file in the same folder, which is
// synced and then renamed over the target, and the folder is synced so that the rename lasts.
// Readers see the old file or the new one, never a part, and a failed write leaves the old file
// as it was. Blocking; any thread.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string_view>

namespace linkvane {

struct AtomicWriteFailure {
    enum class Stage {
        kCreate,   // the temporary file could not be made (no such folder, no permission)
        kWrite,    // writing or syncing the bytes failed (disk full, I/O error)
        kReplace,  // the target could not be replaced (a folder, a read-only place)
    };
    Stage stage;
    int error;  // errno
};

// mode: the new file's permissions, set before any byte is written.
std::optional<AtomicWriteFailure> ReplaceFileAtomically(const std::filesystem::path& path,
                                                        std::string_view bytes, mode_t mode);

}  // namespace linkvane
