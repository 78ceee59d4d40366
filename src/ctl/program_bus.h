#pragma once

// The commands that go through the running program when there is one (connect, hangup, mail
// check, ping), so that one process owns the modem and each call is logged once. Without a
// session bus, without a program holding its name, or with --no-bus, they do their work
// themselves as they always have.
//
// Through the program: connect asks it to Connect and prints the events its PropertiesChanged
// stand for, in the form the command prints its own (Ctrl-C asks it to hang up); hangup asks
// it to hang up its call (with no call of its own, the command ends the links itself); mail
// check and ping run the program's check and ping of its active profile, when the profile or
// the host is that one's (or none is named), and print what its window shows.

#include <memory>

#include "core/connection/connect_controller.h"
#include "ctl/commands.h"
#include "platform/linkvane_bus.h"

namespace linkvane::ctl {

// The program to go through, or nullptr.
std::unique_ptr<LinkvaneBus> ProgramToUse(const Invocation& call);

// Prints one event of a dial of `entry` on stdout: a line of text, or with json one JSON
// object. A link that has come up is told with its interface and local address.
void PrintConnectEvent(const ConnectEvent& event, bool json, const std::string& entry);

int ConnectThroughProgram(Invocation& call, LinkvaneBus& program);
// nullopt: the program has no call; the command ends the links itself.
std::optional<int> HangUpThroughProgram(Invocation& call, LinkvaneBus& program);
// nullopt: not the program's profile (or host); the command runs its own.
std::optional<int> CheckMailThroughProgram(Invocation& call, LinkvaneBus& program);
std::optional<int> PingThroughProgram(Invocation& call, LinkvaneBus& program);

}  // namespace linkvane::ctl
