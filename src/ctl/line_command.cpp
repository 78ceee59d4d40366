// linkvanectl hangup [NAME]: ending links.

#include <array>
#include <iostream>
#include <sstream>

#include "core/connection/modem_engine_settings.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "ctl/program_bus.h"
#include "platform/ppp_links.h"

namespace linkvane::ctl {

namespace {

namespace fs = std::filesystem;

int HangUp(Invocation& call) {
    if (std::unique_ptr<LinkvaneBus> program = ProgramToUse(call)) {
        if (std::optional<int> done = HangUpThroughProgram(call, *program))
            return *done;
    }
    const bool named = !call.args.positional.empty();
    const std::string name = named ? call.Arg(0) : "";
    PppLinkOptions options;
    options.pppdPath = ReadPppdPath(call.session.registry());
    PppLinks links(options);

    std::vector<std::pair<std::string, pid_t>> targets;
    for (const LinkvanePppd& link : links.FindLinkvanePppds()) {
        if (!named || link.entry == name)
            targets.emplace_back(link.entry, link.pid);
    }
    if (named) {  // a link dialled by another program, by the name pppd gives it
        if (Result<std::vector<ActiveConnection>> listed = links.EnumConnections(); listed) {
            for (const ActiveConnection& link : *listed) {
                const auto pid = static_cast<pid_t>(link.handle);
                const bool known = std::any_of(targets.begin(), targets.end(),
                                               [pid](const auto& t) { return t.second == pid; });
                if (link.entryName == name && pid != 0 && !known)
                    targets.emplace_back(link.entryName, pid);
            }
        }
    }
    if (targets.empty()) {
        return ReportFailure(
            Fail(named ? "No link \"" + name + "\" is up." : "No link dialled by Linkvane is up."));
    }
    Json ended = Json::array();
    for (const auto& [entry, pid] : targets) {
        if (Status done = links.HangUp(static_cast<std::uint64_t>(pid)); !done)
            return ReportFailure(done.error());
        ended.push_back({{"entry", entry}, {"pid", pid}});
        if (!call.args.Has("--json"))
            std::cout << "Hung up " << OneLine(entry) << " (pppd " << pid << ").\n";
    }
    if (call.args.Has("--json"))
        PrintJson({{"hungUp", ended}});
    return kExitSuccess;
}

constexpr std::array<CommandInfo, 1> kHangUp{{
    {"", "[NAME] [--json] [--no-bus]",
     "Ends the links Linkvane dialled, or the link of entry NAME (also one dialled by another\n"
     "      program): SIGTERM to its pppd, SIGKILL when it is still there 3 seconds later. When\n"
     "      Linkvane runs with a call of its own (of NAME, when given), it hangs that call up\n"
     "      and the command waits until it has ended; --no-bus ends the links here always.",
     0, 1, "--json --no-bus", "", HangUp},
}};

}  // namespace

const CommandGroup& HangUpGroup() {
    static const CommandGroup group{"hangup", "end dial-up links", kHangUp, ""};
    return group;
}

}  // namespace linkvane::ctl
