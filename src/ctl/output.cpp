#include "ctl/output.h"

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
