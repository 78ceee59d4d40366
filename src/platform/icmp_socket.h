#pragma once

// The ICMP echo service on Linux: a ping socket (SOCK_DGRAM, IPPROTO_ICMP) where the group
// range of net.ipv4.ping_group_range allows one, else a raw socket (needs CAP_NET_RAW). Load
// finds which kind can be had; a handle is one socket of that kind.
//
// The round-trip time is the kernel's receive timestamp (SO_TIMESTAMPNS) minus the time taken
// just before the request was sent. ICMP errors come back as replies with an IP status
// (IpStatusOfIcmp); no answer within the time-out is 11010. An echo reply counts only from the
// address pinged, with a valid checksum, our identifier and our sequence; anything else is
// passed over while the wait goes on. Waits go through a BlockingWait.

#include "core/connection/network.h"
#include "core/connection/ping.h"

namespace linkvane {

class LinuxIcmpEcho final : public IcmpEchoService {
  public:
    explicit LinuxIcmpEcho(BlockingWait& wait) : m_wait(wait) {}
    Status Load() override;
    Result<std::unique_ptr<IcmpEchoHandle>> CreateHandle() override;
    Result<std::uint32_t> ResolveIPv4(std::string_view host) override;

    bool UsesPingSocket() const { return m_socketType == kPingSocket; }

  private:
    static constexpr int kPingSocket = 2;  // SOCK_DGRAM
    static constexpr int kRawSocket = 3;   // SOCK_RAW

    BlockingWait& m_wait;
    int m_socketType = 0;
    std::uint16_t m_sequence = 0;  // of the last request sent
};

}  // namespace linkvane
