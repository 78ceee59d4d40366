// linkvanectl phonebook: the dial-up phonebook's entries and devices.

#include <algorithm>
#include <array>
#include <iostream>
#include <limits>

#include "core/profiles/phonebook_entries.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"

namespace linkvane::ctl {

namespace {

// RASEO_UseCountryAndAreaCodes: dial the country and area codes with the local number.
constexpr std::uint32_t kUseCountryAndAreaCodes = 0x00000001;

std::string DottedQuad(const IpAddressBytes& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + "." + std::to_string(address[3]);
}

// Every member of the entry's properties in the record's order, by the names the phonebook
// file uses.
Json PropertiesJson(const RasEntry& properties) {
    std::vector<std::pair<std::size_t, std::pair<std::string, Json>>> members;
    for (const RasNumberField& field : kRasNumberFields)
        members.push_back({field.offset, {std::string(field.name), properties.*field.member}});
    for (const RasTextField& field : kRasTextFields)
        members.push_back({field.offset, {std::string(field.name), properties.*field.member}});
    for (const RasAddressField& field : kRasAddressFields) {
        members.push_back(
            {field.offset, {std::string(field.name), DottedQuad(properties.*field.member)}});
    }
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    Json out = Json::object();
    for (auto& [offset, member] : members)
        out[member.first] = std::move(member.second);
    return out;
}

Json EntryJson(const PhonebookEntry& entry, bool showPasswords) {
    Json out = Json::object();
    out["name"] = entry.name;
    out["properties"] = PropertiesJson(entry.properties);
    out["lineSpeed"] = entry.lineSpeed;
    out["initString"] = entry.initString;
    out["alternateNumbers"] = entry.alternateNumbers;
    if (entry.dialParams) {
        const std::string& password = entry.dialParams->password;
        Json dialParams = Json::object();
        dialParams["userName"] = entry.dialParams->userName;
        dialParams["password"] = showPasswords || password.empty() ? password : "********";
        out["dialParams"] = std::move(dialParams);
    } else {
        out["dialParams"] = nullptr;
    }
    return out;
}

void PrintMembers(const Json& object, const std::string& indent) {
    for (const auto& [name, value] : object.items()) {
        if (value.is_object()) {
            std::cout << indent << name << ":\n";
            PrintMembers(value, indent + "  ");
        } else {
            std::cout << indent << name << ": "
                      << (value.is_string() ? OneLine(value.get<std::string>()) : value.dump())
                      << '\n';
        }
    }
}

int List(Invocation& call) {
    Result<std::vector<std::string>> names = call.session.phonebook().ListEntries();
    if (!names)
        return ReportFailure(names.error());
    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["entries"] = *names;
        PrintJson(out);
    } else {
        for (const std::string& name : *names)
            std::cout << OneLine(name) << '\n';
    }
    return kExitSuccess;
}

int Show(Invocation& call) {
    const std::string& name = call.Arg(0);
    Result<std::optional<PhonebookEntry>> entry = call.session.phonebook().ReadEntry(name);
    if (!entry)
        return ReportFailure(entry.error());
    if (!entry->has_value()) {
        return ReportFailure(
            Fail("There is no phonebook entry \"" + name + "\".", ras::kCannotFindPhonebookEntry));
    }
    const Json out = EntryJson(**entry, call.args.Has("--show-passwords"));
    if (call.args.Has("--json")) {
        PrintJson(out);
    } else {
        PrintMembers(out, "");
    }
    return kExitSuccess;
}

int Add(Invocation& call) {
    Phonebook& phonebook = call.session.phonebook();
    const std::string& name = call.Arg(0);
    const std::vector<std::string> phones = call.args.Values("--phone");
    if (phones.empty())
        return call.UsageError("the option --phone is required");
    if (phones.size() > 1 + kMaxAlternateNumbers) {
        return call.UsageError("--phone is given at most " +
                               std::to_string(1 + kMaxAlternateNumbers) +
                               " times: the entry's number and its alternates");
    }
    std::uint32_t country = 0;
    if (const auto text = call.args.Value("--country")) {
        auto parsed =
            ParseInteger(*text, 0, std::numeric_limits<std::uint32_t>::max(), "the country code");
        if (!parsed)
            return call.UsageError(parsed.error().message);
        country = static_cast<std::uint32_t>(*parsed);
    }
    const std::string area = call.args.Value("--area").value_or("");
    std::vector<Status> checks{ValidateEntryName(name)};
    for (const std::string& phone : phones)
        checks.push_back(CheckDialCharacters("The phone number", phone));
    checks.push_back(CheckDialCharacters("The area code", area));
    for (const Status& checked : checks) {
        if (!checked)
            return ReportFailure(checked.error());
    }

    Result<std::optional<PhonebookEntry>> existing = phonebook.ReadEntry(name);
    if (!existing)
        return ReportFailure(existing.error());
    if (existing->has_value() && !call.args.Has("--replace")) {
        return ReportFailure(
            Fail("The phonebook entry \"" + name + "\" exists; give --replace to replace it."));
    }

    std::string device;
    if (const auto chosen = call.args.Value("--device")) {
        if (Status usable = UseDevice(phonebook, *chosen); !usable)
            return ReportFailure(usable.error());
        device = *chosen;
    } else {
        // As the modem dialog would: the first device of the sorted list.
        const ModemList modems = BuildModemList(phonebook);
        if (modems.choices.empty()) {
            Warn(modems.message + " The entry has no device; add it again with --device.");
        } else {
            device = modems.choices.front().device;
        }
    }

    // A replaced entry gets new properties and keeps its line settings and dial parameters.
    PhonebookEntry entry = existing->value_or(PhonebookEntry{});
    entry.name = name;
    entry.properties = RasEntry{};
    entry.properties.deviceType = std::string(kRasDeviceTypeModem);
    entry.properties.deviceName = device;
    entry.properties.localPhoneNumber = phones.front();
    entry.alternateNumbers.assign(phones.begin() + 1, phones.end());
    entry.properties.areaCode = area;
    entry.properties.countryCode = country;
    entry.properties.countryId = country;
    if (!area.empty() || country != 0)
        entry.properties.options |= kUseCountryAndAreaCodes;
    if (Status written = phonebook.WriteEntry(entry); !written)
        return ReportFailure(written.error());
    return kExitSuccess;
}

int Remove(Invocation& call) {
    if (Status removed = call.session.phonebook().RemoveEntry(call.Arg(0)); !removed)
        return ReportFailure(removed.error());
    return kExitSuccess;
}

int Devices(Invocation& call) {
    Phonebook& phonebook = call.session.phonebook();
    if (const auto added = call.args.Value("--add")) {
        if (Status done = phonebook.AddDevice(*added); !done)
            return ReportFailure(done.error());
    }
    if (const auto removed = call.args.Value("--remove")) {
        if (Status done = phonebook.RemoveDevice(*removed); !done)
            return ReportFailure(done.error());
    }
    Result<std::vector<DeviceInfo>> devices = phonebook.EnumDevices();
    if (!devices)
        return ReportFailure(devices.error());
    if (call.args.Has("--json")) {
        Json list = Json::array();
        for (const DeviceInfo& device : *devices)
            list.push_back(
                Json{{"type", device.type}, {"name", device.name}, {"detail", device.detail}});
        Json out = Json::object();
        out["devices"] = std::move(list);
        PrintJson(out);
    } else {
        for (const DeviceInfo& device : *devices) {
            std::cout << device.type << "    " << OneLine(device.name)
                      << (device.detail.empty() ? "" : "    " + OneLine(device.detail)) << '\n';
        }
    }
    return kExitSuccess;
}

constexpr std::array<CommandInfo, 5> kCommands{{
    {"list", "[--json]", "Lists the entries' names. JSON: {\"entries\":[...]}.", 0, 0, "--json", "",
     List},
    {"show", "NAME [--json] [--show-passwords]",
     "Shows every member of the entry: its properties, line speed, init string, alternate\n"
     "      numbers and dial parameters (the password as \"********\" unless --show-passwords).",
     1, 1, "--json --show-passwords", "", Show},
    {"add", "NAME --phone NUMBER... [--device PATH] [--area CODE] [--country CODE] [--replace]",
     "Creates a modem entry. The first --phone is the entry's number; up to four more are\n"
     "      alternates, dialled in turn when a call fails (with the same area and country\n"
     "      codes). --device is a device from \"phonebook devices\" or a character device path\n"
     "      (then added to that list); without it the first listed device is used. An\n"
     "      existing entry is replaced only with --replace, keeping its line speed, init\n"
     "      string and dial parameters.",
     1, 1, "--replace", "--phone --device --area --country", Add},
    {"remove", "NAME", "Removes the entry (a profile's stored settings stay; see profile clear).",
     1, 1, "", "", Remove},
    {"devices", "[--json] [--add PATH] [--remove PATH]",
     "Lists the machine's serial ports (by their /dev/serial/by-id names where udev made\n"
     "      them) and the devices you added; --add adds a character device by its absolute\n"
     "      path, --remove forgets one you added. JSON: "
     "{\"devices\":[{\"type\",\"name\",\"detail\"}]}.",
     0, 0, "--json", "--add --remove", Devices},
}};

constexpr std::string_view kNotes =
    "The phonebook is $XDG_CONFIG_HOME/linkvane/phonebook.json. Entry names compare without\n"
    "regard to case (\"isp\" is the entry \"ISP\", as their settings keys are one); Remote Access\n"
    "codes: 123 invalid name, 608 no such device, 623 no such entry, 625 damaged phonebook.\n";

}  // namespace

Status UseDevice(Phonebook& phonebook, const std::string& path) {
    Result<std::vector<DeviceInfo>> devices = phonebook.EnumDevices();
    if (!devices)
        return devices.error();
    const bool listed = std::any_of(devices->begin(), devices->end(),
                                    [&](const DeviceInfo& device) { return device.name == path; });
    if (listed)
        return Success();
    if (Status added = phonebook.AddDevice(path); !added) {
        return Fail(added.error().message +
                        " Use a device that \"linkvanectl phonebook devices\" lists, or the path "
                        "of a character device.",
                    added.error().code);
    }
    return Success();
}

const CommandGroup& PhonebookGroup() {
    static const CommandGroup group{"phonebook", "the dial-up phonebook", kCommands, kNotes};
    return group;
}

}  // namespace linkvane::ctl
