#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>

#include "ctl/commands.h"
#include "ctl/output.h"

namespace linkvane::ctl {

namespace {

constexpr std::string_view kProgram = "linkvanectl";

constexpr std::string_view kIntroduction =
    "Linkvane's command-line companion: the registry store, the profiles, the dial-up\n"
    "phonebook and the client settings, the keep-alive ping and the mail check, for scripts\n"
    "and for a look at what is stored; the dial-up links that are up and the call log; and\n"
    "finding, probing and dialling a modem, and hanging up, from a terminal.\n";

constexpr std::string_view kConventions =
    "Every --json form prints exactly one JSON object on stdout (connect and modem list\n"
    "--watch: one a line, for each event). A failure prints one line\n"
    "\"linkvanectl: MESSAGE (code N)\" on stderr (the code where there is one: a Windows or\n"
    "Remote Access error number) and exits with 1; a usage error exits with 2. The settings\n"
    "live under $XDG_CONFIG_HOME/linkvane (default ~/.config/linkvane). Options take their\n"
    "value as the next argument or after \"=\"; \"--\" ends the options.\n";

std::array<const CommandGroup*, 11> Groups() {
    return {&RegGroup(),     &ProfileGroup(), &PhonebookGroup(), &ApplyGroup(),
            &PingGroup(),    &MailGroup(),    &LinksGroup(),     &LogGroup(),
            &ConnectGroup(), &HangUpGroup(),  &ModemGroup()};
}

const CommandGroup* FindGroup(std::string_view name) {
    for (const CommandGroup* group : Groups()) {
        if (group->name == name)
            return group;
    }
    return nullptr;
}

const CommandInfo* FindCommand(const CommandGroup& group, std::string_view name) {
    for (const CommandInfo& command : group.commands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

bool IsSingleCommand(const CommandGroup& group) {
    return group.commands.size() == 1 && group.commands.front().name.empty();
}

bool AsksForHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h" || arg == "help";
}

void PrintTopHelp(std::ostream& out) {
    out << "usage: " << kProgram << " [--help | --version] GROUP [COMMAND] [ARGUMENTS]\n\n"
        << kIntroduction << '\n';
    for (const CommandGroup* group : Groups()) {
        out << group->name << ": " << group->summary << '\n';
        for (const CommandInfo& command : group->commands)
            out << "  " << UsageLine(*group, command) << '\n';
    }
    out << '\n'
        << kConventions << "Run \"" << kProgram << " GROUP --help\" for each group's details.\n";
}

void PrintGroupHelp(const CommandGroup& group) {
    std::cout << "usage: " << kProgram << ' ' << group.name
              << (IsSingleCommand(group) ? " " : " COMMAND ")
              << (IsSingleCommand(group) ? group.commands.front().synopsis : "[ARGUMENTS]")
              << "\n\n"
              << group.summary << "\n\n";
    for (const CommandInfo& command : group.commands) {
        std::cout << "  " << UsageLine(group, command) << "\n      " << command.summary << '\n';
    }
    if (!group.notes.empty())
        std::cout << '\n' << group.notes;
    std::cout << '\n' << kConventions;
}

int UsageError(std::string_view message, std::string_view usage) {
    std::cerr << kProgram << ": " << OneLine(message) << "\nusage: " << usage << '\n';
    return kExitUsage;
}

std::string GroupUsage(const CommandGroup& group) {
    return std::string(kProgram) + " " + std::string(group.name) +
           " COMMAND [ARGUMENTS] (see --help)";
}

Status RunProfileChecks(ProfileChecks checks, Invocation& call) {
    if (checks == ProfileChecks::None)
        return Success();
    if (Status valid = ValidateEntryName(call.Arg(0)); !valid)
        return valid;
    return checks == ProfileChecks::ProgramRoots
               ? call.session.CheckProgramRoots()
               : call.session.CheckRoot(RegistryRoot::CurrentUser);
}

int RunCommand(const CommandGroup& group, const CommandInfo& command,
               std::span<const std::string> args) {
    Result<ParsedArgs> parsed = ParseArgs(args, command.flags, command.options);
    if (!parsed)
        return UsageError(parsed.error().message, UsageLine(group, command));
    if (parsed->Has("--help")) {
        PrintGroupHelp(group);
        return kExitSuccess;
    }
    const std::size_t count = parsed->positional.size();
    if (count < command.minArgs)
        return UsageError("missing arguments", UsageLine(group, command));
    if (count > command.maxArgs)
        return UsageError("too many arguments", UsageLine(group, command));
    Session session;
    Invocation call{session, *parsed, UsageLine(group, command)};
    if (Status ready = RunProfileChecks(command.checks, call); !ready)
        return ReportFailure(ready.error());
    return command.run(call);
}

}  // namespace

int Invocation::UsageError(std::string_view message) const {
    return ::linkvane::ctl::UsageError(message, usage);
}

std::string UsageLine(const CommandGroup& group, const CommandInfo& command) {
    std::string line = std::string(kProgram) + " " + std::string(group.name);
    if (!command.name.empty())
        line += " " + std::string(command.name);
    if (!command.synopsis.empty())
        line += " " + std::string(command.synopsis);
    return line;
}

// Output that could not be written (a full disk, a closed pipe) fails the run: a script must
// not take a cut-off listing for a whole one.
int CheckedOutput(int exitCode) {
    errno = 0;
    std::cout.flush();
    // A command that failed has said why already, often for this very reason.
    if (std::cout.good() || exitCode != kExitSuccess)
        return exitCode;
    const int error = errno;
    return ReportFailure(Fail(std::string("cannot write to standard output") +
                              (error != 0 ? std::string(": ") + std::strerror(error) : "")));
}

static int RunGroups(std::span<const std::string> args) {
    const std::string topUsage =
        std::string(kProgram) + " GROUP [COMMAND] [ARGUMENTS] (see --help)";
    if (args.empty())
        return UsageError("no command given", topUsage);
    if (AsksForHelp(args[0])) {
        const CommandGroup* group = args.size() > 1 ? FindGroup(args[1]) : nullptr;
        if (group != nullptr) {
            PrintGroupHelp(*group);
        } else {
            PrintTopHelp(std::cout);
        }
        return kExitSuccess;
    }
    if (args[0] == "--version") {
        std::cout << kProgram << ' ' << LINKVANE_VERSION << '\n';
        return kExitSuccess;
    }
    const CommandGroup* group = FindGroup(args[0]);
    if (group == nullptr)
        return UsageError("unknown command \"" + args[0] + "\"", topUsage);

    std::span<const std::string> rest = args.subspan(1);
    try {
        if (IsSingleCommand(*group))
            return RunCommand(*group, group->commands.front(), rest);
        if (rest.empty())
            return UsageError("the " + std::string(group->name) + " group needs a command",
                              GroupUsage(*group));
        if (AsksForHelp(rest[0])) {
            PrintGroupHelp(*group);
            return kExitSuccess;
        }
        const CommandInfo* command = FindCommand(*group, rest[0]);
        if (command == nullptr) {
            return UsageError(
                "unknown " + std::string(group->name) + " command \"" + rest[0] + "\"",
                GroupUsage(*group));
        }
        return RunCommand(*group, *command, rest.subspan(1));
    } catch (const std::exception& e) {
        // The core reports failures as values; this catches what the standard library throws
        // (out of memory, a stream that fails), so that no input ends the program uncleanly.
        return ReportFailure(Fail(std::string("unexpected failure: ") + e.what()));
    }
}

int RunCtl(std::span<const std::string> args) {
    return CheckedOutput(RunGroups(args));
}

}  // namespace linkvane::ctl
