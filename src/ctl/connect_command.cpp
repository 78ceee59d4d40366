// linkvanectl connect NAME: Connect, redial and hang-up without a window, in the foreground
// like a dialler. The same Connect controller, engine, redial budget and redial policy as the
// program; the events are printed as they come, SIGINT and SIGTERM hang up or end a redial's
// wait at once. When the program runs, the dial is its own (program_bus.h); when none runs,
// the command logs its call itself (own_call_log.h).

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <iostream>
#include <limits>
#include <mutex>
#include <optional>

#include "core/clients/active_profile.h"
#include "core/connection/connect_controller.h"
#include "core/connection/modem_engine_settings.h"
#include "core/connection/own_call_log.h"
#include "core/profiles/phonebook.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "ctl/program_bus.h"
#include "ctl/stop_signals.h"
#include "platform/modem_engine.h"
#include "platform/ppp_links.h"
#include "platform/xdg_paths.h"

namespace linkvane::ctl {

namespace {

// The dial events reach the command's one thread through this queue; an eventfd wakes it.
class EventQueue {
  public:
    EventQueue() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    TaskPoster Poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            ::eventfd_write(m_wake.get(), 1);
        };
    }
    int fd() const { return m_wake.get(); }
    void RunPending() {
        eventfd_t count = 0;
        ::eventfd_read(m_wake.get(), &count);
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(m_mutex);
                if (m_tasks.empty())
                    return;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
    }

  private:
    FileDescriptor m_wake;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
};

// Prints what the controller shows: events on stdout, messages on stderr.
class ConsoleView final : public ConnectView {
  public:
    ConsoleView(bool json, std::string entry) : m_json(json), m_entry(std::move(entry)) {}

    void ShowExclamation(std::string_view text, std::string_view caption) override {
        ShowMessage(text, caption, MessageIcon::Exclamation, {});
    }
    void ShowMessage(std::string_view text, std::string_view, MessageIcon icon,
                     std::string_view detail) override {
        const std::string line =
            std::string(text) + (detail.empty() ? "" : " - " + std::string(detail));
        if (icon == MessageIcon::Exclamation) {
            std::cerr << "linkvanectl: " << OneLine(line) << std::endl;
            failed = true;
        } else if (!m_json) {
            std::cout << OneLine(line) << std::endl;
        }
    }
    void SetConnectButton(int, std::string_view) override {}
    void SetConnectImage(int) override {}
    // Only the timer that ends a redial's wait matters here; the loop below keeps it.
    bool StartTimer(int id, std::chrono::milliseconds period) override {
        if (id == kTimerRedialWait)
            waitEnds = std::chrono::steady_clock::now() + period;
        return true;
    }
    void StopTimer(int id) override {
        if (id == kTimerRedialWait)
            waitEnds.reset();
    }
    void ShowCallClock(const CallClockText&) override {}
    void RunPing(const ActiveProfile&) override {}
    void CheckMail(const ActiveProfile&) override {}
    void Launch(const std::string&) override {}  // a terminal dialler starts no programs

    void Reported(const ConnectEvent& event) override {
        if (event.kind == ConnectEvent::Kind::Connected) {
            wasUp = true;
            call.Connected(m_entry, std::time(nullptr));
        }
        if (event.kind == ConnectEvent::Kind::Disconnected)
            LogOwnCall();
        PrintConnectEvent(event, m_json, m_entry);
    }

    // A call that no program's monitor logs is logged here, once it has ended.
    void LogOwnCall() {
        const std::optional<CConnectionRecord> record = call.Ended(std::time(nullptr));
        if (record && !CallLogWatched(CallLogPath()))
            (void)AppendEndedCall(CallLogPath(), *record);
    }

    // Until a poll's timeout in milliseconds: -1 when nothing waits.
    int MillisecondsToWaitEnd() const {
        if (!waitEnds)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *waitEnds - std::chrono::steady_clock::now());
        return static_cast<int>(
            std::clamp<std::int64_t>(left.count(), 0, std::numeric_limits<int>::max()));
    }

    bool failed = false;
    bool wasUp = false;
    std::optional<std::chrono::steady_clock::time_point> waitEnds;
    DialledCall call;

  private:
    bool m_json;
    std::string m_entry;
};

// How often the link's counters are read while the call is up.
constexpr int kVolumeReadMs = 1000;

int Connect(Invocation& call) {
    if (std::unique_ptr<LinkvaneBus> program = ProgramToUse(call))
        return ConnectThroughProgram(call, *program);
    Session& session = call.session;
    const std::string& name = call.Arg(0);
    FileDescriptor signals = BlockStopSignals();

    ModemEngineOptions options;
    options.pppd.pppdPath = ReadPppdPath(session.registry());
    EventQueue queue;
    ConsoleView view(call.args.Has("--json"), name);
    PppLinkOptions linkOptions;
    linkOptions.pppdPath = options.pppd.pppdPath;
    PppLinks links(linkOptions);
    CRasDialer dialer(std::make_unique<ModemDialerEngine>(session.phonebook(), options),
                      queue.Poster());
    ConnectController controller(session.registry(), session.phonebook(), dialer, view);
    dialer.SetEventSink(&controller);
    controller.LoadStartupSettings();
    controller.Connect(name);
    if (!controller.Active())  // nothing dialled: a blank login, or a LAN profile
        return view.failed ? kExitFailure : kExitSuccess;

    // Until the dial, the call or a redial's wait has ended for good: the controller is active
    // until it has handled the DialDisconnected that nothing follows, so no event is left queued.
    while (controller.Active()) {
        std::array<pollfd, 2> fds{{{queue.fd(), POLLIN, 0}, {signals.get(), POLLIN, 0}}};
        const int waitEnd = view.MillisecondsToWaitEnd();
        const bool up = view.call.Up();
        const int ready =
            ::poll(fds.data(), fds.size(),
                   up && (waitEnd < 0 || waitEnd > kVolumeReadMs) ? kVolumeReadMs : waitEnd);
        if (ready < 0)
            continue;
        if (up) {
            if (Result<std::vector<ActiveConnection>> listed = links.EnumConnections(); listed)
                view.call.LinksListed(*listed);
        }
        if (ready == 0 && view.waitEnds && view.MillisecondsToWaitEnd() == 0) {
            view.waitEnds.reset();
            controller.OnTimer(kTimerRedialWait);
        }
        if (fds[1].revents != 0) {
            signalfd_siginfo info{};
            (void)!::read(signals.get(), &info, sizeof info);
            controller.HangUp();
        }
        if (fds[0].revents != 0) {
            queue.RunPending();
        }
    }
    dialer.SetEventSink(nullptr);
    return view.wasUp ? kExitSuccess : kExitFailure;
}

constexpr std::array<CommandInfo, 1> kConnect{{
    {"", "NAME [--json] [--no-bus]",
     "Dials the profile's entry as the program's Connect button does: writes the client\n"
     "      settings, dials the entry's numbers in turn with the modem and pppd, redials as\n"
     "      the program does (from RedialAttempts, paced by RedialPause; never after no dial\n"
     "      tone, a modem that fails to initialise or a refused login), reconnects after a drop\n"
     "      when Reconnect is 1, and prints each event as it happens (with --json one object a\n"
     "      line: {\"event\":\"dial\",\"number\":...}, {\"event\":\"state\",\"state\":N},\n"
     "      connected with the link's \"interface\" and \"localAddress\", {\"event\":\"failed\",\n"
     "      \"code\":N,\"text\":...}, timedOut, {\"event\":\"redial\",\"left\":N},\n"
     "      {\"event\":\"wait\",\"seconds\":N,\"reason\":...}, disconnected). Ctrl-C or SIGTERM\n"
     "      hangs up, or ends a wait at once. Exits 0 when a link was up and has ended (or a\n"
     "      LAN profile was applied), 1 when the dial failed for good; the reason goes to\n"
     "      stderr. When Linkvane runs, the dial is its own (the same events, from its\n"
     "      PropertiesChanged; Ctrl-C asks it to hang up); else the command logs the call\n"
     "      itself. --no-bus dials here always.",
     1, 1, "--json --no-bus", "", Connect},
}};

}  // namespace

const CommandGroup& ConnectGroup() {
    static const CommandGroup group{"connect", "dial a profile in the foreground", kConnect, ""};
    return group;
}

}  // namespace linkvane::ctl
