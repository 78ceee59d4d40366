#include "core/connection/own_call_log.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/file.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "core/connection/call_log.h"

namespace linkvane {

namespace {

// strftime in the user's LC_TIME, or the C locale's when it cannot be had.
std::string LocalTimeText(std::time_t time, const char* format) {
    std::tm local{};
    ::localtime_r(&time, &local);
    std::array<char, 128> text{};
    locale_t user = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    const std::size_t length = user != nullptr
                                   ? ::strftime_l(text.data(), text.size(), format, &local, user)
                                   : std::strftime(text.data(), text.size(), format, &local);
    if (user != nullptr)
        ::freelocale(user);
    return std::string(text.data(), length);
}

}  // namespace

std::filesystem::path CallLogWatchPath(const std::filesystem::path& logPath) {
    return logPath.string() + ".watch";
}

Result<CallLogWatch> CallLogWatch::Hold(const std::filesystem::path& logPath) {
    std::error_code ignored;
    std::filesystem::create_directories(logPath.parent_path(), ignored);
    Result<FileDescriptor> file = OpenRegularFile(CallLogWatchPath(logPath), O_RDWR | O_CREAT);
    if (!file)
        return file.error();
    if (::flock(file->get(), LOCK_SH | LOCK_NB) != 0)
        return Fail("The call log's watch cannot be held.", static_cast<std::uint32_t>(errno));
    return CallLogWatch(std::move(*file));
}

bool CallLogWatched(const std::filesystem::path& logPath) {
    Result<FileDescriptor> file = OpenRegularFile(CallLogWatchPath(logPath), O_RDONLY);
    if (!file)
        return false;
    if (::flock(file->get(), LOCK_EX | LOCK_NB) == 0)
        return false;  // the lock goes with the descriptor
    return errno == EWOULDBLOCK;
}

void DialledCall::Connected(std::string entryName, std::time_t now) {
    CConnectionRecord call;
    call.EntryName = std::move(entryName);
    call.StartTime = now;
    m_call = std::move(call);
}

void DialledCall::LinksListed(const std::vector<ActiveConnection>& links) {
    if (!m_call)
        return;
    for (const ActiveConnection& link : links) {
        if (link.entryName == m_call->EntryName && link.volume)
            m_call->Volume = link.volume;
    }
}

std::optional<CConnectionRecord> DialledCall::Ended(std::time_t now) {
    std::optional<CConnectionRecord> call = std::exchange(m_call, std::nullopt);
    if (call)
        call->DurationSeconds =
            static_cast<std::int32_t>(std::max<std::time_t>(now - call->StartTime, 0));
    return call;
}

Status AppendEndedCall(const std::filesystem::path& logPath, const CConnectionRecord& call) {
    const std::string line =
        FormatCallLogLine(call.EntryName, LocalTimeText(call.StartTime, "%A, %-d %B %Y"),
                          LocalTimeText(call.StartTime, "%H:%M:%S"), call.DurationSeconds);
    return AppendCallLog(logPath, line, CallFacts{CallStartText(call.StartTime), call.Volume});
}

}  // namespace linkvane
