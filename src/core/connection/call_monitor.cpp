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

// A name the listing fell back to because it knew no entry: the interface's, or none.
bool IsFallbackName(std::string_view name, std::string_view interfaceName) {
    return name.empty() || name == interfaceName;
}

bool SameCall(const CConnectionRecord& record, const ActiveConnection& link) {
    if (record.Pid != 0 && link.handle != 0)
        return record.Pid == link.handle;
    if (!record.InterfaceName.empty() && !link.interfaceName.empty())
        return record.InterfaceName == link.interfaceName;
    return record.EntryName == link.entryName;
}

// What the listing now knows of the record's call: identity it lacked, a better name (with
// the device the listing gives along with it), the counters.
void TakeIdentity(CConnectionRecord& record, const ActiveConnection& link) {
    if (record.Pid == 0)
        record.Pid = link.handle;
    if (record.InterfaceName.empty())
        record.InterfaceName = link.interfaceName;
    if (IsFallbackName(record.EntryName, record.InterfaceName) &&
        !IsFallbackName(link.entryName, link.interfaceName)) {
        record.EntryName = link.entryName;
        record.DeviceName = link.deviceName;
        record.DeviceType = link.deviceType;
    }
    if (link.volume)
        record.Volume = link.volume;
}

// `later`, a record first seen after `kept`, is found to be kept's call.
void MergeInto(CConnectionRecord& kept, const CConnectionRecord& later) {
    ActiveConnection asListed{later.EntryName,
                              later.DeviceType,
                              later.DeviceName,
                              later.Pid,
                              later.InterfaceName,
                              std::nullopt,
                              {},
                              {}};
    TakeIdentity(kept, asListed);
    kept.StartTime = std::min(kept.StartTime, later.StartTime);
    if (!kept.Volume)
        kept.Volume = later.Volume;
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
    // Which record each link is; records that turn out to be another record's call go.
    std::vector<std::optional<std::size_t>> claimedBy(connections.size());
    std::vector<bool> alive(m_records.size(), false);
    std::vector<bool> merged(m_records.size(), false);
    for (std::size_t link = 0; link < connections.size(); ++link) {
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            if (merged[i] || !SameCall(m_records[i], connections[link]))
                continue;
            if (!claimedBy[link]) {
                claimedBy[link] = i;
                alive[i] = true;
                TakeIdentity(m_records[i], connections[link]);
            } else if (*claimedBy[link] != i) {
                MergeInto(m_records[*claimedBy[link]], m_records[i]);
                merged[i] = true;
            }
        }
    }
    for (auto i = m_records.size(); i-- > 0;) {
        if (merged[i]) {
            m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (alive[i])
            continue;
        CConnectionRecord ended = m_records[i];
        ended.DurationSeconds = DurationBetween(ended.StartTime, now);
        OnDisconnect(ended);
        m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (std::size_t link = 0; link < connections.size(); ++link) {
        if (claimedBy[link])
            continue;
        const ActiveConnection& listed = connections[link];
        CConnectionRecord record{
            listed.entryName, listed.deviceName, listed.deviceType, now, 0, 0, {}, std::nullopt};
        TakeIdentity(record, listed);
        OnConnect(record);
        m_records.push_back(std::move(record));
        // A later link of the same call (by name, when nothing else tells) shares the record.
        for (std::size_t later = link + 1; later < connections.size(); ++later) {
            if (!claimedBy[later] && SameCall(m_records.back(), connections[later]))
                claimedBy[later] = m_records.size() - 1;
        }
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
    m_sender.Send([&] {
        m_window.OnConnectionCount(count);
        m_window.OnLinksListed(connections);
    });
}

}  // namespace linkvane
