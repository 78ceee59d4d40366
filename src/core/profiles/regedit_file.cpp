#include "core/profiles/regedit_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>

#include "core/util/text.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::size_t kHexLineWidth = 76;

std::string Hex2(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[b >> 4], kDigits[b & 0xF]};
}

std::string QuoteRegString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// A REG_SZ that the quoted form can carry: one terminating zero, no other zero, no line break.
bool QuotableString(const RegistryValue& v) {
    if (v.type != RegType::Sz || v.data.empty() || v.data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i) {
        const std::uint8_t b = v.data[i];
        if (b == 0 || b == '\n' || b == '\r')
            return false;
    }
    return true;
}

std::string FormatData(const std::string& prefix, const RegistryValue& v) {
    if (QuotableString(v))
        return prefix + QuoteRegString(StringFromData(v.data));
    if (v.type == RegType::Dword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | v.data[static_cast<std::size_t>(i)];
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return prefix + buf;
    }
    char kind[24] = "hex:";
    if (v.type != RegType::Binary)
        std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(v.type));
    std::string line = prefix + kind;
    std::string out;
    for (std::size_t i = 0; i < v.data.size(); ++i) {
        std::string piece = Hex2(v.data[i]) + (i + 1 < v.data.size() ? "," : "");
        if (line.size() + piece.size() > kHexLineWidth && i + 1 < v.data.size()) {
            out += line + "\\\n";
            line = "  ";
        }
        line += piece;
    }
    return out + line;
}

// A name that REGEDIT4 cannot carry: a line break would end its line and start one of the
// file's own (a key, a value), and the other control characters would not survive editors.
// The store refuses such names; one that is there all the same is not exported.
bool Unwritable(std::string_view name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string KeyName(RegistryRoot root, std::string_view path) {
    std::string name(RootInfo(root).predefinedKey);
    if (!path.empty())
        name += "\\" + std::string(path);
    return name;
}

Status ExportKey(RegistryStore& store, RegistryRoot root, const std::string& path,
                 std::string& out) {
    auto key = store.OpenKey(root, path, false);
    if (key.error != 0)
        return Fail("Cannot read the key " + KeyName(root, path), key.error);
    auto values = store.EnumValues(key.value);
    auto subkeys = store.EnumSubkeys(key.value);
    if (values.error != 0 || subkeys.error != 0) {
        return Fail("Cannot read the key " + KeyName(root, path),
                    values.error != 0 ? values.error : subkeys.error);
    }
    for (const std::string& name : subkeys.value) {
        if (Unwritable(name))
            return Fail("A key below " + KeyName(root, path) +
                            " has a control character in its name, which a registry file "
                            "cannot carry; nothing was exported.",
                        win::kInvalidParameter);
    }
    for (const auto& v : values.value) {
        if (Unwritable(v.name))
            return Fail("A value of " + KeyName(root, path) +
                            " has a control character in its name, which a registry file "
                            "cannot carry; nothing was exported.",
                        win::kInvalidParameter);
    }
    out += "[" + KeyName(root, path) + "]\n";
    for (const auto& v : values.value) {
        out += FormatData((v.name.empty() ? std::string("@") : QuoteRegString(v.name)) + "=",
                          v.value) +
               "\n";
    }
    out += "\n";
    for (const auto& sub : subkeys.value) {
        if (auto status = ExportKey(store, root, path.empty() ? sub : path + "\\" + sub, out);
            !status)
            return status;
    }
    return Success();
}

// Whether a root holds anything; a root that cannot be read is an error, not an empty root.
Result<bool> HasContent(RegistryStore& store, RegistryRoot root) {
    auto key = store.OpenKey(root, "", false);
    if (key.error != 0)
        return Fail("Cannot read " + KeyName(root, ""), key.error);
    auto values = store.EnumValues(key.value);
    auto subkeys = store.EnumSubkeys(key.value);
    if (values.error != 0 || subkeys.error != 0) {
        return Fail("Cannot read " + KeyName(root, ""),
                    values.error != 0 ? values.error : subkeys.error);
    }
    return !values.value.empty() || !subkeys.value.empty();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted string at text[pos] (pos at the opening quote); pos ends behind the closing one.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= text.size())
                return false;
            out += text[pos++];
        } else {
            out += c;
        }
    }
    return false;
}

bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& out) {
    out.clear();
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
    };
    skipBlanks();
    if (pos == text.size())
        return true;
    while (true) {
        skipBlanks();
        if (pos + 2 > text.size())
            return false;
        const int hi = HexDigit(text[pos]);
        const int lo = HexDigit(text[pos + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        pos += 2;
        skipBlanks();
        if (pos == text.size())
            return true;
        if (text[pos] != ',')
            return false;
        ++pos;
    }
}

Result<RegistryValue> ParseData(std::string_view data) {
    if (data.starts_with('"')) {
        std::size_t pos = 0;
        std::string text;
        if (!ReadQuoted(data, pos, text) || pos != data.size())
            return Fail("a string value is not closed properly");
        return MakeStringValue(text, RegType::Sz);
    }
    if (StartsWithIgnoreCase(data, "dword:")) {
        const std::string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8)
            return Fail("a dword value needs 1 to 8 hexadecimal digits");
        std::uint32_t n = 0;
        for (const char c : digits) {
            const int d = HexDigit(c);
            if (d < 0)
                return Fail("a dword value needs 1 to 8 hexadecimal digits");
            n = (n << 4) | static_cast<std::uint32_t>(d);
        }
        return MakeDwordValue(n, RegType::Dword);
    }
    RegType type = RegType::Binary;
    std::string_view bytes;
    if (StartsWithIgnoreCase(data, "hex:")) {
        bytes = data.substr(4);
    } else if (StartsWithIgnoreCase(data, "hex(")) {
        const std::size_t close = data.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12)
            return Fail("a hex(type) value is malformed");
        std::uint32_t t = 0;
        for (const char c : data.substr(4, close - 4)) {
            const int d = HexDigit(c);
            if (d < 0)
                return Fail("a hex(type) value has a bad type number");
            t = (t << 4) | static_cast<std::uint32_t>(d);
        }
        type = static_cast<RegType>(t);
        bytes = data.substr(close + 2);
    } else {
        return Fail("a value must be a quoted string, dword:, hex: or hex(type):");
    }
    RegistryValue v{type, {}};
    if (!ParseHexBytes(bytes, v.data))
        return Fail("hex data must be two-digit bytes separated by commas");
    return v;
}

// Joins continued hex lines and drops carriage returns; keeps the number of the first line.
struct LogicalLine {
    std::size_t number;
    std::string text;
};

std::vector<LogicalLine> LogicalLines(std::string_view text) {
    std::vector<LogicalLine> lines;
    std::size_t number = 0;
    std::size_t pos = 0;
    bool continuing = false;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(pos, end - pos));
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (continuing) {
            const std::size_t first = line.find_first_not_of(" \t");
            lines.back().text += first == std::string::npos ? "" : line.substr(first);
        } else {
            lines.push_back({number, line});
        }
        std::string& current = lines.back().text;
        continuing =
            !current.empty() && current.back() == '\\' && current.find("=hex") != std::string::npos;
        if (continuing)
            current.pop_back();
        if (end == text.size())
            break;
        pos = end + 1;
    }
    return lines;
}

Error AtLine(std::size_t line, const std::string& what) {
    return Fail("Line " + std::to_string(line) + ": " + what + ".", win::kInvalidData);
}

}  // namespace

Result<std::pair<RegistryRoot, std::string>> ParseRegKeyName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, RegistryRoot>, 2> kShort{{
        {"HKCU", RegistryRoot::CurrentUser},
        {"HKLM", RegistryRoot::LocalMachine},
    }};
    const std::size_t slash = name.find('\\');
    const std::string_view rootName = name.substr(0, slash);
    std::string path = slash == std::string_view::npos ? "" : std::string(name.substr(slash + 1));
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    for (const auto& root : kRegistryRoots) {
        if (EqualsIgnoreCase(rootName, root.predefinedKey))
            return std::pair{root.root, path};
    }
    for (const auto& [shortName, root] : kShort) {
        if (EqualsIgnoreCase(rootName, shortName))
            return std::pair{root, path};
    }
    return Fail("\"" + std::string(rootName) +
                "\" is not a registry root such as HKEY_CURRENT_USER");
}

Result<std::string> ExportRegistry(RegistryStore& store, RegistryRoot root, std::string_view path) {
    std::string out = std::string(kHeader) + "\n\n";
    if (auto status = ExportKey(store, root, std::string(path), out); !status)
        return status.error();
    return out;
}

Result<std::string> ExportAllRoots(RegistryStore& store) {
    std::string out = std::string(kHeader) + "\n\n";
    for (const RegistryRootName& known : kRegistryRoots) {
        const RegistryRoot root = known.root;
        auto content = HasContent(store, root);
        if (!content)
            return content.error();
        if (!content.value())
            continue;
        if (auto status = ExportKey(store, root, "", out); !status)
            return status.error();
    }
    return out;
}

Result<std::vector<RegFileKey>> ParseRegFile(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<RegFileKey> keys;
    bool headerSeen = false;
    for (const LogicalLine& line : LogicalLines(text)) {
        std::string_view s = line.text;
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        if (s.empty() || s.front() == ';')
            continue;
        if (!headerSeen) {
            if (s != kHeader)
                return AtLine(line.number, "a registry file begins with REGEDIT4");
            headerSeen = true;
            continue;
        }
        if (s.front() == '[') {
            if (s.back() != ']')
                return AtLine(line.number, "a key name must end with ]");
            std::string_view name = s.substr(1, s.size() - 2);
            RegFileKey key;
            if (name.starts_with('-')) {
                key.remove = true;
                name.remove_prefix(1);
            }
            auto parsed = ParseRegKeyName(name);
            if (!parsed)
                return AtLine(line.number, parsed.error().message);
            key.root = parsed->first;
            key.path = parsed->second;
            if (key.path.find("\\\\") != std::string::npos)
                return AtLine(line.number, "a key name has an empty part");
            keys.push_back(std::move(key));
            continue;
        }
        if (keys.empty())
            return AtLine(line.number, "a value must follow a [key] line");
        if (keys.back().remove)
            return AtLine(line.number, "a deleted key cannot take values");
        RegFileValue value;
        std::size_t pos = 0;
        if (s.front() == '@') {
            pos = 1;
        } else if (!ReadQuoted(s, pos, value.name)) {
            return AtLine(line.number, "a value name must be quoted or @");
        }
        if (pos >= s.size() || s[pos] != '=')
            return AtLine(line.number, "a value name must be followed by =");
        const std::string_view data = s.substr(pos + 1);
        if (data == "-") {
            value.remove = true;
        } else {
            auto parsed = ParseData(data);
            if (!parsed)
                return AtLine(line.number, parsed.error().message);
            value.value = std::move(parsed.value());
        }
        keys.back().values.push_back(std::move(value));
    }
    if (!headerSeen)
        return Fail("The file is empty; a registry file begins with REGEDIT4.", win::kInvalidData);
    return keys;
}

Status ApplyRegFile(RegistryStore& store, const std::vector<RegFileKey>& keys) {
    std::map<RegistryRoot, std::unique_ptr<RegistryStore::Transaction>> transactions;
    for (const RegFileKey& key : keys) {
        const std::string name = KeyName(key.root, key.path);
        if (!transactions.contains(key.root)) {
            transactions[key.root] = store.BeginTransaction(key.root);
            if (const std::uint32_t error = transactions[key.root]->error(); error != 0)
                return Fail("Cannot change " + name, error);
        }
        if (key.remove) {
            const std::uint32_t error = store.DeleteKey(key.root, key.path);
            if (error != 0 && error != win::kFileNotFound)
                return Fail("Cannot delete " + name, error);
            continue;
        }
        auto handle = store.OpenKey(key.root, key.path, true);
        if (handle.error != 0)
            return Fail("Cannot create " + name, handle.error);
        for (const RegFileValue& value : key.values) {
            const std::uint32_t error = value.remove
                                            ? store.DeleteValue(handle.value, value.name)
                                            : store.SetValue(handle.value, value.name, value.value);
            if (error != 0 && !(value.remove && error == win::kFileNotFound)) {
                return Fail("Cannot write \"" + value.name + "\" in " + name, error);
            }
        }
    }
    for (auto& [root, tx] : transactions) {
        if (const std::uint32_t error = tx->Commit(); error != 0)
            return Fail("Cannot save the imported values", error);
    }
    return Success();
}

}  // namespace linkvane
