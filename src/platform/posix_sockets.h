#pragma once

// The network interfaces of the core on POSIX sockets: PollWait (poll(2)), IPv4 resolution
// (a dotted address as inet_aton reads it, else getaddrinfo), and TCP streams that connect
// and wait through a BlockingWait, so that the window can keep painting meanwhile.
//
// Threads: a name lookup runs on a helper thread of its own while the calling thread spends
// the time in its BlockingWait; the helper is joined before the lookup returns, and shares
// nothing but the name and the answer with it.
// Errors are Windows Sockets numbers (winsock_errors.h).

#include "core/connection/network.h"

namespace linkvane {

class PollWait final : public BlockingWait {
  public:
    WaitResult Wait(int fd, WaitFor what, std::chrono::milliseconds limit) override;
};

// A dotted address or the first IPv4 address of a name, network byte order. A name is looked
// up on a helper thread while the caller waits in `wait`.
Result<std::uint32_t> ResolveHostIPv4(std::string_view host, BlockingWait& wait);

class PosixSocketLayer final : public SocketLayer {
  public:
    // The longest a connect may take before it fails with 10060.
    static constexpr std::chrono::milliseconds kConnectLimit{21000};

    explicit PosixSocketLayer(BlockingWait& wait) : m_wait(wait) {}
    Result<std::unique_ptr<StreamSocket>> CreateStreamSocket() override;
    Result<std::uint32_t> ResolveIPv4(std::string_view host) override {
        return ResolveHostIPv4(host, m_wait);
    }

  private:
    BlockingWait& m_wait;
};

}  // namespace linkvane
