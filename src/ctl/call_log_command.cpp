// linkvanectl links and log: the dial-up links that are up now, and the call log.

#include <array>
#include <fstream>
#include <iostream>

#include "core/connection/call_log.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "platform/ppp_links.h"
#include "platform/xdg_paths.h"

namespace linkvane::ctl {

namespace {

int Links(Invocation& call) {
    PppLinkOptions options;
    if (const auto runDir = call.args.Value("--run-dir"))
        options.runDir = *runDir;
    PppLinks links(options);
    const auto listed = links.EnumConnections();
    if (!listed)
        return ReportFailure(listed.error());
    if (call.args.Has("--json")) {
        Json out = Json::array();
        for (const ActiveConnection& link : *listed) {
            Json item = Json::object();
            item["entry"] = link.entryName;
            item["deviceType"] = link.deviceType;
            item["deviceName"] = link.deviceName;
            item["pid"] = link.handle == 0 ? Json(nullptr) : Json(link.handle);
            item["interface"] =
                link.interfaceName.empty() ? Json(nullptr) : Json(link.interfaceName);
            item["localAddress"] =
                link.localAddress.empty() ? Json(nullptr) : Json(link.localAddress);
            item["nameServers"] = link.nameServers;
            out.push_back(std::move(item));
        }
        PrintJson(Json{{"links", std::move(out)}});
        return kExitSuccess;
    }
    if (listed->empty())
        std::cout << "No dial-up link is up.\n";
    for (const ActiveConnection& link : *listed) {
        std::cout << OneLine(link.entryName) << ": " << link.deviceType;
        if (!link.deviceName.empty())
            std::cout << ' ' << OneLine(link.deviceName);
        if (link.handle != 0)
            std::cout << " (pppd " << link.handle << ')';
        if (!link.interfaceName.empty() && link.interfaceName != link.deviceName)
            std::cout << " on " << OneLine(link.interfaceName);
        for (std::size_t i = 0; i < link.nameServers.size(); ++i)
            std::cout << (i == 0 ? ", name servers " : " ") << OneLine(link.nameServers[i]);
        std::cout << '\n';
    }
    return kExitSuccess;
}

Json CallJson(const CallLogLine& call) {
    Json item = Json::object();
    item["entry"] = call.entryName;
    item["start"] = call.date + " " + call.time;
    item["date"] = call.date;
    item["time"] = call.time;
    item["durationSeconds"] = call.durationSeconds;
    return item;
}

void PrintSummary(const std::vector<MonthlyCalls>& summary, bool json) {
    if (json) {
        Json out = Json::array();
        for (const MonthlyCalls& total : summary) {
            Json item = Json::object();
            item["entry"] = total.entryName;
            item["month"] = total.month.empty() ? Json(nullptr) : Json(total.month);
            item["calls"] = total.calls;
            item["seconds"] = total.seconds;
            out.push_back(std::move(item));
        }
        PrintJson(Json{{"summary", std::move(out)}});
        return;
    }
    for (const MonthlyCalls& total : summary) {
        std::cout << OneLine(total.entryName) << '\t'
                  << (total.month.empty() ? "unknown month" : total.month) << '\t' << total.calls
                  << (total.calls == 1 ? " call\t" : " calls\t") << DurationText(total.seconds)
                  << '\n';
    }
}

int Log(Invocation& call) {
    const std::filesystem::path path = CallLogPath();
    std::vector<std::string> lines;
    std::error_code ec;
    // No log yet is an empty log; linkvanectl only reads, so it creates nothing.
    if (std::filesystem::exists(path, ec)) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return ReportFailure(
                Fail("Cannot read the call log " + path.string(), win::kAccessDenied));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
        }
    }
    const bool json = call.args.Has("--json");
    std::vector<CallLogLine> calls;
    Json parsed = Json::array();
    Json unrecognised = Json::array();
    for (const std::string& line : lines) {
        if (auto one = ParseCallLogLine(line)) {
            parsed.push_back(CallJson(*one));
            calls.push_back(std::move(*one));
        } else if (!line.empty()) {
            unrecognised.push_back(line);
        }
    }
    if (call.args.Has("--summary")) {
        PrintSummary(SummariseCalls(calls), json);
    } else if (json) {
        PrintJson(Json{{"log", path.string()},
                       {"calls", std::move(parsed)},
                       {"unrecognised", std::move(unrecognised)}});
    } else {
        for (const std::string& line : lines)
            std::cout << OneLine(line) << '\n';
    }
    return kExitSuccess;
}

constexpr std::array<CommandInfo, 1> kLinksCommands{{
    {"", "[--json] [--run-dir DIR]",
     "Lists the dial-up links that are up, whoever dialled them: the entry (pppd's ipparam,\n"
     "      else its linkname, else its interface), the device type and name, pppd's pid, the\n"
     "      interface and, for Linkvane's links, the provider's name servers as pppd reported\n"
     "      them. --run-dir: where pppd writes its pid files (default /run). JSON:\n"
     "      {\"links\":[{\"entry\",\"deviceType\",\"deviceName\",\"pid\",\"interface\",\n"
     "      \"localAddress\",\"nameServers\":[...]}]}.",
     0, 0, "--json", "--run-dir", Links},
}};

constexpr std::array<CommandInfo, 1> kLogCommands{{
    {"", "[--json] [--summary]",
     "Prints the call log ($XDG_DATA_HOME/linkvane/connect.log) in file order: one line per\n"
     "      finished call, \"ENTRY - DATE TIME (H:MM:SS)\". --summary adds up the calls and the\n"
     "      time online per entry and month instead, for the providers' bills.\n"
     "      JSON: "
     "{\"log\",\"calls\":[{\"entry\",\"start\",\"date\",\"time\",\"durationSeconds\"}],\n"
     "      \"unrecognised\":[...]}; with --summary {\"summary\":[{\"entry\",\"month\",\"calls\",\n"
     "      \"seconds\"}]}, month \"YYYY-MM\" or null when the date names none.",
     0, 0, "--json --summary", "", Log},
}};

}  // namespace

const CommandGroup& LinksGroup() {
    static const CommandGroup group{"links", "list the dial-up links that are up", kLinksCommands,
                                    ""};
    return group;
}

const CommandGroup& LogGroup() {
    static const CommandGroup group{"log", "show the call log, or the time online per month",
                                    kLogCommands, ""};
    return group;
}

}  // namespace linkvane::ctl
