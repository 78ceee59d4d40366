#pragma once

// Conversion between the program's UTF-8 text and the Windows Western code page (1252), which
// is the 8-bit text of profile files and of the phonebook part they carry.

#include <string>
#include <string_view>

#include "core/util/result.h"

namespace linkvane {

// Every byte maps to one character (the five bytes that 1252 leaves undefined map to the C1
// controls of the same number, as Windows does), so this cannot fail.
std::string Cp1252ToUtf8(std::string_view bytes);
// Fails for invalid UTF-8 and for characters that 1252 cannot carry.
Result<std::string> Utf8ToCp1252(std::string_view text);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace linkvane
