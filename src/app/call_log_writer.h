#pragma once

// How the main window logs an ended call: the call log's line, with the start's date in the
// locale's long form and its time in the locale's time format forced to 24 hours, and the
// companion's record of the start and the volume. A log that cannot be written loses the
// line silently. GUI thread (it formats with Qt).

#include <QtCore/QLocale>

#include <filesystem>

#include "core/connection/call_monitor.h"

namespace linkvane {

void LogEndedCall(const std::filesystem::path& logPath, const CConnectionRecord& record,
                  const QLocale& locale);

}  // namespace linkvane
