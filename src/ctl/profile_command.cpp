// linkvanectl profile: the profiles' stored settings, and profile files.

#include <unistd.h>

#include <array>
#include <iostream>
#include <limits>
#include <type_traits>
#include <utility>

#include "core/profiles/mail_security.h"
#include "core/profiles/phonebook_entries.h"
#include "core/profiles/profile_file.h"
#include "core/profiles/profile_file_io.h"
#include "core/profiles/profile_transfer.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"

namespace linkvane::ctl {

namespace {

constexpr std::string_view kMaskedPassword = "********";

template <class T>
using FieldType = std::remove_cvref_t<decltype(std::declval<ProfileRecord&>().*std::declval<T>())>;

// The record keyed by its registry value names, numbers as numbers, in the record's order.
Json ProfileJson(const ProfileRecord& record, bool showPasswords) {
    Json out = Json::object();
    for (const ProfileValueInfo& info : ProfileValues()) {
        std::visit(
            [&](auto member) {
                const auto& value = record.*member;
                if constexpr (std::is_same_v<FieldType<decltype(member)>, std::string>) {
                    const bool masked = info.isPassword && !showPasswords && !value.empty();
                    out[std::string(info.name)] = masked ? std::string(kMaskedPassword) : value;
                } else {
                    out[std::string(info.name)] = value;
                }
            },
            info.field);
    }
    return out;
}

std::string ProfileValueNames() {
    std::string names;
    for (const ProfileValueInfo& info : ProfileValues())
        names += (names.empty() ? "" : ", ") + std::string(info.name);
    return names;
}

// Sets one value of the record from the command line's text, checking numbers against the
// width and sign of the record's field.
Status SetField(ProfileRecord& record, const ProfileValueInfo& info, const std::string& text) {
    return std::visit(
        [&](auto member) -> Status {
            using T = FieldType<decltype(member)>;
            if constexpr (std::is_same_v<T, std::string>) {
                if (info.check == nullptr) {
                    record.*member = text;
                    return Success();
                }
                Result<std::string> checked = info.check(text);
                if (!checked)
                    return checked.error();
                record.*member = std::move(*checked);
            } else {
                auto n =
                    ParseInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                                 "the value of " + std::string(info.name));
                if (!n)
                    return n.error();
                record.*member = static_cast<T>(*n);
            }
            return Success();
        },
        info.field);
}

// The answers of a run without dialogs: overwrite only when told to (or when the user says so
// on a terminal), and the modem named on the command line or none (a cancelled choice).
class CommandLineQuestions final : public ImportQuestions {
  public:
    CommandLineQuestions(bool yes, std::optional<std::string> device)
        : m_yes(yes), m_device(std::move(device)) {}

    bool ConfirmOverwrite(std::string_view entryName) override {
        if (m_yes)
            return true;
        if (::isatty(STDIN_FILENO) != 1) {
            m_declined = true;
            return false;
        }
        std::cerr << "\"" << OneLine(entryName) << "\": " << kOverwriteEntryQuestion << " [y/N] ";
        std::string answer;
        std::getline(std::cin, answer);
        m_declined = !(answer.starts_with('y') || answer.starts_with('Y'));
        return !m_declined;
    }
    // The import goes on and reports the refusal in its result; the command prints it last.
    void EntryNotCreated(std::uint32_t /*error*/) override {}
    std::optional<std::string> ChooseModem(const ModemList& modems) override {
        if (!m_device)
            return std::nullopt;
        const std::vector<std::string> names = modems.Names();
        if (std::find(names.begin(), names.end(), *m_device) == names.end())
            return std::nullopt;
        return m_device;
    }

    bool declined() const { return m_declined; }

  private:
    bool m_yes;
    std::optional<std::string> m_device;
    bool m_declined = false;
};

// A profile to show or export: its settings are stored, or at least its phonebook entry exists.
// The dispatcher has checked the name and the current user's root.
Status RequireProfile(Session& session, const std::string& name) {
    if (session.HasStoredSettings(name) || EntryExists(session.phonebook(), name))
        return Success();
    return Fail("There is no profile \"" + name +
                    "\": no settings are stored and no phonebook "
                    "entry has that name.",
                win::kFileNotFound);
}

int List(Invocation& call) {
    Session& session = call.session;
    if (Status usable = session.CheckRoot(RegistryRoot::CurrentUser); !usable)
        return ReportFailure(usable.error());
    Result<std::vector<std::string>> names = session.phonebook().ListEntries();
    if (!names)
        return ReportFailure(names.error());
    const std::string defaultProfile = session.profiles().LoadGlobalSettings().defaultProfile;
    Json profiles = Json::array();
    for (const std::string& name : *names) {
        Json profile = Json::object();
        profile["name"] = name;
        profile["default"] = name == defaultProfile;
        profile["hasSettings"] = session.HasStoredSettings(name);
        profiles.push_back(std::move(profile));
    }
    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["default"] = defaultProfile;
        out["profiles"] = std::move(profiles);
        PrintJson(out);
        return kExitSuccess;
    }
    for (const Json& profile : profiles) {
        std::cout << (profile["default"].get<bool>() ? "* " : "  ")
                  << OneLine(profile["name"].get<std::string>())
                  << (profile["hasSettings"].get<bool>() ? "" : "    (no stored settings)") << '\n';
    }
    return kExitSuccess;
}

int Show(Invocation& call) {
    const std::string& name = call.Arg(0);
    if (Status exists = RequireProfile(call.session, name); !exists)
        return ReportFailure(exists.error());
    const ProfileRecord record = call.session.profiles().LoadProfile(name);
    const Json values = ProfileJson(record, call.args.Has("--show-passwords"));
    if (call.args.Has("--json")) {
        PrintJson(values);
        return kExitSuccess;
    }
    for (const auto& [valueName, value] : values.items()) {
        std::cout << valueName << ": "
                  << (value.is_string() ? OneLine(value.get<std::string>()) : value.dump()) << '\n';
    }
    if (Pop3SecurityOf(record.pop3Security) == Pop3Security::Plain)
        std::cout << "POP3Security is plain: " << kPlainPasswordWarning << ".\n";
    return kExitSuccess;
}

int Set(Invocation& call) {
    const std::string& name = call.Arg(0);
    const ProfileValueInfo* info = FindProfileValue(call.Arg(1));
    if (info == nullptr) {
        return call.UsageError("\"" + call.Arg(1) +
                               "\" is not a profile value; the values are: " + ProfileValueNames());
    }
    ProfileRecord record;
    record.name = name;
    if (Status set = SetField(record, *info, call.Arg(2)); !set)
        return call.UsageError(set.error().message);
    if (Status saved = call.session.profiles().SaveProfileValue(record, *info); !saved)
        return ReportFailure(saved.error());
    return kExitSuccess;
}

int Clear(Invocation& call) {
    const std::string& name = call.Arg(0);
    if (Status cleared = call.session.profiles().ClearProfile(name); !cleared)
        return ReportFailure(cleared.error());
    return kExitSuccess;
}

int Export(Invocation& call) {
    Session& session = call.session;
    const std::string& name = call.Arg(0);
    if (Status exists = RequireProfile(session, name); !exists)
        return ReportFailure(exists.error());
    const Result<bool> hasEntry = session.HasEntry(name);
    if (!hasEntry)
        return ReportFailure(hasEntry.error());
    if (!*hasEntry) {
        Warn("there is no phonebook entry \"" + name +
             "\"; the file carries an empty entry in its place");
    }
    const ProfileStore store = session.profiles();
    const Status exported =
        ExportProfile(store.LoadProfile(name), store.LoadGlobalSettings().settings,
                      session.phonebook(), call.Arg(1));
    if (!exported)
        return ReportFailure(exported.error());
    return kExitSuccess;
}

int Import(Invocation& call) {
    Session& session = call.session;
    const std::string& path = call.Arg(0);
    if (Status usable = session.CheckRoot(RegistryRoot::CurrentUser); !usable)
        return ReportFailure(usable.error());
    // The name comes first, for the messages and for the "Tweak" that the file does not carry:
    // an overwritten profile keeps its own.
    Result<std::vector<std::uint8_t>> bytes = ReadProfileFileBytes(path);
    if (!bytes)
        return ReportFailure(bytes.error());
    // As in the program: a file that names no profile imports nothing and says nothing.
    if (NamesNoProfile(*bytes))
        return kExitSuccess;
    Result<ProfileFile> peek = DecodeProfileFile(*bytes);
    if (!peek)
        return ReportFailure(peek.error());
    const std::string name = peek->name;

    const std::optional<std::string> device = call.args.Value("--device");
    if (device) {
        if (Status usable = UseDevice(session.phonebook(), *device); !usable)
            return ReportFailure(usable.error());
    }
    const ProfileStore store = session.profiles();
    CommandLineQuestions questions(call.args.Has("--yes"), device);
    EntryCreator creator(session.phonebook());
    auto imported = ImportProfile(path, store, session.phonebook(), creator, questions,
                                  store.LoadProfile(name).tweak);
    if (!imported)
        return ReportFailure(imported.error());
    if (!imported->has_value()) {
        // The name was checked above: nothing was imported because the user declined.
        return ReportFailure(Fail("The phonebook entry \"" + name +
                                  "\" exists; nothing was imported. Give --yes to overwrite it."));
    }
    const ImportedProfile& result = **imported;
    if (call.args.Has("--with-settings")) {
        GlobalSettings globals = store.LoadGlobalSettings().settings;
        ApplyFileToGlobals(result.file, globals);
        if (Status saved = store.SaveGlobalSettings(globals); !saved)
            return ReportFailure(saved.error());
    }
    if (result.entryError != 0) {
        return ReportFailure(
            Fail(std::string(kEntryNotCreatedText) + " The profile's settings were imported.",
                 result.entryError));
    }
    std::cout << "Imported the profile \"" << OneLine(name) << "\" (device: "
              << (creator.entry().deviceName.empty() ? "none" : OneLine(creator.entry().deviceName))
              << ").\n";
    return kExitSuccess;
}

constexpr std::array<CommandInfo, 6> kCommands{{
    {"list", "[--json]",
     "Lists the phonebook's entries, \"*\" marking the default profile (the stored \"Default\",\n"
     "      compared exactly) and a note on those without stored settings.\n"
     "      JSON: {\"default\",\"profiles\":[{\"name\",\"default\",\"hasSettings\"}]}.",
     0, 0, "--json", "", List},
    {"show", "NAME [--json] [--show-passwords]",
     "Shows the profile's values keyed by their registry value names, numbers as numbers;\n"
     "      the two passwords as \"********\" (\"\" when empty) unless --show-passwords.\n"
     "      A plain POP3Security is followed by a line saying the password is sent\n"
     "      unencrypted. A name without stored settings or phonebook entry fails with code 2.",
     1, 1, "--json --show-passwords", "", Show, ProfileChecks::UserRoot},
    {"set", "NAME VALUE DATA",
     "Sets one profile value, VALUE being its registry name (UseLan, PingFreq, Homepage,\n"
     "      Password, ...). Numbers are 32-bit, PopMinutes unsigned; the passwords are "
     "enciphered\n      and hold at most 39 characters of Windows-1252. POP3Security is auto, "
     "stls, pop3s or\n      plain; POP3Pin a SHA-256 fingerprint, or \"\" for none. Only that "
     "value is written\n      (and POP3Security auto, the start of a new profile).",
     3, 3, "", "", Set, ProfileChecks::UserRoot},
    {"clear", "NAME", "Deletes the profile's stored settings (not its phonebook entry).", 1, 1, "",
     "", Clear, ProfileChecks::UserRoot},
    {"export", "NAME FILE",
     "Writes the profile, its phonebook entry and the program-wide values to a profile file.", 2, 2,
     "", "", Export, ProfileChecks::UserRoot},
    {"import", "FILE [--yes] [--device DEV] [--with-settings]",
     "Creates the file's phonebook entry and stores its profile. An existing entry is\n"
     "      overwritten only with --yes (on a terminal you are asked; otherwise nothing\n"
     "      is imported and the exit status is 1). --device picks the modem: a device from\n"
     "      \"phonebook devices\", or a character device path, which is then added to that "
     "list.\n      Without it the entry gets no device. The file's program-wide values "
     "(redial and the\n      Global page) are saved only with --with-settings. A file whose "
     "profile name is "
     "empty\n      imports nothing and prints nothing (exit status 0).",
     1, 1, "--yes --with-settings", "--device", Import},
}};

constexpr std::string_view kNotes =
    "A profile's name is its phonebook entry's name: not empty, at most 255 bytes, no \"/\",\n"
    "\"\\\" or control characters (code 123 otherwise). Settings live under\n"
    "\\CurrentUser\\Software\\Kestrom\\Linkvane\\DialEntry\\NAME\\.\n";

}  // namespace

const CommandGroup& ProfileGroup() {
    static const CommandGroup group{"profile", "the profiles' settings and profile files",
                                    kCommands, kNotes};
    return group;
}

}  // namespace linkvane::ctl
