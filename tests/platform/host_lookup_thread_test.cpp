// Name lookups run on a helper thread while the caller waits in its BlockingWait (the window
// keeps painting); a dotted address needs neither. Inside a private network, so that a lookup
// that reaches for a name server sends nothing beyond this process's own namespace.

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include "platform/posix_sockets.h"
#include "tools/tun_echo_host.h"

namespace linkvane {
namespace {

class CountingWait final : public BlockingWait {
  public:
    WaitResult Wait(int fd, WaitFor what, std::chrono::milliseconds limit) override {
        ++calls;
        return m_poll.Wait(fd, what, limit);
    }
    int calls = 0;

  private:
    PollWait m_poll;
};

TEST(HostLookup, NamesAreLookedUpWhileTheCallerWaitsAndDottedAddressesAreNot) {
    testing::EnterPrivateNetwork(true);
    const struct {
        const char* host;
        std::optional<std::uint32_t> address;  // nullopt: not found
        bool waits;
    } cases[] = {
        {"127.0.0.1", htonl(INADDR_LOOPBACK), false},
        {"192.0.2.7", htonl(0xC0000207), false},
        {"localhost", htonl(INADDR_LOOPBACK), true},
        {"no-such-host.invalid", std::nullopt, true},
    };
    for (const auto& c : cases) {
        CountingWait wait;
        const Result<std::uint32_t> found = ResolveHostIPv4(c.host, wait);
        EXPECT_EQ(found.ok() ? std::optional(*found) : std::nullopt, c.address) << c.host;
        EXPECT_EQ(wait.calls > 0, c.waits) << c.host;
        if (!found.ok()) {
            EXPECT_GE(found.error().code, 11001u) << c.host;
            EXPECT_LE(found.error().code, 11004u) << c.host;
        }
    }
}

}  // namespace
}  // namespace linkvane
