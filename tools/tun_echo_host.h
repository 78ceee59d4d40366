#pragma once

// Test hosts for the ping, inside a network namespace of the calling process's own.
//
// EnterPrivateNetwork() moves the calling thread (and what it starts afterwards: threads and
// child processes) into a new, unnamed network namespace that disappears with them, brings up
// its loopback, and optionally allows ping sockets there. TunEchoHost then creates a TUN
// device with 192.0.2.1/24 and answers ICMP echo requests to other 192.0.2.x addresses from a
// thread, as each address's behaviour says: reply, reply late, stay silent, answer with an
// ICMP error, return a short or altered echo, or send an echo reply that is not the host's
// answer (from another address, with a bad checksum, with another sequence). No packet ever
// leaves the namespace.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linkvane::testing {

// Throws std::runtime_error when the namespace cannot be made (needs CAP_SYS_ADMIN).
void EnterPrivateNetwork(bool allowPingSockets);

enum class EchoBehaviour {
    Reply,
    Silent,
    HostUnreachable,
    TtlExceeded,
    ShortEcho,
    AlteredEcho,
    ForeignReply,  // the echo reply comes from 192.0.2.254
    BadChecksum,
    WrongSequence
};

struct EchoRule {
    EchoBehaviour behaviour = EchoBehaviour::Reply;
    std::chrono::milliseconds delay{0};
};

// What the host saw of one echo request.
struct SeenRequest {
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    std::vector<std::uint8_t> data;
};

class TunEchoHost {
  public:
    // rules by dotted address ("192.0.2.2"); requests to other addresses are dropped.
    explicit TunEchoHost(std::map<std::string, EchoRule> rules);
    ~TunEchoHost();
    TunEchoHost(const TunEchoHost&) = delete;
    TunEchoHost& operator=(const TunEchoHost&) = delete;

    std::vector<SeenRequest> Seen();

  private:
    void Serve();

    std::map<std::uint32_t, EchoRule> m_rules;  // by address, network byte order
    int m_tun = -1;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<SeenRequest> m_seen;
    std::thread m_thread;
};

}  // namespace linkvane::testing
