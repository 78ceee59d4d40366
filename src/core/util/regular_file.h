#pragma once

// Files at paths that someone else may have filled with something other than a file (a log
// in a folder the user shares with other programs, a lock in a folder every user may write):
//
// - OpenRegularFile opens without blocking and without following a symbolic link at the last
//   step of the path, and keeps the file only when it is a regular file, so that a named
//   pipe cannot hang the open and a device or a link to /dev/zero cannot feed a reader
//   without end;
// - LineReader reads such a file line by line and cuts every line at a bound, so that the
//   memory it takes stays the same whatever the file holds.
//
// Blocking reads; any thread, one thread per LineReader.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/file_descriptor.h"
#include "core/util/result.h"

namespace linkvane {

// flags as for open(2); O_NOFOLLOW, O_NONBLOCK, O_NOCTTY and O_CLOEXEC are added. Fails with
// code 2 when nothing is there (and O_CREAT was not asked for), code 5 for a link, a node
// that is not a regular file or a refused open. The message names the path.
Result<FileDescriptor> OpenRegularFile(const std::filesystem::path& path, int flags,
                                       mode_t createMode = 0600);

class LineReader {
  public:
    struct Line {
        std::uint64_t offset = 0;  // of the line's first byte in the file
        std::string_view text;     // without its line feed; valid until the next call
        bool cut = false;          // the line was longer than the bound; the rest is skipped
        bool terminated = false;   // a line feed ended it (false only for the last line)
    };

    // fd stays the caller's and must outlive the reader.
    LineReader(int fd, std::size_t maxLine);

    // The next line, nullopt at the end of the file or when a read fails (then failed()).
    std::optional<Line> Next();
    bool failed() const { return m_failed; }

  private:
    bool Fill();

    int m_fd;
    std::size_t m_maxLine;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::uint64_t m_bufferOffset = 0;  // file offset of m_buffer[0]
    std::string m_line;
    bool m_failed = false;
};

}  // namespace linkvane
