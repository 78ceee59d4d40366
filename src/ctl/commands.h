#pragma once

// The command table of linkvanectl: groups ("reg", "profile", "phonebook", "apply", "links",
// "log") of commands, each with its synopsis, the flags and options it takes and its handler.
// The dispatcher reads arguments, prints help and usage lines from these tables, so a
// command's usage is written once. Handlers return the process's exit status.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "ctl/args.h"
#include "ctl/session.h"

namespace linkvane::ctl {

// One run of one command: its arguments, its session and its usage line.
struct Invocation {
    Session& session;
    const ParsedArgs& args;
    std::string usage;

    const std::string& Arg(std::size_t index) const { return args.positional.at(index); }
    // Prints message and the usage line on stderr; returns the usage exit status (2).
    int UsageError(std::string_view message) const;
};

using CommandHandler = int (*)(Invocation& call);

// What the dispatcher checks before a command whose first argument names a profile runs: the
// name (an entry name, code 123 otherwise), then the registry roots the command touches (the
// store's own sentence and code), because profile loads read a broken store as empty values.
// A failed check is the command's failure (exit status 1); the handler does not run.
enum class ProfileChecks {
    None,
    UserRoot,      // the profile's own values: the current user's root
    ProgramRoots,  // the client writers too: the current user's and the local machine's roots
};

struct CommandInfo {
    std::string_view name;      // "add"; "" for a group that is a single command ("apply")
    std::string_view synopsis;  // the arguments after the command's name
    std::string_view summary;
    std::size_t minArgs;  // positional arguments
    std::size_t maxArgs;
    std::string_view flags;    // accepted flags, space-separated: "--json --yes"
    std::string_view options;  // accepted options with a value: "--device --phone"
    CommandHandler run;
    ProfileChecks checks = ProfileChecks::None;
};

struct CommandGroup {
    std::string_view name;
    std::string_view summary;
    std::span<const CommandInfo> commands;
    std::string_view notes;  // further help text for "linkvanectl GROUP --help"
};

const CommandGroup& RegGroup();
const CommandGroup& ProfileGroup();
const CommandGroup& PhonebookGroup();
const CommandGroup& ApplyGroup();
const CommandGroup& PingGroup();
const CommandGroup& MailGroup();
const CommandGroup& LinksGroup();
const CommandGroup& LogGroup();
const CommandGroup& ConnectGroup();
const CommandGroup& HangUpGroup();
const CommandGroup& ModemGroup();

// Runs linkvanectl with the arguments after the program's name; returns the exit status.
int RunCtl(std::span<const std::string> args);

// Makes path usable as an entry's modem: a device the phonebook lists, or a character device
// that is then added to the phonebook's devices (608 when there is none at that path).
Status UseDevice(Phonebook& phonebook, const std::string& path);

// "linkvanectl GROUP NAME SYNOPSIS"
std::string UsageLine(const CommandGroup& group, const CommandInfo& command);

}  // namespace linkvane::ctl
