#pragma once

// Text from outside (a store, a file, a server, a process list) made safe to show on one
// line: control characters, bidirectional controls and bytes that are not UTF-8 are escaped.

#include <cstdint>
#include <string>
#include <string_view>

namespace linkvane {

// The characters that reorder the text around them: U+061C, U+200E, U+200F, U+202A to U+202E
// and U+2066 to U+2069. Shown raw, "\u202Egpj.exe" reads as "exe.jpg".
bool IsBidiControl(std::uint32_t codePoint);

// text with control characters (C0, DEL, C1), bidirectional controls and bytes that are not
// UTF-8 written as escapes (\n, \r, \t, else \xHH for each of their bytes), so that it stays
// one line, cannot steer a terminal and reads in its own order. Every text that comes from a
// store or a file goes through it where people read it: linkvanectl's text output and the
// window's lists.
std::string OneLine(std::string_view text);

}  // namespace linkvane
