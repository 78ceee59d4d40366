// linkvanectl links and log: the dial-up links that are up now, and the call log.

#include <array>
#include <iostream>
#include <optional>

#include "core/connection/call_log.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "platform/ppp_links.h"
#include "platform/xdg_paths.h"

namespace linkvane::ctl {

namespace {

int Links(Invocation& call) {
    PppLinkOptions options;
    if (const auto runDir = call.args.Value("--run-dir"))
        options.runDir = *runDir;
    PppLinks links(options);
    const auto listed = links.EnumConnections();
    if (!listed)
        return ReportFailure(listed.error());
    if (call.args.Has("--json")) {
        Json out = Json::array();
        for (const ActiveConnection& link : *listed) {
            Json item = Json::object();
            item["entry"] = link.entryName;
            item["deviceType"] = link.deviceType;
            item["deviceName"] = link.deviceName;
            item["pid"] = link.handle == 0 ? Json(nullptr) : Json(link.handle);
            item["interface"] =
                link.interfaceName.empty() ? Json(nullptr) : Json(link.interfaceName);
            item["localAddress"] =
                link.localAddress.empty() ? Json(nullptr) : Json(link.localAddress);
            item["nameServers"] = link.nameServers;
            out.push_back(std::move(item));
        }
        PrintJson(Json{{"links", std::move(out)}});
        return kExitSuccess;
    }
    if (listed->empty())
        std::cout << "No dial-up link is up.\n";
    for (const ActiveConnection& link : *listed) {
        std::cout << OneLine(link.entryName) << ": " << link.deviceType;
        if (!link.deviceName.empty())
            std::cout << ' ' << OneLine(link.deviceName);
        if (link.handle != 0)
            std::cout << " (pppd " << link.handle << ')';
        if (!link.interfaceName.empty() && link.interfaceName != link.deviceName)
            std::cout << " on " << OneLine(link.interfaceName);
        for (std::size_t i = 0; i < link.nameServers.size(); ++i)
            std::cout << (i == 0 ? ", name servers " : " ") << OneLine(link.nameServers[i]);
        std::cout << '\n';
    }
    return kExitSuccess;
}

Json CallJson(const CallLogLine& call, const std::optional<CallRecord>& record) {
    const LinkVolume* volume = record && record->facts.volume ? &*record->facts.volume : nullptr;
    Json item = Json::object();
    item["entry"] = call.entryName;
    item["start"] = call.date + " " + call.time;
    item["date"] = call.date;
    item["time"] = call.time;
    item["durationSeconds"] = call.durationSeconds;
    item["startedAt"] = record ? Json(record->facts.start) : Json(nullptr);
    item["bytesIn"] = volume ? Json(volume->bytesIn) : Json(nullptr);
    item["bytesOut"] = volume ? Json(volume->bytesOut) : Json(nullptr);
    return item;
}

// Prints one JSON object as PrintJson prints it, member by member, so that an array member of
// any length goes out element by element instead of being held whole.
class JsonObjectStream {
  public:
    JsonObjectStream() { std::cout << '{'; }
    void Member(std::string_view key, const Json& value) {
        Key(key);
        std::cout << Indented(value, 2);
    }
    void BeginArray(std::string_view key) {
        Key(key);
        std::cout << '[';
        m_elements = 0;
    }
    void Element(const Json& value) {
        std::cout << (m_elements++ == 0 ? "\n    " : ",\n    ") << Indented(value, 4);
    }
    void EndArray() { std::cout << (m_elements == 0 ? "]" : "\n  ]"); }
    void End() {
        std::cout << "\n}\n";
        std::cout.flush();
    }

  private:
    void Key(std::string_view key) {
        std::cout << (m_members++ == 0 ? "\n  " : ",\n  ") << Json(key).dump() << ": ";
    }
    static std::string Indented(const Json& value, std::size_t depth) {
        std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
        for (std::size_t at = text.find('\n'); at != std::string::npos;
             at = text.find('\n', at + 1))
            text.insert(at + 1, depth, ' ');
        return text;
    }

    int m_members = 0;
    int m_elements = 0;
};

void PrintSummary(const std::vector<MonthlyCalls>& summary, bool json) {
    if (json) {
        Json out = Json::array();
        for (const MonthlyCalls& total : summary) {
            Json item = Json::object();
            item["entry"] = total.entryName;
            item["month"] = total.month.empty() ? Json(nullptr) : Json(total.month);
            item["calls"] = total.calls;
            item["seconds"] = total.seconds;
            item["bytesIn"] = total.volume ? Json(total.volume->bytesIn) : Json(nullptr);
            item["bytesOut"] = total.volume ? Json(total.volume->bytesOut) : Json(nullptr);
            out.push_back(std::move(item));
        }
        PrintJson(Json{{"summary", std::move(out)}});
        return;
    }
    for (const MonthlyCalls& total : summary) {
        std::cout << OneLine(total.entryName) << '\t'
                  << (total.month.empty() ? "unknown month" : total.month) << '\t' << total.calls
                  << (total.calls == 1 ? " call\t" : " calls\t") << DurationText(total.seconds)
                  << '\t';
        if (total.volume) {
            std::cout << total.volume->bytesIn << " bytes in, " << total.volume->bytesOut
                      << " bytes out\n";
        } else {
            std::cout << "volume unknown\n";
        }
    }
}

// The calls, then the lines that are none; the log is read twice rather than held. Nothing is
// printed for a log that cannot be opened; one that fails later still ends as valid JSON.
Status PrintLogJson(const std::filesystem::path& path) {
    std::optional<JsonObjectStream> out;
    const auto start = [&] {
        if (out)
            return;
        out.emplace();
        out->Member("log", path.string());
        out->BeginArray("calls");
    };
    Status read = ForEachLoggedCall(path, [&](const LoggedCall& logged) {
        start();
        if (logged.call)
            out->Element(CallJson(*logged.call, logged.record));
    });
    if (!read && !out)
        return read;
    start();
    out->EndArray();
    out->BeginArray("unrecognised");
    if (read) {
        read = ForEachCallLogLine(path, MissingLog::kEmpty, [&](const LogLine& line) {
            if (!line.text.empty() && (line.cut || !ParseCallLogLine(line.text)))
                out->Element(std::string(line.text));
        });
    }
    out->EndArray();
    out->End();
    return read;
}

int Log(Invocation& call) {
    // No log yet is an empty log; linkvanectl only reads, so it creates nothing.
    const std::filesystem::path path = CallLogPath();
    const bool json = call.args.Has("--json");
    Status read = Success();
    if (call.args.Has("--summary")) {
        CallSummary summary;
        read = ForEachLoggedCall(path, [&](const LoggedCall& logged) {
            if (logged.call)
                summary.Add(*logged.call, logged.record);
        });
        if (read)
            PrintSummary(summary.Totals(), json);
    } else if (json) {
        read = PrintLogJson(path);
    } else {
        read = ForEachCallLogLine(path, MissingLog::kEmpty, [](const LogLine& line) {
            std::cout << OneLine(line.text) << '\n';
        });
    }
    return read ? kExitSuccess : ReportFailure(read.error());
}

constexpr std::array<CommandInfo, 1> kLinksCommands{{
    {"", "[--json] [--run-dir DIR]",
     "Lists the dial-up links that are up, whoever dialled them: the entry (pppd's ipparam,\n"
     "      else its linkname, else its interface), the device type and name, pppd's pid, the\n"
     "      interface and, for Linkvane's links, the provider's name servers as pppd reported\n"
     "      them. --run-dir: where pppd writes its pid files (default /run). JSON:\n"
     "      {\"links\":[{\"entry\",\"deviceType\",\"deviceName\",\"pid\",\"interface\",\n"
     "      \"localAddress\",\"nameServers\":[...]}]}.",
     0, 0, "--json", "--run-dir", Links},
}};

constexpr std::array<CommandInfo, 1> kLogCommands{{
    {"", "[--json] [--summary]",
     "Prints the call log ($XDG_DATA_HOME/linkvane/connect.log) in file order: one line per\n"
     "      finished call, \"ENTRY - DATE TIME (H:MM:SS)\". --summary adds up the calls, the\n"
     "      time online and the bytes in and out per entry and month instead, for the\n"
     "      providers' bills. A call's start and volume come from the log's companion\n"
     "      (connect.log.calls) where it has the call.\n"
     "      JSON: {\"log\",\"calls\":[{\"entry\",\"start\",\"date\",\"time\",\"durationSeconds\",\n"
     "      \"startedAt\",\"bytesIn\",\"bytesOut\"}],\"unrecognised\":[...]}; with --summary\n"
     "      {\"summary\":[{\"entry\",\"month\",\"calls\",\"seconds\",\"bytesIn\",\"bytesOut\"}]},\n"
     "      month \"YYYY-MM\" or null when it is not known; unknown values are null.",
     0, 0, "--json --summary", "", Log},
}};

}  // namespace

const CommandGroup& LinksGroup() {
    static const CommandGroup group{"links", "list the dial-up links that are up", kLinksCommands,
                                    ""};
    return group;
}

const CommandGroup& LogGroup() {
    static const CommandGroup group{"log", "show the call log, or the time online per month",
                                    kLogCommands, ""};
    return group;
}

}  // namespace linkvane::ctl
