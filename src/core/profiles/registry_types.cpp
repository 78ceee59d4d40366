#include "core/profiles/registry_types.h"

#include <algorithm>
#include <cstring>

namespace linkvane {

const RegistryRootName& RootInfo(RegistryRoot root) {
    return kRegistryRoots[static_cast<std::size_t>(root)];
}

namespace {
struct TypeName {
    RegType type;
    std::string_view name;
};
constexpr std::array<TypeName, 7> kTypeNames{{
    {RegType::None, "REG_NONE"},
    {RegType::Sz, "REG_SZ"},
    {RegType::ExpandSz, "REG_EXPAND_SZ"},
    {RegType::Binary, "REG_BINARY"},
    {RegType::Dword, "REG_DWORD"},
    {RegType::DwordBigEndian, "REG_DWORD_BIG_ENDIAN"},
    {RegType::MultiSz, "REG_MULTI_SZ"},
}};
}  // namespace

std::string_view RegTypeName(RegType type) {
    for (const auto& t : kTypeNames) {
        if (t.type == type)
            return t.name;
    }
    return "REG_UNKNOWN";
}

std::optional<RegType> RegTypeFromName(std::string_view name) {
    for (const auto& t : kTypeNames) {
        if (t.name == name)
            return t.type;
    }
    return std::nullopt;
}

RegistryValue MakeStringValue(std::string_view text, RegType type) {
    RegistryValue v{type, std::vector<std::uint8_t>(text.size() + 1, 0)};
    if (!text.empty())
        std::memcpy(v.data.data(), text.data(), text.size());
    return v;
}

RegistryValue MakeDwordValue(std::uint32_t number, RegType type) {
    // The four bytes of the number as they stand in memory; no swapping for either type.
    RegistryValue v{type, std::vector<std::uint8_t>(4)};
    std::memcpy(v.data.data(), &number, 4);
    return v;
}

std::string StringFromData(const std::vector<std::uint8_t>& data) {
    auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return std::string(data.begin(), end);
}

}  // namespace linkvane
