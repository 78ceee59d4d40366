// The keep-alive ping through real ICMP sockets: to loopback, and to echo hosts on a TUN
// device inside a network namespace the test makes, which answer, delay, stay silent, send
// ICMP errors, return damaged echoes or replies that are not the host's answer.

#include "platform/icmp_socket.h"

#include <arpa/inet.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <thread>

#include "core/util/win_error.h"
#include "platform/posix_sockets.h"
#include "tools/tun_echo_host.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::EchoBehaviour;

TEST(Ping, LoopbackAnswersAndTheLabelShowsTimeAndDate) {
    PollWait wait;
    LinuxIcmpEcho echo(wait);
    IcmpLibrary library(echo);
    const Result<PingReply> reply =
        Ping(library, "127.0.0.1", kPingTtl, kPingTimeout, kPingDataSize);
    ASSERT_TRUE(reply.ok()) << reply.error().Describe();
    EXPECT_EQ(reply->address, htonl(INADDR_LOOPBACK));
    EXPECT_LT(reply->roundTripMs, 1000u);
    std::tm when{};
    ASSERT_NE(strptime("2026-12-05 17:20:58", "%Y-%m-%d %H:%M:%S", &when), nullptr);
    EXPECT_TRUE(std::regex_match(PingLabelText(reply, when),
                                 std::regex(R"(\d+ms \( Sat Dec 05 17:20:58 2026 \))")));
    EXPECT_EQ(PingLabelText(Fail("x", 11010), when), "Ping Error: 11010ms");
}

class PrivateNetworkPing : public ::testing::TestWithParam<bool> {};

TEST_P(PrivateNetworkPing, EchoHostsAnswerAsTheirRulesSay) {
    testing::EnterPrivateNetwork(GetParam());
    const struct {
        const char* host;
        testing::EchoRule rule;
        std::uint32_t error;  // 0: a reply
    } cases[] = {
        {"192.0.2.2", {EchoBehaviour::Reply, 0ms}, 0},
        {"192.0.2.3", {EchoBehaviour::Reply, 60ms}, 0},
        {"192.0.2.4", {EchoBehaviour::Silent, 0ms}, win::kIpRequestTimedOut},
        {"192.0.2.5", {EchoBehaviour::HostUnreachable, 0ms}, win::kIpDestHostUnreachable},
        {"192.0.2.6", {EchoBehaviour::TtlExceeded, 0ms}, win::kIpTtlExpiredTransit},
        {"192.0.2.7", {EchoBehaviour::ShortEcho, 0ms}, win::kUnexpectedNetworkError},
        {"192.0.2.8", {EchoBehaviour::AlteredEcho, 0ms}, win::kUnexpectedNetworkError},
        {"192.0.2.9", {EchoBehaviour::ForeignReply, 0ms}, win::kIpRequestTimedOut},
        {"192.0.2.10", {EchoBehaviour::BadChecksum, 0ms}, win::kIpRequestTimedOut},
        {"192.0.2.11", {EchoBehaviour::WrongSequence, 0ms}, win::kIpRequestTimedOut},
    };
    std::map<std::string, testing::EchoRule> rules;
    for (const auto& c : cases)
        rules[c.host] = c.rule;
    testing::TunEchoHost hosts(rules);
    PollWait wait;
    LinuxIcmpEcho echo(wait);
    IcmpLibrary library(echo);
    ASSERT_TRUE(library.EnsureLoaded().ok());
    EXPECT_EQ(echo.UsesPingSocket(), GetParam());
    for (const auto& c : cases) {
        // A ping that must time out waits 200 ms for nothing; one that is answered has 2 s.
        const auto limit = c.error == win::kIpRequestTimedOut ? 200ms : 2000ms;
        const Result<PingReply> reply = Ping(library, c.host, kPingTtl, limit, kPingDataSize);
        EXPECT_EQ(reply.ok() ? 0u : reply.error().code, c.error) << c.host;
        if (reply.ok() && c.rule.delay > 0ms) {
            // The round trip is the host's delay as the kernel saw it arrive.
            EXPECT_GE(reply->roundTripMs, 60u);
            EXPECT_LT(reply->roundTripMs, 200u);
        }
    }
    for (const testing::SeenRequest& seen : hosts.Seen()) {
        EXPECT_EQ(seen.ttl, kPingTtl);
        EXPECT_EQ(seen.tos, 0);
        EXPECT_EQ(seen.data, std::vector<std::uint8_t>(32, 0x45));
    }
    EXPECT_EQ(hosts.Seen().size(), std::size(cases));
}

INSTANTIATE_TEST_SUITE_P(PingOrRawSocket, PrivateNetworkPing, ::testing::Bool(),
                         [](const auto& param) {
                             return param.param ? "PingSocket" : "RawSocket";
                         });

// Capabilities and namespaces belong to a thread: this test changes only its own.
void WithoutIcmpSockets() {
    testing::EnterPrivateNetwork(false);
    // CAP_NET_RAW out of this thread's effective set, so raw sockets are refused.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    ASSERT_EQ(::syscall(SYS_capget, &header, data), 0);
    data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
    ASSERT_EQ(::syscall(SYS_capset, &header, data), 0);
    PollWait wait;
    LinuxIcmpEcho echo(wait);
    IcmpLibrary library(echo);
    const Result<PingReply> first = Ping(library, "127.0.0.1", kPingTtl, 500ms, kPingDataSize);
    ASSERT_FALSE(first.ok());
    EXPECT_EQ(first.error().code, win::kWsaAccess);
    // Ping sockets allowed now: the run's library was tried once and stays unusable.
    testing::EnterPrivateNetwork(true);
    const Result<PingReply> later = Ping(library, "127.0.0.1", kPingTtl, 500ms, kPingDataSize);
    ASSERT_FALSE(later.ok());
    EXPECT_EQ(later.error().code, win::kWsaAccess);
    LinuxIcmpEcho fresh(wait);
    IcmpLibrary nextRun(fresh);
    EXPECT_TRUE(Ping(nextRun, "127.0.0.1", kPingTtl, 500ms, kPingDataSize).ok());
    // A name no server can resolve (none can be reached from here) fails with the resolver's error.
    const Result<PingReply> unknown =
        Ping(nextRun, "no-such-host.invalid", kPingTtl, 500ms, kPingDataSize);
    ASSERT_FALSE(unknown.ok());
    EXPECT_GE(unknown.error().code, win::kWsaHostNotFound);
    EXPECT_LE(unknown.error().code, 11004u);
}

TEST(Ping, WithoutAnyIcmpSocketEveryPingOfTheRunFailsWithTheFirstErrorAndUnknownHostsFail) {
    std::thread(WithoutIcmpSockets).join();
}

}  // namespace
}  // namespace linkvane
