// linkvanectl hangup [NAME]: ending links.

#include <array>
#include <fstream>
#include <iostream>
#include <sstream>

#include "core/connection/modem_engine_settings.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "platform/ppp_links.h"

namespace linkvane::ctl {

namespace {

namespace fs = std::filesystem;

// A pppd Linkvane started ("call linkvane") and the entry it dials (its ipparam).
struct DialledLink {
    pid_t pid = 0;
    std::string entry;
};

std::vector<std::string> CommandLine(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(in, arg, '\0');)
        args.push_back(arg);
    return args;
}

std::vector<DialledLink> LinkvaneLinks(const fs::path& pppd) {
    std::vector<DialledLink> links;
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        const std::string name = process.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto pid = static_cast<pid_t>(std::stol(name));
        std::error_code gone;
        if (fs::read_symlink(process.path() / "exe", gone) != pppd)
            continue;
        const std::vector<std::string> args = CommandLine(pid);
        DialledLink link{pid, {}};
        bool ours = false;
        for (std::size_t i = 1; i + 1 < args.size(); ++i) {
            ours = ours || (args[i] == "call" && args[i + 1] == "linkvane");
            if (args[i] == "ipparam")
                link.entry = args[i + 1];
        }
        if (ours)
            links.push_back(link);
    }
    return links;
}

int HangUp(Invocation& call) {
    const bool named = !call.args.positional.empty();
    const std::string name = named ? call.Arg(0) : "";
    PppLinkOptions options;
    options.pppdPath = ReadPppdPath(call.session.registry());
    PppLinks links(options);

    std::vector<std::pair<std::string, pid_t>> targets;
    for (const DialledLink& link : LinkvaneLinks(options.pppdPath)) {
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
    {"", "[NAME] [--json]",
     "Ends the links Linkvane dialled, or the link of entry NAME (also one dialled by another\n"
     "      program): SIGTERM to its pppd, SIGKILL when it is still there 3 seconds later.",
     0, 1, "--json", "", HangUp},
}};

}  // namespace

const CommandGroup& HangUpGroup() {
    static const CommandGroup group{"hangup", "end dial-up links", kHangUp, ""};
    return group;
}

}  // namespace linkvane::ctl
