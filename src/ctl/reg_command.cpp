// linkvanectl reg: the registry store through the accessor's path syntax.

#include <algorithm>
#include <array>
#include <cctype>
#include <iostream>

#include "core/profiles/regedit_file.h"
#include "core/profiles/registry_item.h"
#include "core/util/text.h"
#include "core/util/win_error.h"
#include "ctl/commands.h"
#include "ctl/output.h"
#include "ctl/text_io.h"

namespace linkvane::ctl {

namespace {

constexpr std::array<RegType, 5> kWritableTypes{RegType::Sz, RegType::ExpandSz, RegType::Dword,
                                                RegType::DwordBigEndian, RegType::Binary};

std::string RegistryErrorText(std::uint32_t code) {
    switch (code) {
        case win::kFileNotFound:
            return "not found";
        case win::kAccessDenied:
            return "access denied";
        case win::kInvalidData:
            return "the value has another type or its data is invalid";
        case win::kBadNetPath:
            return "a remote machine's registry cannot be reached";
        case win::kBadDatabase:
            return "the settings file is damaged";
        case win::kKeyDeleted:
            return "the key was deleted";
        default:
            return "the registry store failed";
    }
}

Error RegistryFailure(COXRegistryItem& item) {
    const std::uint32_t code = ErrorOf(item);
    return Fail(item.GetPath() + ": " + RegistryErrorText(code), code);
}

// A path on this machine names a root whose file must be usable; a remote one fails in the
// accessor (53) without touching any file.
Status CheckPathRoot(Session& session, COXRegistryItem& item) {
    if (!item.GetMachine().empty())
        return Success();
    return session.CheckRoot(RootOf(item));
}

// REG_BINARY data as typed: pairs of hex digits, optionally separated by commas or blanks.
Result<std::vector<std::uint8_t>> ParseHexData(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    const auto flush = [&]() -> Status {
        if (digits.size() % 2 != 0)
            return Fail("binary data needs two hex digits per byte; \"" + digits + "\" has " +
                        std::to_string(digits.size()));
        for (std::size_t i = 0; i < digits.size(); i += 2)
            bytes.push_back(
                static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
        digits.clear();
        return Success();
    };
    for (const char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (Status done = flush(); !done)
                return done.error();
        } else if (std::isxdigit(static_cast<unsigned char>(c)) != 0) {
            digits += c;
        } else {
            return Fail("binary data may hold only hex digits, commas and spaces, not \"" +
                        std::string(1, c) + "\"");
        }
    }
    if (Status done = flush(); !done)
        return done.error();
    return bytes;
}

Result<RegistryValue> ParseValue(std::string_view typeName, const std::string& data) {
    std::string upper(typeName);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::optional<RegType> type = RegTypeFromName(upper);
    if (!type ||
        std::find(kWritableTypes.begin(), kWritableTypes.end(), *type) == kWritableTypes.end()) {
        return Fail("\"" + std::string(typeName) +
                    "\" is not a type to write; use REG_SZ, REG_EXPAND_SZ, REG_DWORD, "
                    "REG_DWORD_BIG_ENDIAN or REG_BINARY");
    }
    switch (*type) {
        case RegType::Sz:
        case RegType::ExpandSz:
            return MakeStringValue(data, *type);
        case RegType::Binary: {
            auto bytes = ParseHexData(data);
            if (!bytes)
                return bytes.error();
            return RegistryValue{RegType::Binary, std::move(bytes.value())};
        }
        default: {
            auto number =
                ParseInteger(data, 0, 0xFFFFFFFF, std::string(RegTypeName(*type)) + " data");
            if (!number)
                return number.error();
            const auto n = static_cast<std::uint32_t>(*number);
            if (*type == RegType::Dword)
                return MakeDwordValue(n, RegType::Dword);
            // Stored in its own byte order, most significant byte first.
            return RegistryValue{
                RegType::DwordBigEndian,
                {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                 static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}};
        }
    }
}

int Parse(Invocation& call) {
    COXRegistryItem item(call.session.registry(), call.Arg(0));
    Json out = Json::object();
    out["machine"] = item.GetMachine();
    out["root"] = item.GetRoot();
    out["keyPath"] = item.GetKeyPath();
    out["valueName"] = item.GetValueName();
    out["path"] = item.GetPath();
    if (call.args.Has("--json")) {
        PrintJson(out);
    } else {
        for (const auto& [part, text] : out.items())
            std::cout << part << ": " << OneLine(text.get<std::string>()) << '\n';
    }
    return kExitSuccess;
}

int QueryKey(Invocation& call, COXRegistryItem& item) {
    auto subkeys = item.GetSubkeyNames();
    if (!subkeys)
        return ReportFailure(RegistryFailure(item));
    auto values = item.GetValues();
    if (!values)
        return ReportFailure(RegistryFailure(item));
    if (call.args.Has("--json")) {
        Json out = Json::object();
        out["subkeys"] = *subkeys;
        // The store's names are unique already; appending skips the object's search for an
        // equal key, which made a key of many values quadratic.
        Json named = Json::object();
        auto& members = named.get_ref<Json::object_t&>();
        members.reserve(values->size());
        for (const NamedRegistryValue& value : *values)
            members.Container::emplace_back(value.name, RegistryValueJson(value.value));
        out["values"] = std::move(named);
        PrintJson(out);
        return kExitSuccess;
    }
    std::string keyPath = item.GetPath();
    if (!keyPath.ends_with('\\'))
        keyPath += '\\';
    std::cout << OneLine(keyPath) << '\n';
    for (const NamedRegistryValue& value : *values) {
        std::cout << "    " << (value.name.empty() ? "(Default)" : OneLine(value.name)) << "    "
                  << RegTypeName(value.value.type) << "    "
                  << OneLine(RegistryDataText(value.value)) << '\n';
    }
    for (const std::string& subkey : *subkeys)
        std::cout << OneLine(keyPath + subkey) << "\\\n";
    return kExitSuccess;
}

int Query(Invocation& call) {
    COXRegistryItem item(call.session.registry(), call.Arg(0));
    if (Status usable = CheckPathRoot(call.session, item); !usable)
        return ReportFailure(usable.error());
    if (item.GetValueName().empty())
        return QueryKey(call, item);
    const std::optional<RegistryValue> value = item.GetRawValue();
    if (!value)
        return ReportFailure(RegistryFailure(item));
    if (call.args.Has("--json")) {
        PrintJson(RegistryValueJson(*value));
    } else {
        std::cout << RegTypeName(value->type) << "    " << OneLine(RegistryDataText(*value))
                  << '\n';
    }
    return kExitSuccess;
}

int Add(Invocation& call) {
    COXRegistryItem item(call.session.registry(), call.Arg(0));
    if (item.GetValueName().empty()) {
        return call.UsageError(
            "the path names a key; end it with a value name (NoName for the key's default "
            "value)");
    }
    Result<RegistryValue> value = ParseValue(call.Arg(1), call.Arg(2));
    if (!value)
        return call.UsageError(value.error().message);
    if (Status usable = CheckPathRoot(call.session, item); !usable)
        return ReportFailure(usable.error());
    if (!item.SetRawValue(*value))
        return ReportFailure(RegistryFailure(item));
    return kExitSuccess;
}

int Delete(Invocation& call) {
    COXRegistryItem item(call.session.registry(), call.Arg(0));
    if (Status usable = CheckPathRoot(call.session, item); !usable)
        return ReportFailure(usable.error());
    if (!item.Delete())
        return ReportFailure(RegistryFailure(item));
    return kExitSuccess;
}

int Export(Invocation& call) {
    Session& session = call.session;
    Result<std::string> text = std::string();
    if (call.args.positional.size() < 2) {
        // Every root up front: the export of all roots leaves out a root it cannot read.
        for (const RegistryRootName& known : kRegistryRoots) {
            if (Status usable = session.CheckRoot(known.root); !usable)
                return ReportFailure(usable.error());
        }
        text = ExportAllRoots(session.registry());
    } else {
        COXRegistryItem item(session.registry(), call.Arg(1));
        if (!item.GetValueName().empty())
            return call.UsageError("the path names a value; a key path ends with a backslash");
        if (!item.GetMachine().empty()) {
            return ReportFailure(Fail(item.GetPath() + ": " + RegistryErrorText(win::kBadNetPath),
                                      win::kBadNetPath));
        }
        if (Status usable = CheckPathRoot(session, item); !usable)
            return ReportFailure(usable.error());
        // The store names keys without their enclosing backslashes.
        const std::string keyPath = item.GetKeyPath();
        const std::string storePath =
            keyPath.size() >= 2 ? keyPath.substr(1, keyPath.size() - 2) : std::string();
        text = ExportRegistry(session.registry(), RootOf(item), storePath);
    }
    if (!text)
        return ReportFailure(text.error());
    if (Status written = WriteTextOutput(call.Arg(0), *text); !written)
        return ReportFailure(written.error());
    return kExitSuccess;
}

int Import(Invocation& call) {
    Result<std::string> text = ReadTextInput(call.Arg(0));
    if (!text)
        return ReportFailure(text.error());
    Result<std::vector<RegFileKey>> keys = ParseRegFile(*text);
    if (!keys)
        return ReportFailure(keys.error());
    for (const RegFileKey& key : *keys) {
        if (Status usable = call.session.CheckRoot(key.root); !usable)
            return ReportFailure(usable.error());
    }
    if (Status applied = ApplyRegFile(call.session.registry(), *keys); !applied)
        return ReportFailure(applied.error());
    return kExitSuccess;
}

constexpr std::array<CommandInfo, 6> kCommands{{
    {"parse", "PATH [--json]",
     "Splits PATH into machine, root, key path and value name after the accessor's\n"
     "      normalisations, and shows the full path composed from them. Reads no store.\n"
     "      JSON: {\"machine\",\"root\",\"keyPath\",\"valueName\",\"path\"}.",
     1, 1, "--json", "", Parse},
    {"query", "PATH [--json]",
     "Shows a value, or a key's values and subkeys when PATH names a key (ends in \"\\\").\n"
     "      JSON: {\"type\",\"data\"} for a value; {\"subkeys\":[...],\"values\":{NAME:{\"type\","
     "\"data\"}}}\n      for a key, where the default value's NAME is \"\".",
     1, 1, "--json", "", Query},
    {"add", "PATH TYPE DATA",
     "Writes a value (creating missing keys). TYPE is REG_SZ, REG_EXPAND_SZ, REG_DWORD,\n"
     "      REG_DWORD_BIG_ENDIAN or REG_BINARY. Numbers are decimal or 0x-hex, 0 to 4294967295;\n"
     "      REG_DWORD_BIG_ENDIAN is stored most significant byte first. Binary data is hex\n"
     "      digit pairs, optionally separated by commas or spaces.",
     3, 3, "", "", Add},
    {"delete", "PATH",
     "Deletes a value, or a key with everything below it when PATH ends in \"\\\".", 1, 1, "", "",
     Delete},
    {"export", "FILE [PATH]",
     "Writes the key PATH and everything below it, or without PATH every root that holds\n"
     "      data, in the REGEDIT4 format to FILE (\"-\" for stdout; the file is replaced whole "
     "and\n"
     "      is readable by you only; a path that is not a regular file is refused).",
     1, 2, "", "", Export},
    {"import", "FILE",
     "Applies a REGEDIT4 file (\"-\" for stdin): its keys and values are written, \"[-KEY]\" "
     "and\n      \"NAME\"=- delete. Each root's changes are one transaction.",
     1, 1, "", "", Import},
}};

constexpr std::string_view kNotes =
    "PATH syntax: [\\\\machine][\\Root][\\key\\path\\][valueName]. Roots: \\CurrentUser "
    "(the default),\n\\LocalMachine, \\ClassesRoot, \\Users, \\PerformanceData, "
    "\\CurrentConfig, \\DynData; they match\nwithout regard to case and only as a whole "
    "component. A path ending in \"\\\" names a key;\nthe value name NoName stands for the key's "
    "default value. A remote machine part fails with\ncode 53. Registry data in JSON: strings "
    "raw and unexpanded, REG_DWORD and REG_DWORD_BIG_ENDIAN\nas numbers (each in its own byte "
    "order), any other data as lower-case hex digits.\n";

}  // namespace

const CommandGroup& RegGroup() {
    static const CommandGroup group{"reg", "the registry store, by accessor paths", kCommands,
                                    kNotes};
    return group;
}

}  // namespace linkvane::ctl
