#pragma once

// The modem's serial line: taken under a UUCP lock, opened raw, released with DTR dropped.
//
// UucpLock: the lock file "LCK..<name>" in the lock directory (/run/lock), where name is the
// device's path under /dev with '/' as '_' (ttyUSB0, pts_3), after symbolic links are
// resolved; it holds the owner's pid as ten ASCII digits and a newline. A lock of a process
// that no longer exists is stale and removed; a live one fails with kDialErrorPortInUse and
// is left alone. The lock directory is everyone's, so a lock is read without blocking and
// without following links, and only a regular file holding an ASCII pid can be stale: a
// link, FIFO, folder or device there, or a lock in another form (binary, garbage), counts as
// in use and the failure names the file. A live lock's failure names its process and the
// program it runs (holder()). The lock is removed when the object goes.
//
// SerialLine: the device opened O_RDWR|O_NOCTTY, raw 8N1 at the entry's speed with hardware
// flow control, modem control lines ignored while the modem is talked to (CLOCAL) so that the
// dialogue does not depend on carrier. Release drops DTR for the given time and closes.
// Failures carry a kDialError code and a sentence that names the cause and the fix: the process
// that holds a busy port (EBUSY), the group a user must join to open it (EACCES).
// One thread at a time per object.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "core/connection/dialer_engine_base.h"
#include "core/connection/modem_probe.h"
#include "core/util/file_descriptor.h"
#include "core/util/result.h"

namespace linkvane {

// The lock file's name for a device ("LCK..ttyUSB0").
std::string UucpLockName(const std::filesystem::path& device);

class UucpLock {
  public:
    UucpLock() = default;
    ~UucpLock();
    UucpLock(UucpLock&& other) noexcept
        : m_path(std::exchange(other.m_path, {})), m_holder(std::move(other.m_holder)) {}
    UucpLock& operator=(UucpLock&&) = delete;

    // nullopt when taken; else the failure.
    std::optional<DialEnd> Take(const std::filesystem::path& lockDir,
                                const std::filesystem::path& device);
    const std::filesystem::path& path() const { return m_path; }
    // After a failed Take: the live process that holds the lock.
    const std::optional<PortHolder>& holder() const { return m_holder; }

  private:
    std::filesystem::path m_path;
    std::optional<PortHolder> m_holder;
};

class SerialLine {
  public:
    SerialLine() = default;
    ~SerialLine() { Release(std::chrono::milliseconds(0)); }
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // nullopt when the line is open and set up.
    std::optional<DialEnd> Open(const std::filesystem::path& device, std::uint32_t speed);
    // After a failed Open: the errno of open(2), or 0 when the device opened and failed later.
    int openError() const { return m_openError; }
    int fd() const { return m_fd.get(); }
    // Another speed for the open line (input and output waiting are dropped); false when the
    // speed is not one a serial line runs at or the line refuses it.
    bool SetSpeed(std::uint32_t speed);
    // From now on the line follows carrier (CLOCAL off) and blocks, as pppd expects of it.
    void HandOver();
    // Drops DTR for `dtrDrop` (the modem hangs up), then closes the line.
    void Release(std::chrono::milliseconds dtrDrop);

  private:
    FileDescriptor m_fd;
    int m_openError = 0;
};

}  // namespace linkvane
