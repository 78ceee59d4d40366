// The round-trip time that `linkvanectl ping` reports to a host that answers 20 ms late,
// against iputils ping to the same host in the same run. The host is an echo responder on a
// TUN device inside a private network namespace (192.0.2.2), so no packet leaves this
// process's own network. Prints both median round trips, their difference and ratio.
//
// Usage: ping_rtt_bench [pings]        (needs root: it makes the namespace)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "median.h"
#include "tools/tun_echo_host.h"

namespace {

using linkvane::bench::Median;

using namespace std::chrono_literals;

std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    ::pclose(pipe);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int pings = argc > 1 ? std::atoi(argv[1]) : 20;
    linkvane::testing::EnterPrivateNetwork(true);
    linkvane::testing::TunEchoHost host(
        {{"192.0.2.2", {linkvane::testing::EchoBehaviour::Reply, 20ms}}});

    // One ping of each in turn, so that a busy machine delays both alike.
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int i = 0; i < pings; ++i) {
        const auto reply = nlohmann::json::parse(
            Output(std::string(LINKVANECTL_PATH) + " ping 192.0.2.2 --json"), nullptr, false);
        if (reply.is_discarded() || reply.value("ok", false) != true) {
            std::fprintf(stderr, "linkvanectl ping failed\n");
            return 1;
        }
        ours.push_back(reply["rttMs"].get<double>());
        const std::string iputils = Output("ping -n -q -c 1 192.0.2.2");
        double rtt = 0;
        const std::size_t at = iputils.find("= ");
        if (at == std::string::npos || std::sscanf(iputils.c_str() + at + 2, "%lf", &rtt) != 1) {
            std::fprintf(stderr, "iputils ping gave no summary:\n%s", iputils.c_str());
            return 1;
        }
        theirs.push_back(rtt);
    }
    const double ourMedian = Median(ours);
    const double theirMedian = Median(theirs);

    std::printf("round trip to a host answering 20 ms late, %d pings each\n", pings);
    std::printf("  linkvanectl ping : %7.3f ms median (whole milliseconds, as the label shows)\n",
                ourMedian);
    std::printf("  iputils ping     : %7.3f ms median\n", theirMedian);
    std::printf("  difference       : %+7.3f ms\n", ourMedian - theirMedian);
    std::printf("  ratio            : %7.3fx\n", ourMedian / theirMedian);
    return 0;
}
