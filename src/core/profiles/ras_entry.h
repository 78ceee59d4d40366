#pragma once

// The Remote Access entry record (RASENTRYA) in its 1768-byte Windows 95/NT 4 ANSI form, as
// profile files carry it. Little-endian numbers; strings are Windows-1252 text zero-terminated
// inside a fixed field (a string holds at most its field size minus one bytes).
//
// Offset  Size  Member
//      0     4  dwSize
//      4     4  dwfOptions
//      8     4  dwCountryID
//     12     4  dwCountryCode
//     16    11  szAreaCode
//     27   129  szLocalPhoneNumber
//    156     4  dwAlternateOffset
//    160     4  ipaddr          (RASIPADDR: the four bytes a.b.c.d in that order)
//    164     4  ipaddrDns
//    168     4  ipaddrDnsAlt
//    172     4  ipaddrWins
//    176     4  ipaddrWinsAlt
//    180     4  dwFrameSize
//    184     4  dwfNetProtocols
//    188     4  dwFramingProtocol
//    192   260  szScript
//    452   260  szAutodialDll
//    712   260  szAutodialFunc
//    972    17  szDeviceType
//    989   129  szDeviceName
//   1118    33  szX25PadType
//   1151   201  szX25Address
//   1352   201  szX25Facilities
//   1553   201  szX25UserData
//   1754     2  (padding to align the numbers that follow)
//   1756     4  dwChannels
//   1760     4  dwReserved1
//   1764     4  dwReserved2
//
// In memory the strings are UTF-8. Decoding takes each string up to its first zero byte, or
// the whole field when it has none, and ignores what follows the zero and the padding.
// Encoding refuses a string that does not fit its field with a terminating zero, that holds a
// zero character, or that has characters outside the code page; the error names the member.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/util/result.h"

namespace linkvane {

inline constexpr std::size_t kRasEntrySize = 1768;
// The device type of a modem, as the Remote Access service names it.
inline constexpr std::string_view kRasDeviceTypeModem = "modem";
// RAS_MaxDeviceName: the longest device name the record holds, in bytes.
inline constexpr std::size_t kRasMaxDeviceName = 128;
inline constexpr std::size_t kRasMaxAreaCode = 10;
inline constexpr std::size_t kRasMaxPhoneNumber = 128;

using IpAddressBytes = std::array<std::uint8_t, 4>;
using RasEntryBytes = std::array<std::uint8_t, kRasEntrySize>;

struct RasEntry {
    std::uint32_t size = kRasEntrySize;  // dwSize: as reported by the service that read it
    std::uint32_t options = 0;           // dwfOptions (RASEO_* bits)
    std::uint32_t countryId = 0;         // dwCountryID
    std::uint32_t countryCode = 0;       // dwCountryCode
    std::string areaCode;                // szAreaCode
    std::string localPhoneNumber;        // szLocalPhoneNumber
    std::uint32_t alternateOffset = 0;   // dwAlternateOffset
    IpAddressBytes ipAddress{};          // ipaddr
    IpAddressBytes ipAddressDns{};       // ipaddrDns
    IpAddressBytes ipAddressDnsAlt{};    // ipaddrDnsAlt
    IpAddressBytes ipAddressWins{};      // ipaddrWins
    IpAddressBytes ipAddressWinsAlt{};   // ipaddrWinsAlt
    std::uint32_t frameSize = 0;         // dwFrameSize
    std::uint32_t netProtocols = 0;      // dwfNetProtocols (RASNP_* bits)
    std::uint32_t framingProtocol = 0;   // dwFramingProtocol (RASFP_*)
    std::string script;                  // szScript
    std::string autodialDll;             // szAutodialDll
    std::string autodialFunc;            // szAutodialFunc
    std::string deviceType;              // szDeviceType, "modem" for modems
    // szDeviceName: on Linux the modem's device path (/dev/ttyUSB0) or a path the user added.
    std::string deviceName;
    std::string x25PadType;       // szX25PadType
    std::string x25Address;       // szX25Address
    std::string x25Facilities;    // szX25Facilities
    std::string x25UserData;      // szX25UserData
    std::uint32_t channels = 0;   // dwChannels
    std::uint32_t reserved1 = 0;  // dwReserved1
    std::uint32_t reserved2 = 0;  // dwReserved2

    bool operator==(const RasEntry&) const = default;
};

// The members by kind, with their places in the record. The codec and the phonebook file walk
// these tables, so a member is named and placed once.
struct RasNumberField {
    std::string_view name;
    std::size_t offset;
    std::uint32_t RasEntry::*member;
};
struct RasTextField {
    std::string_view name;
    std::size_t offset;
    std::size_t size;  // bytes of the field, terminating zero included
    std::string RasEntry::*member;
};
struct RasAddressField {
    std::string_view name;
    std::size_t offset;
    IpAddressBytes RasEntry::*member;
};

inline constexpr std::array<RasNumberField, 11> kRasNumberFields{{
    {"size", 0, &RasEntry::size},
    {"options", 4, &RasEntry::options},
    {"countryId", 8, &RasEntry::countryId},
    {"countryCode", 12, &RasEntry::countryCode},
    {"alternateOffset", 156, &RasEntry::alternateOffset},
    {"frameSize", 180, &RasEntry::frameSize},
    {"netProtocols", 184, &RasEntry::netProtocols},
    {"framingProtocol", 188, &RasEntry::framingProtocol},
    {"channels", 1756, &RasEntry::channels},
    {"reserved1", 1760, &RasEntry::reserved1},
    {"reserved2", 1764, &RasEntry::reserved2},
}};

inline constexpr std::array<RasTextField, 11> kRasTextFields{{
    {"areaCode", 16, kRasMaxAreaCode + 1, &RasEntry::areaCode},
    {"localPhoneNumber", 27, kRasMaxPhoneNumber + 1, &RasEntry::localPhoneNumber},
    {"script", 192, 260, &RasEntry::script},
    {"autodialDll", 452, 260, &RasEntry::autodialDll},
    {"autodialFunc", 712, 260, &RasEntry::autodialFunc},
    {"deviceType", 972, 17, &RasEntry::deviceType},
    {"deviceName", 989, kRasMaxDeviceName + 1, &RasEntry::deviceName},
    {"x25PadType", 1118, 33, &RasEntry::x25PadType},
    {"x25Address", 1151, 201, &RasEntry::x25Address},
    {"x25Facilities", 1352, 201, &RasEntry::x25Facilities},
    {"x25UserData", 1553, 201, &RasEntry::x25UserData},
}};

inline constexpr std::array<RasAddressField, 5> kRasAddressFields{{
    {"ipAddress", 160, &RasEntry::ipAddress},
    {"ipAddressDns", 164, &RasEntry::ipAddressDns},
    {"ipAddressDnsAlt", 168, &RasEntry::ipAddressDnsAlt},
    {"ipAddressWins", 172, &RasEntry::ipAddressWins},
    {"ipAddressWinsAlt", 176, &RasEntry::ipAddressWinsAlt},
}};

// Fails (code 87, invalid parameter) when a string cannot be stored in its field.
Result<RasEntryBytes> EncodeRasEntry(const RasEntry& entry);
// Fails (code 13, invalid data) unless the input is exactly kRasEntrySize bytes.
Result<RasEntry> DecodeRasEntry(std::span<const std::uint8_t> bytes);

}  // namespace linkvane
