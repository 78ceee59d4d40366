// linkvanectl modem list [--json] [--watch] and modem probe [DEVICE]: the machine's serial
// ports, as they come and go, and which of them answer as modems.

#include "ctl/modem_command.h"

#include <poll.h>

#include <array>
#include <iostream>

#include "core/connection/dialer_engine.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "ctl/stop_signals.h"
#include "platform/modem_probe.h"
#include "platform/udev_ports.h"

namespace linkvane::ctl {

namespace {

Json PortJson(const TtyDevice& port) {
    return {{"path", StablePath(port)}, {"device", port.node},       {"name", port.name},
            {"driver", port.driver},    {"vendorId", port.vendorId}, {"productId", port.productId},
            {"vendor", port.vendor},    {"model", port.model}};
}

std::string PortLine(const TtyDevice& port) {
    return OneLine(StablePath(port)) + "    " + OneLine(DescribePort(port));
}

Json PortsJson(const std::vector<TtyDevice>& ports) {
    Json list = Json::array();
    for (const TtyDevice& port : ports)
        list.push_back(PortJson(port));
    return {{"ports", std::move(list)}};
}

std::string JsonLine(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace) + '\n';
}

std::string ChangeText(const SerialPortList::Change& change, bool json) {
    const bool added = change.action == TtyAction::Add;
    if (json)
        return JsonLine({{"change", added ? "added" : "removed"}, {"port", PortJson(change.port)}});
    return (added ? "added " : "removed ") + PortLine(change.port) + '\n';
}

int List(Invocation& call) {
    UdevTtySource source;
    const FileDescriptor stop = BlockStopSignals();
    const auto print = [](const std::string& text) { std::cout << text << std::flush; };
    return ListSerialPorts(source, {call.args.Has("--json"), call.args.Has("--watch")}, print,
                           stop.get());
}

std::uint32_t VerdictCode(ProbeVerdict verdict) {
    switch (verdict) {
        case ProbeVerdict::InUse:
            return static_cast<std::uint32_t>(kDialErrorPortInUse);
        case ProbeVerdict::Silent:
        case ProbeVerdict::Modem:
            return static_cast<std::uint32_t>(kDialErrorModemInit);
        default:
            return static_cast<std::uint32_t>(kDialErrorPortNotFound);
    }
}

Json ProbeJson(const ProbeResult& result) {
    Json out = {{"device", result.device},
                {"status", VerdictName(result.verdict)},
                {"model", result.model},
                {"speed", result.speed},
                {"reason", result.reason}};
    if (result.holder)
        out["holder"] = {{"pid", result.holder->pid}, {"command", result.holder->command}};
    return out;
}

int Probe(Invocation& call) {
    ProbeOptions options;
    if (const auto speed = call.args.Value("--speed")) {
        Result<std::int64_t> parsed = ParseInteger(*speed, 300, 4000000, "the speed");
        if (!parsed)
            return call.UsageError(parsed.error().message);
        options.entrySpeed = static_cast<std::uint32_t>(*parsed);
    }
    std::vector<std::string> devices;
    if (!call.args.positional.empty()) {
        devices.push_back(call.Arg(0));
    } else {
        UdevTtySource source;
        Result<std::vector<TtyDevice>> found = source.Enumerate();
        if (!found)
            return ReportFailure(found.error());
        SerialPortList ports;
        ports.Reset(*found);
        for (const TtyDevice& port : ports.ports())
            devices.push_back(StablePath(port));
    }
    if (devices.empty())
        return ReportFailure(Fail("This machine has no serial port to probe."));
    const std::vector<ProbeResult> results = ProbeModems(devices, options);
    if (call.args.Has("--json")) {
        Json list = Json::array();
        for (const ProbeResult& result : results)
            list.push_back(ProbeJson(result));
        PrintJson({{"ports", std::move(list)}});
    } else {
        for (const ProbeResult& result : results)
            std::cout << OneLine(result.device) << ": " << OneLine(result.reason) << '\n';
    }
    const bool found = std::any_of(results.begin(), results.end(), [](const ProbeResult& result) {
        return result.verdict == ProbeVerdict::Modem;
    });
    if (found)
        return kExitSuccess;
    if (results.size() == 1)
        return ReportFailure(Fail(results.front().reason, VerdictCode(results.front().verdict)));
    return ReportFailure(
        Fail("No serial port answered as a modem.", VerdictCode(ProbeVerdict::Silent)));
}

constexpr std::array<CommandInfo, 2> kModem{{
    {"list", "[--json] [--watch]",
     "Lists the machine's serial ports (real UARTs, USB serial and modem devices) with the\n"
     "      path an entry should name (its /dev/serial/by-id name where udev made one), the\n"
     "      driver and the USB vendor and product. --watch then prints each port that comes\n"
     "      or goes until Ctrl-C; with --json each as one line:\n"
     "      {\"change\":\"added\"|\"removed\",\"port\":{...}}. JSON: "
     "{\"ports\":[{\"path\",\"device\",\n"
     "      \"name\",\"driver\",\"vendorId\",\"productId\",\"vendor\",\"model\"}]}.",
     0, 0, "--json --watch", "", List},
    {"probe", "[DEVICE] [--json] [--speed N]",
     "Asks DEVICE, or every serial port at once, ATZ, ATI and AT+GMM at speed N (if given),\n"
     "      115200, 57600 and 9600, and says which answer as a modem and their model, or why\n"
     "      a port is none: silent, no such device, in use (naming the process that holds it)\n"
     "      or permission denied. A port whose lock is held, or that another process has open,\n"
     "      is not touched. Exits 0 when a modem answered. JSON: {\"ports\":[{\"device\",\n"
     "      \"status\",\"model\",\"speed\",\"reason\",\"holder\":{\"pid\",\"command\"}}]}.",
     0, 1, "--json", "--speed", Probe},
}};

}  // namespace

int ListSerialPorts(TtySource& source, ListOptions options, const PrintText& print, int stopFd) {
    // Watched before the list is read, so that no change falls between the two.
    const std::unique_ptr<TtyWatch> watch = options.watch ? source.Watch() : nullptr;
    if (options.watch && watch == nullptr)
        return ReportFailure(Fail("The serial ports cannot be followed: udev does not answer."));
    Result<std::vector<TtyDevice>> found = source.Enumerate();
    if (!found)
        return ReportFailure(found.error());
    SerialPortList ports;
    ports.Reset(*found);
    if (options.json) {
        const Json list = PortsJson(ports.ports());
        print(options.watch ? JsonLine(list)
                            : list.dump(2, ' ', false, Json::error_handler_t::replace) + '\n');
    } else {
        std::string text;
        for (const TtyDevice& port : ports.ports())
            text += PortLine(port) + '\n';
        print(text);
    }
    while (options.watch) {
        std::array<pollfd, 2> fds{{{watch->Fd(), POLLIN, 0}, {stopFd, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return ReportFailure(Fail("The serial ports cannot be followed."));
        if (fds[1].revents != 0)
            break;
        for (const TtyEvent& event : watch->TakeEvents()) {
            if (const std::optional<SerialPortList::Change> change = ports.Apply(event))
                print(ChangeText(*change, options.json));
        }
    }
    return kExitSuccess;
}

const CommandGroup& ModemGroup() {
    static const CommandGroup group{"modem", "find and probe modems", kModem, ""};
    return group;
}

}  // namespace linkvane::ctl
