#pragma once

// The network interfaces of the core on POSIX sockets: PollWait (poll(2)), IPv4 resolution
// (a dotted address as inet_aton reads it, else getaddrinfo), and TCP streams that connect
// and wait through a BlockingWait, so that the window can keep painting meanwhile.
// Errors are Windows Sockets numbers (winsock_errors.h).

#include "core/connection/network.h"

namespace linkvane {

class PollWait final : public BlockingWait {
  public:
    WaitResult Wait(int fd, WaitFor what, std::chrono::milliseconds limit) override;
};

// A dotted address or the first IPv4 address of a name, network byte order.
Result<std::uint32_t> ResolveHostIPv4(std::string_view host);

class PosixSocketLayer final : public SocketLayer {
  public:
    // The longest a connect may take before it fails with 10060.
    static constexpr std::chrono::milliseconds kConnectLimit{21000};

    explicit PosixSocketLayer(BlockingWait& wait) : m_wait(wait) {}
    Result<std::unique_ptr<StreamSocket>> CreateStreamSocket() override;
    Result<std::uint32_t> ResolveIPv4(std::string_view host) override {
        return ResolveHostIPv4(host);
    }

  private:
    BlockingWait& m_wait;
};

}  // namespace linkvane
