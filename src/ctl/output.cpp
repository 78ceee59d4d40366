#include "ctl/output.h"

#include <cstdio>
#include <iostream>

namespace linkvane::ctl {

namespace {

// The number of a 4-byte REG_DWORD (little-endian) or REG_DWORD_BIG_ENDIAN value.
std::optional<std::uint32_t> NumberOf(const RegistryValue& value) {
    const bool little = value.type == RegType::Dword;
    if ((!little && value.type != RegType::DwordBigEndian) || value.data.size() != 4)
        return std::nullopt;
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t byte = value.data[little ? 3 - i : i];
        number = (number << 8) | byte;
    }
    return number;
}

// The length of the printable character that text begins with: a byte from space to '~', or a
// whole UTF-8 sequence of a character from U+00A0 up. 0 for a control character (C0, DEL and the
// C1 controls, which terminals take as escape sequences too) and for a byte that is not UTF-8.
std::size_t PrintableSequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return lead >= 0x20 && lead != 0x7F ? 1 : 0;
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return 0;
    std::uint32_t codePoint = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0xA0, 0x800, 0x10000};
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint >= kSmallest[length] && codePoint <= 0x10FFFF && !surrogate ? length : 0;
}

bool IsString(const RegistryValue& value) {
    return value.type == RegType::Sz || value.type == RegType::ExpandSz;
}

}  // namespace

void PrintJson(const Json& value) {
    std::cout << value.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    std::cout.flush();
}

int ReportFailure(const Error& error) {
    std::cerr << "linkvanectl: " << OneLine(error.Describe()) << '\n';
    return kExitFailure;
}

void Warn(std::string_view text) {
    std::cerr << "linkvanectl: warning: " << OneLine(text) << '\n';
}

std::string OneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const std::size_t length = PrintableSequence(text.substr(i));
        if (length > 0) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            out += escape;
        }
        ++i;
    }
    return out;
}

std::string HexString(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

Json RegistryValueJson(const RegistryValue& value) {
    Json out = Json::object();
    out["type"] = std::string(RegTypeName(value.type));
    if (IsString(value)) {
        out["data"] = StringFromData(value.data);
    } else if (const auto number = NumberOf(value)) {
        out["data"] = *number;
    } else {
        out["data"] = HexString(value.data);
    }
    return out;
}

std::string RegistryDataText(const RegistryValue& value) {
    if (IsString(value))
        return StringFromData(value.data);
    if (const auto number = NumberOf(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%08x (%u)", *number, *number);
        return text;
    }
    return HexString(value.data);
}

}  // namespace linkvane::ctl
