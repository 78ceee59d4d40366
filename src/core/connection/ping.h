#pragma once

// The keep-alive ping: one ICMP echo request to the active profile's PingHost, its round-trip
// time shown in the window's "Last Ping:" line.
//
// IcmpEchoService is the system's echo library (on Linux a ping socket, or a raw socket where
// ping sockets are not allowed). IcmpLibrary loads it on the first ping of the run; once that
// failed, every later ping fails at once with the same error. Failures carry Windows numbers:
// the resolver's error, the IP status of an ICMP error or a time-out (11010), or 59 for an echo
// that came back short or altered. One thread; the wait blocks it for up to the time-out.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/result.h"

namespace linkvane {

inline constexpr std::uint8_t kPingTtl = 20;
inline constexpr std::chrono::milliseconds kPingTimeout{20000};
inline constexpr std::uint8_t kPingDataSize = 32;
inline constexpr std::uint8_t kPingDataByte = 0x45;

// What the echo service answered: a reply or an ICMP error (status non-zero) from address.
struct EchoReply {
    std::uint32_t status = 0;   // IP status: 0 for an echo reply
    std::uint32_t address = 0;  // network byte order
    std::uint32_t roundTripMs = 0;
    std::vector<std::uint8_t> data;
};

// One echo handle.
class IcmpEchoHandle {
  public:
    virtual ~IcmpEchoHandle() = default;
    // Sends one request and waits up to timeout. An error when no answer came (11010) or the
    // request could not be sent.
    virtual Result<EchoReply> SendEcho(std::uint32_t address, std::span<const std::uint8_t> data,
                                       std::uint8_t ttl, std::chrono::milliseconds timeout) = 0;
};

class IcmpEchoService {
  public:
    virtual ~IcmpEchoService() = default;
    // Makes the service usable; its error when it cannot be.
    virtual Status Load() = 0;
    virtual Result<std::unique_ptr<IcmpEchoHandle>> CreateHandle() = 0;
    virtual Result<std::uint32_t> ResolveIPv4(std::string_view host) = 0;
};

// The run's echo library: loaded once, on first use.
class IcmpLibrary {
  public:
    explicit IcmpLibrary(IcmpEchoService& service) : m_service(service) {}
    // Loads on the first call only; later calls repeat the first answer.
    Status EnsureLoaded();
    IcmpEchoService& service() { return m_service; }

  private:
    IcmpEchoService& m_service;
    bool m_tried = false;
    std::optional<Error> m_loadError;
};

struct PingReply {
    std::uint32_t address = 0;  // network byte order
    std::uint32_t roundTripMs = 0;
};

Result<PingReply> Ping(IcmpLibrary& library, std::string_view host, std::uint8_t ttl,
                       std::chrono::milliseconds timeout, std::uint8_t dataSize);

// The IP status of an ICMP error message (type 3, 4, 11, 12).
std::uint32_t IpStatusOfIcmp(std::uint8_t type, std::uint8_t code);

// "Sat Dec 05 17:20:58 2026": asctime's fixed form, day of the month with a leading zero.
std::string AsctimeText(const std::tm& time);
// "47ms ( Sat Dec 05 17:20:58 2026 )" or "Ping Error: 11010ms".
std::string PingLabelText(const Result<PingReply>& result, const std::tm& when);

}  // namespace linkvane
