#include "platform/modem_probe.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/modem_talk.h"
#include "platform/port_holders.h"
#include "platform/serial_line.h"

namespace linkvane {

namespace {

using Clock = std::chrono::steady_clock;

ProbeResult Found(const std::string& device, ProbeVerdict verdict, std::string reason) {
    ProbeResult result;
    result.device = device;
    result.verdict = verdict;
    result.reason = std::move(reason);
    return result;
}

ProbeVerdict VerdictForOpenError(int error, std::int16_t code) {
    if (code == kDialErrorPortInUse)
        return ProbeVerdict::InUse;
    if (error == ENOENT || error == ENODEV || error == ENXIO)
        return ProbeVerdict::NoDevice;
    if (error == EACCES || error == EPERM)
        return ProbeVerdict::PermissionDenied;
    return ProbeVerdict::Unusable;
}

// The answer lines to one command, or nothing when none came within the time left.
std::vector<std::string> Ask(int fd, std::string_view command, const ProbeOptions& options,
                             Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0)
        return {};
    Result<std::vector<std::string>> answer =
        AskModem(fd, command, std::min(left, options.answerTime));
    return answer ? std::move(answer).value() : std::vector<std::string>{};
}

}  // namespace

ProbeResult ProbeModem(const std::string& device, const ProbeOptions& options,
                       std::stop_token stop) {
    const Clock::time_point until = Clock::now() + options.limit;
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) {
        return Found(device, ProbeVerdict::NoDevice, "There is no device at " + device + ".");
    }
    UucpLock lock;
    if (std::optional<DialEnd> failed = lock.Take(options.lockDir, device)) {
        // A live lock, or one that cannot be read as a lock: in use, as for a dial.
        ProbeResult result = Found(device, VerdictForOpenError(0, failed->errorCode), failed->text);
        result.holder = lock.holder();
        return result;
    }
    if (std::optional<PortHolder> holder = FindOpenHolder(device)) {
        ProbeResult result = Found(device, ProbeVerdict::InUse,
                                   InUseText(device, *holder, "it has the device open"));
        result.holder = std::move(holder);
        return result;
    }
    SerialLine line;
    if (std::optional<DialEnd> failed = line.Open(device, kProbeSpeeds.front())) {
        return Found(device, VerdictForOpenError(line.openError(), failed->errorCode),
                     failed->text);
    }
    for (const std::uint32_t speed : ProbeSpeeds(options.entrySpeed)) {
        if (stop.stop_requested() || Clock::now() >= until)
            break;
        if (!line.SetSpeed(speed) || Ask(line.fd(), kProbeReset, options, until).empty())
            continue;
        const std::vector<std::string> info = Ask(line.fd(), kProbeInfo, options, until);
        const std::vector<std::string> model = Ask(line.fd(), kProbeModel, options, until);
        ProbeResult result = Found(device, ProbeVerdict::Modem, {});
        result.speed = speed;
        result.model = ModelFromAnswers(info, model);
        result.reason = "A modem answers at " + std::to_string(speed) + " bit/s" +
                        (result.model.empty() ? "." : ": " + result.model + ".");
        return result;  // the line is released, then the lock
    }
    return Found(device, ProbeVerdict::Silent,
                 device + " does not answer ATZ at any speed: it is silent, or no modem.");
}

std::vector<ProbeResult> ProbeModems(const std::vector<std::string>& devices,
                                     const ProbeOptions& options, std::stop_token stop) {
    // A port named twice (its by-id link and its node) is probed once: two probes of one
    // port would find each other's lock.
    std::vector<std::string> ports;   // each port once, by its real path
    std::vector<std::string> probed;  // the name it is probed by: its first one
    std::vector<std::size_t> portOf;  // for each device
    for (const std::string& device : devices) {
        std::error_code error;
        const std::string port = std::filesystem::weakly_canonical(device, error).string();
        const auto at = std::find(ports.begin(), ports.end(), port);
        portOf.push_back(static_cast<std::size_t>(at - ports.begin()));
        if (at == ports.end()) {
            ports.push_back(port);
            probed.push_back(device);
        }
    }
    std::vector<ProbeResult> found(ports.size());
    {
        std::vector<std::jthread> probes;
        probes.reserve(ports.size());
        for (std::size_t i = 0; i < ports.size(); ++i) {
            probes.emplace_back([&found, &probed, &options, stop, i] {
                found[i] = ProbeModem(probed[i], options, stop);
            });
        }
    }  // every probe has ended here
    std::vector<ProbeResult> results;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        results.push_back(found[portOf[i]]);
        results.back().device = devices[i];
    }
    return results;
}

}  // namespace linkvane
