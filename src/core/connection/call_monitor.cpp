#include "core/connection/call_monitor.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <limits>
#include <system_error>

namespace linkvane {

namespace {

// Whole seconds from start to now; a clock set back gives 0, not a negative call.
std::int32_t DurationBetween(std::time_t start, std::time_t now) {
    if (now <= start)
        return 0;
    const auto seconds = static_cast<long long>(now - start);
    return static_cast<std::int32_t>(
        std::min<long long>(seconds, std::numeric_limits<std::int32_t>::max()));
}

void LowerToIdlePriority() {
    sched_param param{};
    param.sched_priority = 0;
    // Lowering needs no privilege; should it fail, the monitor still works at normal priority.
    (void)pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}

}  // namespace

CConnectionMonitor::CConnectionMonitor(std::unique_ptr<ConnectionEnumerator> links,
                                       MonitorTiming timing)
    : m_links(std::move(links)), m_timing(std::move(timing)) {}

CConnectionMonitor::~CConnectionMonitor() {
    StopMonitor();
}

bool CConnectionMonitor::StartMonitor() {
    if (m_thread.joinable())
        return true;
    if (!m_links)
        return false;
    m_stop = 0;
    OnStarting();
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CConnectionMonitor::StopMonitor() {
    if (!m_thread.joinable())
        return true;
    {
        std::lock_guard lock(m_wakeMutex);
        m_stop = 1;
    }
    m_wake.notify_all();
    OnStopping();
    m_thread.join();
    m_stop = 0;
    return true;
}

bool CConnectionMonitor::StopRequested() {
    return m_stop.load() != 0;
}

void CConnectionMonitor::Run() {
    LowerToIdlePriority();
    while (!StopRequested()) {
        Poll();
        std::unique_lock lock(m_wakeMutex);
        m_wake.wait_for(lock, m_timing.period, [this] { return StopRequested(); });
    }
}

void CConnectionMonitor::Poll() {
    auto listed = m_links->EnumConnections();
    if (listed)
        OnEnumerate(*listed);
}

int CConnectionMonitor::FindRecord(std::string_view entryName) const {
    const auto found = std::find_if(m_records.begin(), m_records.end(), [&](const auto& record) {
        return record.EntryName == entryName;
    });
    return found == m_records.end() ? -1 : static_cast<int>(found - m_records.begin());
}

void CConnectionMonitor::OnConnect(const CConnectionRecord&) {}
void CConnectionMonitor::OnDisconnect(const CConnectionRecord&) {}

void CConnectionMonitor::OnEnumerate(const std::vector<ActiveConnection>& connections) {
    const std::time_t now = m_timing.now();
    const auto listed = [&](const std::string& name) {
        return std::any_of(connections.begin(), connections.end(),
                           [&](const ActiveConnection& link) { return link.entryName == name; });
    };
    for (auto i = m_records.size(); i-- > 0;) {
        if (listed(m_records[i].EntryName))
            continue;
        CConnectionRecord ended = m_records[i];
        ended.DurationSeconds = DurationBetween(ended.StartTime, now);
        OnDisconnect(ended);
        m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (const ActiveConnection& link : connections) {
        if (HasRecord(link.entryName))
            continue;
        CConnectionRecord record{link.entryName, link.deviceName, link.deviceType, now, 0};
        OnConnect(record);
        m_records.push_back(std::move(record));
    }
}

CCallMonitor::CCallMonitor(std::unique_ptr<ConnectionEnumerator> links, TaskPoster toWindow,
                           CallMonitorWindow& window, MonitorTiming timing)
    : CConnectionMonitor(std::move(links), std::move(timing)),
      m_window(window),
      m_sender(std::move(toWindow)) {}

CCallMonitor::~CCallMonitor() {
    StopMonitor();
}

void CCallMonitor::OnDisconnect(const CConnectionRecord& record) {
    m_sender.Send([&] { m_window.OnCallEnded(record); });
}

void CCallMonitor::OnEnumerate(const std::vector<ActiveConnection>& connections) {
    CConnectionMonitor::OnEnumerate(connections);
    const int count = static_cast<int>(connections.size());
    m_sender.Send([&] { m_window.OnConnectionCount(count); });
}

}  // namespace linkvane
