#include "core/connection/ping.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/util/win_error.h"

namespace linkvane {

Status IcmpLibrary::EnsureLoaded() {
    if (!m_tried) {
        m_tried = true;  // a failed load is never repeated
        if (Status loaded = m_service.Load(); !loaded)
            m_loadError = loaded.error();
    }
    if (m_loadError)
        return *m_loadError;
    return Success();
}

Result<PingReply> Ping(IcmpLibrary& library, std::string_view host, std::uint8_t ttl,
                       std::chrono::milliseconds timeout, std::uint8_t dataSize) {
    if (Status ready = library.EnsureLoaded(); !ready)
        return ready.error();
    const Result<std::uint32_t> address = library.service().ResolveIPv4(host);
    if (!address)
        return address.error();
    Result<std::unique_ptr<IcmpEchoHandle>> handle = library.service().CreateHandle();
    if (!handle)
        return handle.error();
    const std::vector<std::uint8_t> data(dataSize, kPingDataByte);
    Result<EchoReply> echo = (*handle)->SendEcho(*address, data, ttl, timeout);
    if (!echo)
        return echo.error();
    if (echo->status != 0)
        return Fail("the echo request failed", echo->status);
    const bool intact = echo->data.size() == data.size() &&
                        std::all_of(echo->data.begin(), echo->data.end(),
                                    [](std::uint8_t byte) { return byte == kPingDataByte; });
    if (!intact)
        return Fail("the echo came back short or altered", win::kUnexpectedNetworkError);
    return PingReply{echo->address, echo->roundTripMs};
}

std::uint32_t IpStatusOfIcmp(std::uint8_t type, std::uint8_t code) {
    constexpr std::uint8_t kUnreachable = 3, kSourceQuench = 4, kTimeExceeded = 11,
                           kParameterProblem = 12;
    switch (type) {
        case kUnreachable:
            switch (code) {
                case 0:
                    return win::kIpDestNetUnreachable;
                case 2:
                    return win::kIpDestProtocolUnreachable;
                case 3:
                    return win::kIpDestPortUnreachable;
                case 4:
                    return win::kIpPacketTooBig;
                default:
                    return win::kIpDestHostUnreachable;
            }
        case kSourceQuench:
            return win::kIpSourceQuench;
        case kTimeExceeded:
            return code == 0 ? win::kIpTtlExpiredTransit : win::kIpTtlExpiredReassembly;
        case kParameterProblem:
            return win::kIpParameterProblem;
        default:
            return win::kIpGeneralFailure;
    }
}

std::string AsctimeText(const std::tm& time) {
    static constexpr std::array<const char*, 7> kDays{"Sun", "Mon", "Tue", "Wed",
                                                      "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto day = static_cast<std::size_t>(std::clamp(time.tm_wday, 0, 6));
    const auto month = static_cast<std::size_t>(std::clamp(time.tm_mon, 0, 11));
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%s %s %02d %02d:%02d:%02d %d", kDays[day],
                  kMonths[month], time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec,
                  time.tm_year + 1900);
    return text.data();
}

std::string PingLabelText(const Result<PingReply>& result, const std::tm& when) {
    if (!result)
        return "Ping Error: " + std::to_string(static_cast<std::int32_t>(result.error().code)) +
               "ms";
    return std::to_string(result->roundTripMs) + "ms ( " + AsctimeText(when) + " )";
}

}  // namespace linkvane
