#include "ctl/program_bus.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <iostream>

#include "core/app/remote_control.h"
#include "core/clients/active_profile.h"
#include "core/connection/mail_check.h"
#include "core/profiles/mail_security.h"
#include "core/util/text.h"
#include "ctl/output.h"
#include "ctl/stop_signals.h"
#include "platform/ppp_links.h"

namespace linkvane::ctl {

namespace {

// How long hangup waits for the program's call to end.
constexpr std::chrono::seconds kHangUpWait{10};

// Follows the program's changes until `done` says so, the program leaves or `limit` passes
// (nullopt: no limit); a stop signal on `signals` (when valid) asks it to hang up. False when
// the program left.
bool Follow(LinkvaneBus& program, const LinkvaneBus::StatusHandler& handler,
            const std::function<bool()>& done, const FileDescriptor& signals,
            std::optional<std::chrono::seconds> limit) {
    const auto end = std::chrono::steady_clock::now() + limit.value_or(std::chrono::seconds(0));
    for (;;) {
        if (!program.ProcessStatus(handler))
            return false;
        if (done())
            return true;
        int wait = -1;
        if (limit) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return true;
            wait = static_cast<int>(left.count());
        }
        std::array<pollfd, 2> fds{
            {{program.fd(), program.events(), 0}, {signals.get(), POLLIN, 0}}};
        if (::poll(fds.data(), signals.valid() ? 2 : 1, wait) < 0)
            continue;
        if (signals.valid() && fds[1].revents != 0) {
            signalfd_siginfo info{};
            (void)!::read(signals.get(), &info, sizeof info);
            (void)program.HangUp();
        }
    }
}

// The link that a call to the entry has brought up, as the links are listed.
std::optional<ActiveConnection> LinkOf(const std::string& entry) {
    PppLinks links;
    const auto listed = links.EnumConnections();
    if (!listed)
        return std::nullopt;
    for (const ActiveConnection& link : *listed) {
        if (link.entryName == entry && !link.localAddress.empty())
            return link;
    }
    return std::nullopt;
}

int ProgramLeft() {
    return ReportFailure(Fail("Linkvane has left the session bus."));
}

}  // namespace

std::unique_ptr<LinkvaneBus> ProgramToUse(const Invocation& call) {
    if (call.args.Has("--no-bus"))
        return nullptr;
    std::unique_ptr<LinkvaneBus> bus = LinkvaneBus::Open();
    if (bus == nullptr || !bus->ProgramRunning())
        return nullptr;
    return bus;
}

void PrintConnectEvent(const ConnectEvent& event, bool json, const std::string& entry) {
    using Kind = ConnectEvent::Kind;
    Json out = Json::object();
    std::string text;
    switch (event.kind) {
        case Kind::State:
            out = {{"event", "state"}, {"state", event.state}};
            text = "state " + std::to_string(event.state);
            break;
        case Kind::Connected:
            out = {{"event", "connected"}};
            text = "connected";
            if (const std::optional<ActiveConnection> link = LinkOf(entry)) {
                out["interface"] = link->interfaceName;
                out["localAddress"] = link->localAddress;
                text += " on " + link->interfaceName + " as " + link->localAddress;
            }
            break;
        case Kind::Failed:
            out = {{"event", "failed"}, {"code", event.code}, {"text", event.text}};
            text = "failed " + std::to_string(event.code) + ": " + event.text;
            break;
        case Kind::TimedOut:
            out = {{"event", "timedOut"}};
            text = "timed out";
            break;
        case Kind::Redial:
            out = {{"event", "redial"}, {"left", event.redialsLeft}};
            text = "redial (" + std::to_string(event.redialsLeft) + " left)";
            break;
        case Kind::Wait:
            out = {{"event", "wait"}, {"seconds", event.seconds}, {"reason", event.text}};
            text = "wait " + std::to_string(event.seconds) + " s (" + event.text + ")";
            break;
        case Kind::Dial:
            out = {{"event", "dial"}, {"number", event.text}};
            text = "dial " + event.text;
            break;
        case Kind::Disconnected:
            out = {{"event", "disconnected"}};
            text = "disconnected";
            break;
        case Kind::Lan:
            return;  // told by the "Settings Updated!" message
    }
    if (json) {
        std::cout << out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  << std::endl;
    } else {
        std::cout << OneLine(text) << std::endl;
    }
}

int ConnectThroughProgram(Invocation& call, LinkvaneBus& program) {
    const bool json = call.args.Has("--json");
    const FileDescriptor signals = BlockStopSignals();
    if (Status watching = program.WatchStatus(); !watching)
        return ReportFailure(watching.error());
    if (Status asked = program.Connect(call.Arg(0)); !asked)
        return ReportFailure(asked.error());
    bool wasUp = false;
    bool lan = false;
    bool ended = false;
    std::optional<ConnectEvent> failure;  // this dial's last
    const LinkvaneBus::StatusHandler print = [&](const LinkStatus& status, StatusFields changed) {
        using Kind = ConnectEvent::Kind;
        for (const ConnectEvent& event : ConnectEventsOf(status, changed)) {
            wasUp = wasUp || event.kind == Kind::Connected;
            lan = lan || event.kind == Kind::Lan;
            // A drop that the program redials ends in "waiting", not "idle".
            ended = ended || event.kind == Kind::Lan ||
                    (event.kind == Kind::Disconnected && status.state == LinkState::Idle);
            if (event.kind == Kind::Failed || event.kind == Kind::TimedOut) {
                failure = event;
                failure->text = status.reason.text;
            }
            if (event.kind == Kind::Lan && !json)
                std::cout << "Settings Updated!" << std::endl;
            PrintConnectEvent(event, json, status.profile);
        }
    };
    if (!Follow(
            program, print, [&] { return ended; }, signals, std::nullopt))
        return ProgramLeft();
    if (wasUp || lan)
        return kExitSuccess;
    if (!failure)
        return ReportFailure(Fail("Connection Failed - the dial ended before the link was up."));
    return ReportFailure(
        Fail("Connection Failed - " + failure->text, static_cast<std::uint32_t>(failure->code)));
}

std::optional<int> HangUpThroughProgram(Invocation& call, LinkvaneBus& program) {
    if (Status watching = program.WatchStatus(); !watching)
        return std::nullopt;
    Result<LinkStatus> now = program.ReadStatus();
    if (!now || (!call.args.positional.empty() && !EqualsIgnoreCase(call.Arg(0), now->profile)))
        return std::nullopt;
    if (Status done = program.HangUp(); !done) {
        if (program.LastErrorName() == kErrorNoCall)
            return std::nullopt;
        return ReportFailure(done.error());
    }
    bool idle = false;
    const LinkvaneBus::StatusHandler watch = [&](const LinkStatus& status, StatusFields) {
        idle = status.state == LinkState::Idle;
    };
    if (!Follow(
            program, watch, [&] { return idle; }, FileDescriptor(), kHangUpWait))
        return ProgramLeft();
    if (call.args.Has("--json")) {
        PrintJson({{"hungUp", Json::array({{{"entry", now->profile}, {"by", "Linkvane"}}})}});
    } else {
        std::cout << "Hung up " << OneLine(now->profile) << " (through Linkvane).\n";
    }
    return kExitSuccess;
}

std::optional<int> CheckMailThroughProgram(Invocation& call, LinkvaneBus& program) {
    if (call.args.Value("--port") || call.args.Value("--accept-fingerprint"))
        return std::nullopt;
    Result<LinkStatus> now = program.ReadStatus();
    if (!now || !EqualsIgnoreCase(call.Arg(0), now->profile))
        return std::nullopt;
    const Pop3Security security =
        MailCheckSettingsOf(LoadActiveProfile(call.session.registry(), now->profile)).tls.security;
    const Result<LinkvaneBus::MailReply> reply = program.CheckMail();
    if (!reply && program.LastErrorName() != kErrorCheckFailed)
        return ReportFailure(reply.error());
    if (call.args.Has("--json")) {
        Json out = {{"ok", reply.ok()}, {"security", Pop3SecurityName(security)}};
        if (reply) {
            out["count"] = reply->count;
            out["size"] = reply->size;
            out["text"] = reply->text;
        } else {
            out["text"] = reply.error().message;
        }
        PrintJson(out);
    } else {
        std::cout << OneLine(reply ? reply->text : reply.error().message) << '\n';
    }
    return reply ? kExitSuccess : kExitFailure;
}

std::optional<int> PingThroughProgram(Invocation& call, LinkvaneBus& program) {
    Result<LinkStatus> now = program.ReadStatus();
    if (!now || now->profile.empty() ||
        !EqualsIgnoreCase(call.Arg(0),
                          LoadActiveProfile(call.session.registry(), now->profile).pingHost)) {
        return std::nullopt;
    }
    const Result<std::string> reply = program.Ping();
    if (!reply && program.LastErrorName() != kErrorCheckFailed)
        return ReportFailure(reply.error());
    const std::string& text = reply ? *reply : reply.error().message;
    if (call.args.Has("--json")) {
        PrintJson({{"ok", reply.ok()}, {"text", text}});
    } else {
        std::cout << OneLine(text) << '\n';
    }
    return reply ? kExitSuccess : kExitFailure;
}

}  // namespace linkvane::ctl
