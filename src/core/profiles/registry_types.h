#pragma once

// The registry's vocabulary: the predefined roots, the value types with their Windows
// numbers, and one typed value.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkvane {

enum class RegistryRoot : std::uint8_t {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData,
};

struct RegistryRootName {
    std::string_view name;           // as in a registry path: "\CurrentUser"
    std::string_view predefinedKey;  // as in REGEDIT4 files: "HKEY_CURRENT_USER"
    std::string_view fileStem;       // the store's file for this root
    RegistryRoot root;
};

// In the order in which a path's root part is matched.
inline constexpr std::array<RegistryRootName, 7> kRegistryRoots{{
    {"\\ClassesRoot", "HKEY_CLASSES_ROOT", "classes_root", RegistryRoot::ClassesRoot},
    {"\\CurrentUser", "HKEY_CURRENT_USER", "current_user", RegistryRoot::CurrentUser},
    {"\\LocalMachine", "HKEY_LOCAL_MACHINE", "local_machine", RegistryRoot::LocalMachine},
    {"\\Users", "HKEY_USERS", "users", RegistryRoot::Users},
    {"\\PerformanceData", "HKEY_PERFORMANCE_DATA", "performance_data",
     RegistryRoot::PerformanceData},
    {"\\CurrentConfig", "HKEY_CURRENT_CONFIG", "current_config", RegistryRoot::CurrentConfig},
    {"\\DynData", "HKEY_DYN_DATA", "dyn_data", RegistryRoot::DynData},
}};

const RegistryRootName& RootInfo(RegistryRoot root);

enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,  // REG_DWORD_LITTLE_ENDIAN
    DwordBigEndian = 5,
    MultiSz = 7,
};

// "REG_SZ" and so on; "REG_UNKNOWN" for numbers without a name.
std::string_view RegTypeName(RegType type);
std::optional<RegType> RegTypeFromName(std::string_view name);

struct RegistryValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

struct NamedRegistryValue {
    std::string name;  // "" is the key's default value
    RegistryValue value;
};

// Helpers that build the byte forms the registry stores.
RegistryValue MakeStringValue(std::string_view text, RegType type = RegType::Sz);  // with NUL
RegistryValue MakeDwordValue(std::uint32_t number, RegType type = RegType::Dword);

// The text of string data up to its first NUL (stored strings need not carry one).
std::string StringFromData(const std::vector<std::uint8_t>& data);

}  // namespace linkvane
