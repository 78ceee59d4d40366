#pragma once

// The call monitor: a background thread that lists the machine's dial-up links once a second
// and notices calls come and go, whoever dialled them.
//
// CConnectionMonitor keeps one CConnectionRecord per active link, in the order first seen.
// Each successful listing goes to OnEnumerate, whose base form compares it with the records:
// a record whose link is no longer listed has ended (OnDisconnect with its duration filled
// in, most recently first-seen record first, then the record goes), and a link without a
// record is new (OnConnect, then a record is appended). A listing that fails changes nothing,
// so an unreadable run directory never ends a call. A link that comes and goes between two
// polls is never seen.
//
// A record holds its call's identity for the call's whole life: pppd's pid and the link's
// interface, each as soon as a listing names it. A listed link is the record's call when
// their pids agree (both known), else when their interfaces agree (both known), else, when
// neither names the other's, by entry name, so that links that carry no identity and share a
// name share one record. So a name that is resolved late (the interface's name at first,
// the entry's once pppd's pid file names it) never ends one call and starts another: the
// record keeps its start and takes the better name; two records that turn out to be one call
// become the first one. Each listing's counters of the link's interface are kept, so the
// ended call carries the last reading taken while it was up (the interface goes with pppd).
//
// Threads: StartMonitor, StopMonitor and the destructor from one owning thread. The record
// list and the hooks belong to the monitor thread (or to the caller of Poll while no thread
// runs). The thread runs at idle priority (SCHED_IDLE). StopMonitor wakes it from its sleep,
// cancels a send in progress (OnStopping) and joins it; a later StartMonitor starts afresh with
// the records as they were. A derived class must call StopMonitor in its own destructor,
// because the thread calls its hooks.
//
// CCallMonitor reports to the main window through a BlockingPoster: each ended call
// (OnCallEnded, with a copy of the record that is valid while the handler runs) and after
// every listing the number of links (OnConnectionCount, then the links themselves,
// OnLinksListed, valid while the handler runs). Both wait until the window has handled them;
// StopMonitor releases a wait at once, and sends queued to a window that is gone never run.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/connection/connections.h"
#include "core/util/task_poster.h"

namespace linkvane {

struct CConnectionRecord {
    std::string EntryName;
    std::string DeviceName;
    std::string DeviceType;
    std::time_t StartTime = 0;         // when the monitor first saw the link (calendar time)
    std::int32_t DurationSeconds = 0;  // set only when the link is seen to have ended
    std::uint64_t Pid = 0;             // pppd's, 0 while no listing has named it
    std::string InterfaceName;         // the link's, empty while no listing has named it
    std::optional<LinkVolume> Volume;  // the interface's counters as last read

    bool operator==(const CConnectionRecord&) const = default;
};

// What the monitor reads the time from; tests replace it.
using WallClock = std::function<std::time_t()>;

struct MonitorTiming {
    std::chrono::milliseconds period{1000};
    WallClock now = [] { return std::time(nullptr); };
};

class CConnectionMonitor {
  public:
    // links: the monitor's own enumerator (never shared with another thread); may be null,
    // and then the monitor cannot start.
    explicit CConnectionMonitor(std::unique_ptr<ConnectionEnumerator> links,
                                MonitorTiming timing = {});
    virtual ~CConnectionMonitor();
    CConnectionMonitor(const CConnectionMonitor&) = delete;
    CConnectionMonitor& operator=(const CConnectionMonitor&) = delete;

    // Starts the thread; false when it cannot be created (or there is nothing to list). A
    // monitor that runs already is left running.
    bool StartMonitor();
    // Stops and joins the thread if one runs; always true.
    bool StopMonitor();
    bool Running() const { return m_thread.joinable(); }

    // One listing and, when it succeeds, OnEnumerate.
    void Poll();

    int FindRecord(std::string_view entryName) const;
    bool HasRecord(std::string_view entryName) const { return FindRecord(entryName) != -1; }
    const std::vector<CConnectionRecord>& Records() const { return m_records; }

  protected:
    virtual void OnConnect(const CConnectionRecord& record);
    virtual void OnDisconnect(const CConnectionRecord& record);
    virtual void OnEnumerate(const std::vector<ActiveConnection>& connections);
    // Owning thread, just before the thread starts, and once the stop has been asked for.
    virtual void OnStarting() {}
    virtual void OnStopping() {}

  private:
    void Run();
    bool StopRequested();

    std::vector<CConnectionRecord> m_records;
    std::unique_ptr<ConnectionEnumerator> m_links;
    MonitorTiming m_timing;
    std::thread m_thread;
    std::atomic<int> m_stop{0};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
};

// The main window's side of the call monitor. Runs on the window's thread.
class CallMonitorWindow {
  public:
    virtual ~CallMonitorWindow() = default;
    virtual void OnCallEnded(const CConnectionRecord& record) = 0;
    virtual void OnConnectionCount(int count) = 0;
    // After the count, the links of that listing (with their counters).
    virtual void OnLinksListed(const std::vector<ActiveConnection>&) {}
};

class CCallMonitor final : public CConnectionMonitor {
  public:
    // toWindow queues tasks on the window's thread; window must outlive the monitor thread.
    CCallMonitor(std::unique_ptr<ConnectionEnumerator> links, TaskPoster toWindow,
                 CallMonitorWindow& window, MonitorTiming timing = {});
    ~CCallMonitor() override;

  protected:
    void OnDisconnect(const CConnectionRecord& record) override;
    void OnEnumerate(const std::vector<ActiveConnection>& connections) override;
    void OnStarting() override { m_sender.Open(); }
    void OnStopping() override { m_sender.Close(); }

  private:
    CallMonitorWindow& m_window;
    BlockingPoster m_sender;
};

}  // namespace linkvane
