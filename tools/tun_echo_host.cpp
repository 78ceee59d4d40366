#include "tun_echo_host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <span>
#include <stdexcept>

#include "core/util/internet_checksum.h"

namespace linkvane::testing {
namespace {

constexpr const char* kTunAddress = "192.0.2.1";
constexpr const char* kTunMask = "255.255.255.0";
constexpr std::size_t kIpHeader = 20;
constexpr std::size_t kQuoteSize = 8;  // request bytes an ICMP error quotes after the header

void Check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

void SetAddress(int control, const char* name, unsigned long request, const char* dotted) {
    ifreq item{};
    std::strncpy(item.ifr_name, name, IFNAMSIZ - 1);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, dotted, &address.sin_addr);
    std::memcpy(&item.ifr_addr, &address, sizeof address);
    Check(::ioctl(control, request, &item) == 0, std::string("configuring ") + name);
}

void BringUp(int control, const char* name) {
    ifreq item{};
    std::strncpy(item.ifr_name, name, IFNAMSIZ - 1);
    Check(::ioctl(control, SIOCGIFFLAGS, &item) == 0, std::string("reading ") + name);
    item.ifr_flags = static_cast<short>(item.ifr_flags | IFF_UP | IFF_RUNNING);
    Check(::ioctl(control, SIOCSIFFLAGS, &item) == 0, std::string("bringing up ") + name);
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

constexpr std::uint8_t kForeignHost[4] = {192, 0, 2, 254};

// An IPv4 packet from `from` to `to` carrying the ICMP message, checksums filled in (the
// ICMP one spoilt on request).
std::vector<std::uint8_t> IcmpPacket(const std::uint8_t* from, const std::uint8_t* to,
                                     std::vector<std::uint8_t> icmp, bool badChecksum = false) {
    if (icmp.size() < 4)  // no room for the checksum: not an ICMP message
        return {};
    Put16(icmp, 2, 0);
    Put16(icmp, 2, static_cast<std::uint16_t>(InternetChecksum(icmp) ^ (badChecksum ? 1 : 0)));
    std::vector<std::uint8_t> packet(kIpHeader);
    packet[0] = 0x45;
    Put16(packet, 2, static_cast<std::uint16_t>(kIpHeader + icmp.size()));
    packet[8] = 64;  // TTL
    packet[9] = IPPROTO_ICMP;
    std::memcpy(&packet[12], from, 4);
    std::memcpy(&packet[16], to, 4);
    Put16(packet, 10, InternetChecksum(packet));
    packet.insert(packet.end(), icmp.begin(), icmp.end());
    return packet;
}

}  // namespace

void EnterPrivateNetwork(bool allowPingSockets) {
    Check(::unshare(CLONE_NEWNET) == 0, "unshare(CLONE_NEWNET)");
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    Check(control >= 0, "socket");
    BringUp(control, "lo");
    ::close(control);
    std::ofstream range("/proc/sys/net/ipv4/ping_group_range");
    range << (allowPingSockets ? "0 2147483647" : "1 0") << '\n';
    range.close();
    if (!range)
        throw std::runtime_error("cannot set ping_group_range");
}

TunEchoHost::TunEchoHost(std::map<std::string, EchoRule> rules) {
    for (const auto& [dotted, rule] : rules) {
        in_addr address{};
        ::inet_pton(AF_INET, dotted.c_str(), &address);
        m_rules[address.s_addr] = rule;
    }
    m_tun = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    Check(m_tun >= 0, "/dev/net/tun");
    ifreq item{};
    item.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(item.ifr_name, "lvtun0", IFNAMSIZ - 1);
    Check(::ioctl(m_tun, TUNSETIFF, &item) == 0, "TUNSETIFF");
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    SetAddress(control, item.ifr_name, SIOCSIFADDR, kTunAddress);
    SetAddress(control, item.ifr_name, SIOCSIFNETMASK, kTunMask);
    BringUp(control, item.ifr_name);
    ::close(control);
    m_thread = std::thread([this] { Serve(); });
}

TunEchoHost::~TunEchoHost() {
    m_stop = true;
    m_thread.join();
    ::close(m_tun);
}

std::vector<SeenRequest> TunEchoHost::Seen() {
    std::lock_guard lock(m_mutex);
    return m_seen;
}

void TunEchoHost::Serve() {
    std::vector<std::uint8_t> packet(65536);
    while (!m_stop) {
        pollfd entry{m_tun, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0)
            continue;
        const ssize_t size = ::read(m_tun, packet.data(), packet.size());
        if (size < static_cast<ssize_t>(kIpHeader + 8))
            continue;
        const std::size_t header = (packet[0] & 0x0F) * 4u;
        std::uint32_t to = 0;
        std::memcpy(&to, &packet[16], 4);
        const auto rule = m_rules.find(to);
        if ((packet[0] >> 4) != 4 || packet[9] != IPPROTO_ICMP || header + 8 > std::size_t(size) ||
            packet[header] != 8 || rule == m_rules.end()) {
            continue;
        }
        const std::span<const std::uint8_t> request(&packet[header], std::size_t(size) - header);
        {
            std::lock_guard lock(m_mutex);
            m_seen.push_back({packet[8], packet[1], {request.begin() + 8, request.end()}});
        }
        if (rule->second.delay.count() > 0)
            std::this_thread::sleep_for(rule->second.delay);
        std::vector<std::uint8_t> icmp(request.begin(), request.end());
        switch (rule->second.behaviour) {
            case EchoBehaviour::Silent:
                continue;
            case EchoBehaviour::Reply:
            case EchoBehaviour::ForeignReply:
            case EchoBehaviour::BadChecksum:
                icmp[0] = 0;
                break;
            case EchoBehaviour::WrongSequence:
                icmp[0] = 0;
                icmp[7] ^= 0x01;
                break;
            case EchoBehaviour::ShortEcho:
                icmp[0] = 0;
                icmp.resize(icmp.size() / 2);
                break;
            case EchoBehaviour::AlteredEcho:
                icmp[0] = 0;
                icmp.back() ^= 0x01;
                break;
            case EchoBehaviour::HostUnreachable:
            case EchoBehaviour::TtlExceeded: {
                const bool unreachable = rule->second.behaviour == EchoBehaviour::HostUnreachable;
                icmp.assign(8, 0);
                icmp[0] = unreachable ? 3 : 11;
                icmp[1] = unreachable ? 1 : 0;
                icmp.insert(icmp.end(), packet.begin(),
                            packet.begin() + static_cast<std::ptrdiff_t>(header + kQuoteSize));
                break;
            }
        }
        const EchoBehaviour behaviour = rule->second.behaviour;
        const std::vector<std::uint8_t> answer =
            IcmpPacket(behaviour == EchoBehaviour::ForeignReply ? kForeignHost : &packet[16],
                       &packet[12], icmp, behaviour == EchoBehaviour::BadChecksum);
        if (::write(m_tun, answer.data(), answer.size()) < 0)
            continue;
    }
}

}  // namespace linkvane::testing
