#pragma once

// The machine's active dial-up links, whoever dialled them, and how to end them.
//
// ConnectionEnumerator lists the links (in a stable order) and hangs one up by the handle it
// listed. HangUpAllConnections ends every link it finds, one after the other, pausing between
// them so that each line and modem can settle. Nothing here shows anything to the user.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/result.h"

namespace linkvane {

// Octets that have crossed a link, as its interface counts them.
struct LinkVolume {
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;

    bool operator==(const LinkVolume&) const = default;
};

struct ActiveConnection {
    std::string entryName;   // the phonebook entry the link was dialled for
    std::string deviceType;  // "modem" for a serial line, "ppp" when no line is known
    std::string deviceName;  // the line's device path, or the link's interface name
    std::uint64_t handle = 0;
    std::string interfaceName;             // "ppp0"; empty while the link has none
    std::optional<LinkVolume> volume;      // the interface's counters now, when they can be read
    std::string localAddress;              // the interface's IPv4 address, once it has one
    std::vector<std::string> nameServers;  // the provider's, as the link reported them

    bool operator==(const ActiveConnection&) const = default;
};

class ConnectionEnumerator {
  public:
    virtual ~ConnectionEnumerator() = default;
    // The links that are up now. Fails when the links cannot be listed at all.
    virtual Result<std::vector<ActiveConnection>> EnumConnections() = 0;
    // Ends the link with that handle; returns when it has ended or the attempt has failed.
    // A handle whose link has gone already is a failure and touches nothing.
    virtual Status HangUp(std::uint64_t handle) = 0;
    // A new enumerator over the same links, for another thread (an enumerator serves one
    // thread at a time); null when this kind cannot make one.
    virtual std::unique_ptr<ConnectionEnumerator> Clone() const { return nullptr; }
};

// What the main window shows of the entry's link: "DNS: 192.0.2.1, 192.0.2.3" with the name
// servers of the first listed link of that entry that has some; empty when none has.
std::string NameServersText(const std::vector<ActiveConnection>& links, std::string_view entry);

inline constexpr std::chrono::milliseconds kHangUpPause{1000};

// Hangs up every link in the order listed, pausing `pause` after each hang-up (the pause is
// taken by `sleep`, which tests replace). When the links cannot be listed nothing is hung up;
// a link that fails to hang up does not stop the others. Blocks the calling thread.
void HangUpAllConnections(ConnectionEnumerator& links,
                          std::chrono::milliseconds pause = kHangUpPause,
                          const std::function<void(std::chrono::milliseconds)>& sleep = {});

}  // namespace linkvane
