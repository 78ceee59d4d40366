#include "app/call_log_writer.h"

#include <QtCore/QDateTime>

#include "core/connection/call_log.h"

namespace linkvane {

void LogEndedCall(const std::filesystem::path& logPath, const CConnectionRecord& record,
                  const QLocale& locale) {
    const QDateTime start = QDateTime::fromSecsSinceEpoch(record.StartTime);
    const QString date = locale.toString(start.date(), QLocale::LongFormat);
    const QString timeFormat = QString::fromStdString(
        Force24HourTimeFormat(locale.timeFormat(QLocale::LongFormat).toStdString()));
    const QString time = locale.toString(start.time(), timeFormat);
    (void)AppendCallLog(logPath,
                        FormatCallLogLine(record.EntryName, date.toStdString(), time.toStdString(),
                                          record.DurationSeconds),
                        CallFacts{CallStartText(record.StartTime), record.Volume});
}

}  // namespace linkvane
