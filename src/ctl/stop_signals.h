#pragma once

// SIGINT and SIGTERM as a readable descriptor (signalfd), for commands that run until they
// are stopped. The signals are blocked in the calling thread, and so in every thread it
// starts afterwards: call it before any thread starts.

#include "core/util/file_descriptor.h"

namespace linkvane::ctl {

FileDescriptor BlockStopSignals();

}  // namespace linkvane::ctl
