#pragma once

// What linkvanectl prints: JSON objects on stdout (nlohmann, invalid UTF-8 replaced rather
// than thrown), one-line errors and warnings on stderr, and the text and JSON forms of
// registry values shared by the commands that show them.
//
// Registry data in JSON: REG_SZ and REG_EXPAND_SZ as the raw string (up to its first zero,
// never expanded); REG_DWORD and REG_DWORD_BIG_ENDIAN as a number, the big-endian one read in
// its own byte order; every other type, and a number whose data is not exactly 4 bytes, as a
// string of lower-case hex digits.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/profiles/registry_types.h"
#include "core/util/one_line.h"
#include "core/util/result.h"

namespace linkvane::ctl {

// Keys keep the order in which they are added, so objects read like the records they show.
using Json = nlohmann::ordered_json;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Prints one JSON value and a line break on stdout.
void PrintJson(const Json& value);

// Prints "linkvanectl: <message> (code N)" on one line on stderr; returns kExitFailure.
int ReportFailure(const Error& error);
// Prints "linkvanectl: warning: <text>" on one line on stderr.
void Warn(std::string_view text);
// Human output shows text from stores and files through OneLine (core/util/one_line.h);
// --json stays exact.

std::string HexString(const std::vector<std::uint8_t>& bytes);

// {"type": "REG_...", "data": ...} as described above.
Json RegistryValueJson(const RegistryValue& value);
// The data for a person to read: strings as they are, numbers as "0x0000003c (60)", other
// data as hex.
std::string RegistryDataText(const RegistryValue& value);

}  // namespace linkvane::ctl
