// linkvanectl apply: the client configuration step of Connect, without dialling.

#include <array>
#include <iostream>

#include "core/clients/client_dispatch.h"
#include "core/profiles/phonebook_entries.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"

namespace linkvane::ctl {

namespace {

// The writers' messages, which the program shows in message boxes, as lines on stderr.
class PrintedMessages final : public ClientMessages {
  public:
    void ShowExclamation(std::string_view text, std::string_view caption) override {
        std::string line(text);
        if (!caption.empty() && caption != "Error")
            line += ": " + std::string(caption);
        std::cerr << "linkvanectl: " << OneLine(line) << '\n';
        m_lines.push_back(std::move(line));
    }
    const std::vector<std::string>& lines() const { return m_lines; }

  private:
    std::vector<std::string> m_lines;
};

int Apply(Invocation& call) {
    Session& session = call.session;
    const std::string& name = call.Arg(0);
    if (!session.HasStoredSettings(name)) {
        return ReportFailure(
            Fail("No settings are stored for the profile \"" + name + "\".", win::kFileNotFound));
    }
    const Result<bool> hasEntry = session.HasEntry(name);
    if (!hasEntry)
        return ReportFailure(hasEntry.error());
    const bool entryExists = *hasEntry;
    if (!entryExists) {
        Warn("there is no phonebook entry \"" + name +
             "\"; its name is still written as the autodial entry");
    }
    PrintedMessages messages;
    const AppliedClients applied = ApplyClientSettings(
        session.registry(), LoadActiveProfile(session.registry(), name), name, messages);

    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["profile"] = name;
        out["entryExists"] = entryExists;
        out["netscape"] = applied.netscape;
        out["internetExplorer"] = applied.internetExplorer;
        out["accountManager"] = applied.accountManager;
        out["mailAndNews"] = applied.mailAndNews;
        out["messages"] = messages.lines();
        PrintJson(out);
    } else {
        std::string ran;
        for (const auto& [done, writer] :
             {std::pair{applied.netscape, "Netscape"},
              std::pair{applied.internetExplorer, "Internet Explorer and autodial"},
              std::pair{applied.accountManager, "mail accounts"},
              std::pair{applied.mailAndNews, "Internet Mail and News"}}) {
            if (done)
                ran += (ran.empty() ? "" : ", ") + std::string(writer);
        }
        std::cout << (ran.empty() ? "No client settings to apply (see SetIE, SetNetscape and the "
                                    "profile's proxies, start page and mail hosts)."
                                  : "Applied: " + ran + ".")
                  << '\n';
    }
    return messages.lines().empty() ? kExitSuccess : kExitFailure;
}

constexpr std::array<CommandInfo, 1> kCommands{{
    {"", "NAME [--json]",
     "Writes the profile's client settings as Connect does, without dialling: Netscape when\n"
     "      SetNetscape is set; with SetIE, Internet Explorer and autodial when a proxy, bypass\n"
     "      list or start page is given, and the mail accounts and Internet Mail and News when a\n"
     "      POP3 or SMTP host is given. Prints which writers ran; the writers' messages go to\n"
     "      stderr and make the exit status 1. A profile without stored settings fails\n"
     "      (code 2); one without a phonebook entry gets a warning.\n"
     "      JSON: "
     "{\"profile\",\"entryExists\",\"netscape\",\"internetExplorer\",\"accountManager\",\n"
     "      \"mailAndNews\",\"messages\":[...]}.",
     1, 1, "--json", "", Apply, ProfileChecks::ProgramRoots},
}};

}  // namespace

const CommandGroup& ApplyGroup() {
    static const CommandGroup group{"apply", "apply a profile's client settings without dialling",
                                    kCommands, ""};
    return group;
}

}  // namespace linkvane::ctl
