#pragma once

// The self-inverse byte cipher under which both profile passwords are stored, in the registry
// and in profile files. Applied with the same key to its own output it gives back its input.
// The output has the length of the input and never contains a zero byte.

#include <string>
#include <string_view>

#include "core/util/result.h"

namespace linkvane {

// Fails for a text longer than kMaxPasswordLength (39) bytes: the stored form has a fixed
// 40-byte area, and a password is never cut silently. An empty text, or a key of fewer than 3
// bytes, gives "".
Result<std::string> PasswordCipher(std::string_view text, std::string_view key);

// The stored form of a clear-text password (UTF-8), in the registry and in profile files
// alike: its Windows-1252 bytes enciphered with kPasswordKey, one byte per character. Fails for
// more than kMaxPasswordLength characters, a zero character, or a character that 1252 cannot
// carry, saying which.
Result<std::string> EncipherPassword(std::string_view clearText);
// The clear text (UTF-8) of a stored form; fails for one longer than kMaxPasswordLength bytes.
Result<std::string> DecipherPassword(std::string_view stored);
// DecipherPassword for a password read from the settings store, which earlier versions wrote
// as the UTF-8 bytes enciphered: such a form is taken as UTF-8. Profile files never held it.
Result<std::string> DecipherStoredPassword(std::string_view stored);

}  // namespace linkvane
