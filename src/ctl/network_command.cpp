// linkvanectl ping and mail: the keep-alive ping and the mail check, as the window runs them.

#include <arpa/inet.h>

#include <array>
#include <ctime>
#include <iostream>

#include "core/clients/active_profile.h"
#include "core/connection/mail_check.h"
#include "core/connection/ping.h"
#include "core/profiles/mail_security.h"
#include "core/profiles/phonebook_entries.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "ctl/program_bus.h"
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
    if (std::unique_ptr<LinkvaneBus> program = ProgramToUse(call)) {
        if (std::optional<int> done = PingThroughProgram(call, *program))
            return *done;
    }
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

// The command line plays no sound and opens no notice; it prints the outcome afterwards. It
// asks nothing either: a certificate is accepted with --accept-fingerprint.
class HeadlineView final : public SilentMailView {
  public:
    explicit HeadlineView(std::string profileName) : m_profileName(std::move(profileName)) {}
    void ShowConnectionError(const std::string& labelText) override { m_headline = labelText; }
    void ShowCheckFailure(const std::string&, const std::string& caption) override {
        m_headline = caption;
    }
    bool AskAboutCertificate(const CertificateQuestion& question) override {
        m_headline = question.message;
        if (question.mayAccept) {
            m_headline +=
                "\nIf that is your server's certificate, accept it with: "
                "linkvanectl mail check \"" +
                m_profileName + "\" --accept-fingerprint " + question.fingerprint;
        }
        return false;
    }
    const std::string& headline() const { return m_headline; }

  private:
    std::string m_profileName;
    std::string m_headline;
};

// Each line of text as OneLine shows it.
std::string Lines(std::string_view text) {
    std::string out;
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
        out += OneLine(text.substr(0, end)) + '\n';
        text.remove_prefix(end + 1);
    }
    return out + OneLine(text);
}

int RunMailCheck(Invocation& call) {
    if (std::unique_ptr<LinkvaneBus> program = ProgramToUse(call)) {
        if (std::optional<int> done = CheckMailThroughProgram(call, *program))
            return *done;
    }
    Session& session = call.session;
    const std::string& name = call.Arg(0);
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
    if (const std::optional<std::string> accepted = call.args.Value("--accept-fingerprint")) {
        const std::optional<std::string> fingerprint = NormalizeFingerprint(*accepted);
        if (!fingerprint)
            return call.UsageError(
                "--accept-fingerprint takes a SHA-256 fingerprint: 64 hex "
                "digits, colons allowed.");
        settings.tls.accept = *fingerprint;
    }
    PollWait wait;
    PosixSocketLayer sockets(wait);
    HeadlineView view(name);
    const MailCheckOutcome outcome = CheckMail(sockets, settings, view);
    const std::string& response = outcome.lastResponse;  // the password masked
    if (outcome.tls.acceptedNow) {
        if (Status pinned = PinCertificate(session.profiles(), name, outcome.tls.fingerprint);
            !pinned) {
            return ReportFailure(pinned.error());
        }
    }
    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["ok"] = outcome.stage == 0;
        out["security"] = Pop3SecurityName(settings.tls.security);
        if (outcome.stage == 0) {
            out["count"] = outcome.stat.count;
            out["size"] = outcome.stat.size;
            out["text"] = outcome.text;
        } else {
            out["stage"] = outcome.stage;
            out["error"] = outcome.error;
            out["lastResponse"] = response;
            if (outcome.tls.refusal != TlsRefusal::None)
                out["tls"] = TlsRefusalText(outcome.tls.refusal);
        }
        if (!outcome.tls.fingerprint.empty())
            out["fingerprint"] = outcome.tls.fingerprint;
        if (outcome.tls.acceptedNow)
            out["pinned"] = outcome.tls.fingerprint;
        PrintJson(out);
    } else if (outcome.stage == 0) {
        std::cout << outcome.text << '\n';
        if (outcome.tls.acceptedNow)
            std::cout << "Pinned the certificate " << outcome.tls.fingerprint << '\n';
    } else {
        std::cout << Lines(view.headline())
                  << (outcome.stage == kStageConnection ? "" : ": " + OneLine(response)) << '\n';
    }
    return outcome.stage == 0 ? kExitSuccess : kExitFailure;
}

constexpr std::array<CommandInfo, 1> kPingCommands{{
    {"", "HOST [--json] [--no-bus]",
     "Sends one ICMP echo request to HOST (a dotted address or a name) as the keep-alive ping\n"
     "      does: TTL 20, 32 bytes, 20 s. Prints the \"Last Ping:\" text (\"47ms ( Sat Dec 05\n"
     "      17:20:58 2026 )\" or \"Ping Error: 11010ms\", and then why on stderr). JSON:\n"
     "      {\"ok\":true,\"address\",\"rttMs\"} or {\"ok\":false,\"error\",\"text\"} with the IP\n"
     "      status or Windows Sockets error and why. When Linkvane runs and HOST is its active\n"
     "      profile's PingHost, the ping is the program's (its window shows it; JSON\n"
     "      {\"ok\",\"text\"}); --no-bus pings here always.",
     1, 1, "--json --no-bus", "", RunPingCommand},
}};

constexpr std::array<CommandInfo, 1> kMailCommands{{
    {"check", "NAME [--port N] [--accept-fingerprint SHA256] [--json] [--no-bus]",
     "Runs the mail check for the profile NAME: logs in to its POP3Host with its Username and\n"
     "      mail password, asks for the waiting messages and quits, never reading or deleting\n"
     "      mail. Prints the \"New Email:\" text, or the failure (551 connection or login, 552\n"
     "      NOOP, 553 STAT) with the server's last response. POP3Security says how the login\n"
     "      is protected: auto (STLS when the server offers it, else refused), stls, pop3s\n"
     "      (TLS on port 995) or plain (the password is sent unencrypted). A certificate this\n"
     "      system does not trust is refused with its SHA-256 fingerprint; --accept-fingerprint\n"
     "      accepts that certificate and pins it in POP3Pin, after which only it is accepted.\n"
     "      --port replaces 110 or 995 for tests and scripts. JSON: {\"ok\":true,\"security\",\n"
     "      \"count\",\"size\",\"text\"} or {\"ok\":false,\"security\",\"stage\",\"error\",\n"
     "      \"lastResponse\",\"tls\"}, with \"fingerprint\" once TLS was made and \"pinned\" when "
     "a\n"
     "      certificate was pinned. The password is never printed. When Linkvane runs and NAME\n"
     "      is its active profile, the check is the program's (its window shows it; JSON\n"
     "      {\"ok\",\"security\",\"count\",\"size\",\"text\"}); --port, --accept-fingerprint or\n"
     "      --no-bus check here always.",
     1, 1, "--json --no-bus", "--port --accept-fingerprint", RunMailCheck, ProfileChecks::UserRoot},
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
