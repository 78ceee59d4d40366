#pragma once

// RecordedUdev: the udev layer played back from a recording, for tests of what follows the
// machine's serial ports (no USB modem can be plugged in here). A recording is what
//   udevadm monitor --udev --property --subsystem-match=tty
// prints: blocks of KEY=VALUE lines, one block per event, separated by blank lines; other
// lines (the monitor's banner, the "UDEV [...] add ..." headers) are skipped.
//
// The devices present at first are given; Play applies an event to them (so Enumerate answers
// as udev would after it) and hands it to every watch, whose Fd is readable until TakeEvents
// has taken it. Play may be called from any thread, and so may each watch's calls; the source
// must outlive its watches.

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "core/profiles/serial_ports.h"
#include "core/util/file_descriptor.h"

namespace linkvane::testing {

// The events of a recording, in order; a failure names the file.
Result<std::vector<TtyEvent>> LoadUdevRecording(const std::filesystem::path& path);

class RecordedUdev final : public TtySource {
  public:
    explicit RecordedUdev(std::vector<TtyDevice> present = {});

    void Play(const TtyEvent& event);

    Result<std::vector<TtyDevice>> Enumerate() override;
    std::unique_ptr<TtyWatch> Watch() override;

  private:
    class Queue;
    friend class Queue;

    std::mutex m_mutex;
    std::vector<TtyDevice> m_present;
    std::vector<Queue*> m_watches;
};

}  // namespace linkvane::testing
