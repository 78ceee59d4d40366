#include "platform/icmp_socket.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "core/util/file_descriptor.h"
#include "core/util/internet_checksum.h"
#include "core/util/win_error.h"
#include "platform/posix_sockets.h"
#include "platform/winsock_errors.h"

namespace linkvane {
namespace {

using Clock = std::chrono::steady_clock;
static_assert(SOCK_DGRAM == 2 && SOCK_RAW == 3, "the header's socket kinds");

constexpr std::size_t kIcmpHeader = 8;

std::uint16_t Get16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::int64_t Nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
}

timespec RealTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

Error SocketError(int error) {
    return Fail("ICMP socket error", WinsockErrorOfErrno(error));
}

// One received datagram: bytes, sender, the kernel's receive time and, from the error queue,
// the ICMP error it carried.
struct Received {
    std::vector<std::uint8_t> bytes;
    std::uint32_t from = 0;
    std::optional<timespec> stamp;
    std::optional<sock_extended_err> error;
    std::uint32_t offender = 0;
};

class IcmpSocket final : public IcmpEchoHandle {
  public:
    IcmpSocket(int fd, bool pingSocket, std::uint16_t sequence, BlockingWait& wait)
        : m_fd(fd), m_pingSocket(pingSocket), m_sequence(sequence), m_wait(wait) {}

    Result<EchoReply> SendEcho(std::uint32_t address, std::span<const std::uint8_t> data,
                               std::uint8_t ttl, std::chrono::milliseconds timeout) override {
        const int hops = ttl;
        const int zero = 0;
        const int on = 1;
        if (::setsockopt(m_fd.get(), IPPROTO_IP, IP_TTL, &hops, sizeof hops) != 0 ||
            ::setsockopt(m_fd.get(), IPPROTO_IP, IP_TOS, &zero, sizeof zero) != 0 ||
            ::setsockopt(m_fd.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0 ||
            (m_pingSocket &&
             ::setsockopt(m_fd.get(), IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0)) {
            return SocketError(errno);
        }
        m_id = static_cast<std::uint16_t>(::getpid());
        std::vector<std::uint8_t> packet{ICMP_ECHO,
                                         0,
                                         0,
                                         0,
                                         static_cast<std::uint8_t>(m_id >> 8),
                                         static_cast<std::uint8_t>(m_id),
                                         static_cast<std::uint8_t>(m_sequence >> 8),
                                         static_cast<std::uint8_t>(m_sequence)};
        packet.insert(packet.end(), data.begin(), data.end());
        const std::uint16_t sum = InternetChecksum(packet);
        packet[2] = static_cast<std::uint8_t>(sum >> 8);
        packet[3] = static_cast<std::uint8_t>(sum);

        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_addr.s_addr = address;
        const timespec sentAt = RealTimeNow();
        if (::sendto(m_fd.get(), packet.data(), packet.size(), 0,
                     reinterpret_cast<const sockaddr*>(&peer), sizeof peer) < 0) {
            if (errno == ENETUNREACH)
                return Fail("network unreachable", win::kIpDestNetUnreachable);
            if (errno == EHOSTUNREACH)
                return Fail("host unreachable", win::kIpDestHostUnreachable);
            return SocketError(errno);
        }

        const Clock::time_point deadline = Clock::now() + timeout;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 ||
                m_wait.Wait(m_fd.get(), WaitFor::Readable, left) == WaitResult::TimedOut) {
                return Fail("no echo reply in time", win::kIpRequestTimedOut);
            }
            // Drain what is there: ICMP errors first (ping sockets queue them apart), then data.
            while (std::optional<Received> got = ReceiveOne()) {
                if (std::optional<EchoReply> reply = Match(*got, address, sentAt))
                    return *reply;
            }
        }
    }

  private:
    std::optional<Received> ReceiveOne() {
        if (m_pingSocket) {
            if (std::optional<Received> error = ReceiveFrom(MSG_ERRQUEUE))
                return error;
        }
        return ReceiveFrom(0);
    }

    std::optional<Received> ReceiveFrom(int flags) {
        Received got;
        got.bytes.resize(65536);
        sockaddr_in from{};
        iovec part{got.bytes.data(), got.bytes.size()};
        std::array<char, 512> control{};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        const ssize_t size = ::recvmsg(m_fd.get(), &message, flags | MSG_DONTWAIT);
        if (size < 0)
            return std::nullopt;
        got.bytes.resize(static_cast<std::size_t>(size));
        got.from = from.sin_addr.s_addr;
        for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr;
             item = CMSG_NXTHDR(&message, item)) {
            if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_TIMESTAMPNS) {
                timespec stamp{};
                std::memcpy(&stamp, CMSG_DATA(item), sizeof stamp);
                got.stamp = stamp;
            } else if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_RECVERR) {
                sock_extended_err error{};
                std::memcpy(&error, CMSG_DATA(item), sizeof error);
                got.error = error;
                sockaddr_in offender{};
                std::memcpy(&offender, CMSG_DATA(item) + sizeof error, sizeof offender);
                got.offender = offender.sin_addr.s_addr;
            }
        }
        return got;
    }

    static std::uint32_t RoundTripMs(const Received& got, const timespec& sentAt) {
        const std::int64_t elapsed =
            Nanoseconds(got.stamp.value_or(RealTimeNow())) - Nanoseconds(sentAt);
        return elapsed <= 0 ? 0 : static_cast<std::uint32_t>((elapsed + 500000) / 1000000);
    }

    // The answer to our request in got, if it is one: an echo reply only from the address
    // pinged, and only with a valid checksum and our identifier and sequence, so that no other
    // host, and no damaged packet, can make a dead host look alive.
    std::optional<EchoReply> Match(const Received& got, std::uint32_t pinged,
                                   const timespec& sentAt) const {
        EchoReply reply;
        reply.roundTripMs = RoundTripMs(got, sentAt);
        if (got.error) {
            // Ping socket: the kernel matched the error to this socket already.
            if (got.error->ee_origin != SO_EE_ORIGIN_ICMP)
                return std::nullopt;
            reply.status = IpStatusOfIcmp(got.error->ee_type, got.error->ee_code);
            reply.address = got.offender;
            return reply;
        }
        std::span<const std::uint8_t> icmp(got.bytes);
        if (!m_pingSocket) {
            // A raw socket sees every ICMP message with its IP header in front.
            if (icmp.empty())
                return std::nullopt;
            const std::size_t headerSize = (icmp[0] & 0x0F) * 4u;
            if (headerSize < sizeof(iphdr) || icmp.size() < headerSize)
                return std::nullopt;
            icmp = icmp.subspan(headerSize);
        }
        if (icmp.size() < kIcmpHeader || InternetChecksum(icmp) != 0)
            return std::nullopt;
        const std::uint8_t type = icmp[0];
        reply.address = got.from;
        if (type == ICMP_ECHOREPLY) {
            // The kernel chooses and checks a ping socket's identifier.
            if (got.from != pinged || (!m_pingSocket && Get16(icmp, 4) != m_id) ||
                Get16(icmp, 6) != m_sequence)
                return std::nullopt;
            reply.data.assign(icmp.begin() + kIcmpHeader, icmp.end());
            return reply;
        }
        if (m_pingSocket || (type != ICMP_DEST_UNREACH && type != ICMP_TIME_EXCEEDED &&
                             type != ICMP_PARAMETERPROB && type != ICMP_SOURCE_QUENCH)) {
            return std::nullopt;
        }
        // The error quotes our request's IP header and first 8 bytes: is it ours?
        const std::span<const std::uint8_t> quoted = icmp.subspan(kIcmpHeader);
        if (quoted.empty())
            return std::nullopt;
        const std::size_t quotedHeader = (quoted[0] & 0x0F) * 4u;
        if (quotedHeader < sizeof(iphdr) || quoted.size() < quotedHeader + kIcmpHeader)
            return std::nullopt;
        const std::span<const std::uint8_t> request = quoted.subspan(quotedHeader);
        if (request[0] != ICMP_ECHO || Get16(request, 4) != m_id ||
            Get16(request, 6) != m_sequence) {
            return std::nullopt;
        }
        reply.status = IpStatusOfIcmp(type, icmp[1]);
        return reply;
    }

    FileDescriptor m_fd;
    bool m_pingSocket;
    std::uint16_t m_sequence;
    BlockingWait& m_wait;
    std::uint16_t m_id = 0;
};

}  // namespace

Status LinuxIcmpEcho::Load() {
    int lastErrno = 0;
    for (const int type : {kPingSocket, kRawSocket}) {
        const FileDescriptor probe(::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP));
        if (probe.valid()) {
            m_socketType = type;
            return Success();
        }
        // The first refusal is what the user sees when neither kind can be had.
        if (lastErrno == 0)
            lastErrno = errno;
    }
    if (lastErrno == EACCES || lastErrno == EPERM) {
        return Fail(
            "This user may not send ICMP echo requests: neither a ping socket "
            "(net.ipv4.ping_group_range does not hold the user's group; a Debian desktop "
            "opens it to all: sysctl net.ipv4.ping_group_range=\"0 2147483647\") nor a "
            "raw socket (needs root or cap_net_raw) may be opened",
            WinsockErrorOfErrno(lastErrno));
    }
    return SocketError(lastErrno);
}

Result<std::unique_ptr<IcmpEchoHandle>> LinuxIcmpEcho::CreateHandle() {
    const int fd = ::socket(AF_INET, m_socketType | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return SocketError(errno);
    return std::unique_ptr<IcmpEchoHandle>(
        std::make_unique<IcmpSocket>(fd, m_socketType == kPingSocket, ++m_sequence, m_wait));
}

Result<std::uint32_t> LinuxIcmpEcho::ResolveIPv4(std::string_view host) {
    return ResolveHostIPv4(host, m_wait);
}

}  // namespace linkvane
