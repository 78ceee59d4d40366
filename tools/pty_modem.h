#pragma once

// A modem on a pseudo-terminal inside the test's process, for tests of how the dialler reads
// what a modem sends: each command (up to its CR) is answered with what `answer` returns for
// it, one byte every `drip`, so answers can trickle, carry noise or NULs, or never end. The
// device is the pseudo-terminal's slave; the peer serves the master on a thread of its own
// until it is destroyed.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "core/util/file_descriptor.h"

namespace linkvane::testing {

class PtyModem {
  public:
    using Answer = std::function<std::string(const std::string& command)>;
    PtyModem(Answer answer, std::chrono::milliseconds drip);
    ~PtyModem();
    PtyModem(const PtyModem&) = delete;
    PtyModem& operator=(const PtyModem&) = delete;

    const std::string& device() const { return m_device; }

  private:
    void Serve(const Answer& answer, std::chrono::milliseconds drip);

    FileDescriptor m_master;
    std::string m_device;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace linkvane::testing
