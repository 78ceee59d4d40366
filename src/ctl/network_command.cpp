// linkvanectl ping and mail: the keep-alive ping and the mail check, as the window runs them.

#include <arpa/inet.h>

#include <array>
#include <ctime>
#include <iostream>

#include "core/clients/active_profile.h"
#include "core/connection/mail_check.h"
#include "core/connection/ping.h"
#include "core/profiles/phonebook_entries.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "platform/icmp_socket.h"
#include "platform/posix_sockets.h"

namespace linkvane::ctl {

namespace {

std::string DottedAddress(std::uint32_t address) {
    in_addr in{address};
    std::array<char, INET_ADDRSTRLEN> text{};
    ::inet_ntop(AF_INET, &in, text.data(), text.size());
    return text.data();
}

int RunPingCommand(Invocation& call) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    PollWait wait;
    LinuxIcmpEcho echo(wait);
    IcmpLibrary library(echo);
    const Result<PingReply> reply =
        Ping(library, call.Arg(0), kPingTtl, kPingTimeout, kPingDataSize);
    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["ok"] = reply.ok();
        if (reply) {
            out["address"] = DottedAddress(reply->address);
            out["rttMs"] = reply->roundTripMs;
        } else {
            out["error"] = reply.error().code;
            out["text"] = reply.error().message;
        }
        PrintJson(out);
    } else {
        std::cout << PingLabelText(reply, local) << '\n';
        if (!reply)
            std::cerr << "linkvanectl: " << OneLine(reply.error().Describe()) << '\n';
    }
    return reply ? kExitSuccess : kExitFailure;
}

// The command line plays no sound and opens no notice; it prints the outcome afterwards.
class HeadlineView final : public SilentMailView {
  public:
    void ShowConnectionError(const std::string& labelText) override { m_headline = labelText; }
    void ShowCheckFailure(const std::string&, const std::string& caption) override {
        m_headline = caption;
    }
    const std::string& headline() const { return m_headline; }

  private:
    std::string m_headline;
};

int RunMailCheck(Invocation& call) {
    Session& session = call.session;
    const std::string& name = call.Arg(0);
    if (Status valid = ValidateEntryName(name); !valid)
        return ReportFailure(valid.error());
    if (Status usable = session.CheckRoot(RegistryRoot::CurrentUser); !usable)
        return ReportFailure(usable.error());
    if (!session.HasStoredSettings(name))
        return ReportFailure(
            Fail("No settings are stored for the profile \"" + name + "\".", win::kFileNotFound));
    MailCheckSettings settings = MailCheckSettingsOf(LoadActiveProfile(session.registry(), name));
    if (const std::optional<std::string> port = call.args.Value("--port")) {
        const Result<std::int64_t> number = ParseInteger(*port, 1, 65535, "the port");
        if (!number)
            return call.UsageError(number.error().message);
        settings.port = static_cast<std::uint16_t>(*number);
    }
    PollWait wait;
    PosixSocketLayer sockets(wait);
    HeadlineView view;
    const MailCheckOutcome outcome = CheckMail(sockets, settings, view);
    const std::string& response = outcome.lastResponse;  // the password masked
    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["ok"] = outcome.stage == 0;
        if (outcome.stage == 0) {
            out["count"] = outcome.stat.count;
            out["size"] = outcome.stat.size;
            out["text"] = outcome.text;
        } else {
            out["stage"] = outcome.stage;
            out["error"] = outcome.error;
            out["lastResponse"] = response;
        }
        PrintJson(out);
    } else if (outcome.stage == 0) {
        std::cout << outcome.text << '\n';
    } else {
        std::cout << view.headline()
                  << (outcome.stage == kStageConnection ? "" : ": " + OneLine(response)) << '\n';
    }
    return outcome.stage == 0 ? kExitSuccess : kExitFailure;
}

constexpr std::array<CommandInfo, 1> kPingCommands{{
    {"", "HOST [--json]",
     "Sends one ICMP echo request to HOST (a dotted address or a name) as the keep-alive ping\n"
     "      does: TTL 20, 32 bytes, 20 s. Prints the \"Last Ping:\" text (\"47ms ( Sat Dec 05\n"
     "      17:20:58 2026 )\" or \"Ping Error: 11010ms\", and then why on stderr). JSON:\n"
     "      {\"ok\":true,\"address\",\"rttMs\"} or {\"ok\":false,\"error\",\"text\"} with the IP\n"
     "      status or Windows Sockets error and why.",
     1, 1, "--json", "", RunPingCommand},
}};

constexpr std::array<CommandInfo, 1> kMailCommands{{
    {"check", "NAME [--port N] [--json]",
     "Runs the mail check for the profile NAME: logs in to its POP3Host with its Username and\n"
     "      mail password, asks for the waiting messages and quits, never reading or deleting\n"
     "      mail. Prints the \"New Email:\" text, or the failure (551 connection or login, 552\n"
     "      NOOP, 553 STAT) with the server's last response. --port replaces 110 for tests and\n"
     "      scripts. JSON: {\"ok\":true,\"count\",\"size\",\"text\"} or\n"
     "      {\"ok\":false,\"stage\",\"error\",\"lastResponse\"}. The password is never printed.",
     1, 1, "--json", "--port", RunMailCheck},
}};

}  // namespace

const CommandGroup& PingGroup() {
    static const CommandGroup group{"ping", "ping a host as the keep-alive ping does",
                                    kPingCommands, ""};
    return group;
}

const CommandGroup& MailGroup() {
    static const CommandGroup group{"mail", "check a profile's POP3 mailbox for waiting mail",
                                    kMailCommands, ""};
    return group;
}

}  // namespace linkvane::ctl
