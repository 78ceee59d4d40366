#include "core/profiles/password_cipher.h"

#include <algorithm>
#include <cstdint>

#include "core/profiles/profile_record.h"
#include "core/util/cp1252.h"

namespace linkvane {

namespace {

// The key number: 1 plus, for every key byte, its signed value and its position, then doubled
// until it reaches ten million. The sum wraps like the 32-bit integer it has always been.
std::int32_t KeyNumber(std::string_view key) {
    std::uint32_t sum = 1;
    for (std::size_t k = 0; k < key.size(); ++k) {
        const auto signedByte = static_cast<std::int8_t>(key[k]);
        sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(signedByte)) +
               static_cast<std::uint32_t>(k);
    }
    auto h = static_cast<std::int32_t>(sum);
    // A key of digits always gives a positive number; a key that does not would never reach
    // ten million by doubling, so the caller refuses it.
    if (h <= 0)
        return h;
    while (h < 10'000'000)
        h *= 2;
    return h;
}

}  // namespace

Result<std::string> PasswordCipher(std::string_view text, std::string_view key) {
    if (text.size() > kMaxPasswordLength) {
        return Fail("A password can hold at most " + std::to_string(kMaxPasswordLength) +
                    " characters; this one has " + std::to_string(text.size()) + ".");
    }
    if (text.find('\0') != std::string_view::npos) {
        return Fail("A password cannot contain a zero byte.");
    }
    // The key is a zero-terminated string: it ends at its first zero byte.
    key = key.substr(0, key.find('\0'));
    if (key.size() < 3 || text.empty())
        return std::string();

    const std::int32_t h = KeyNumber(key);
    if (h <= 0)
        return Fail("The cipher key is not usable: its key number is not positive.");

    // Truncating division and remainder, as C++ defines them; c may turn negative on the way and
    // only its low eight bits meet the text.
    const auto n = static_cast<std::int32_t>(text.size());
    std::int32_t c = (h / 997 - 1) % 254 + 1;
    std::size_t j = 0;  // runs through key.size() + 1 positions: the last one is the key's zero
    std::string out(text.size(), '\0');
    for (std::int32_t i = 0; i < n; ++i) {
        c = (c - n + i - 1) % 254 + 1;
        const auto keyByte = j < key.size() ? static_cast<std::uint8_t>(key[j]) : std::uint8_t{0};
        const auto clearByte = static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]);
        const auto mixed =
            static_cast<std::uint8_t>(keyByte ^ static_cast<std::uint8_t>(c & 0xFF) ^ clearByte);
        // A byte that would come out as zero passes unchanged, so the output stays a string.
        out[static_cast<std::size_t>(i)] = static_cast<char>(mixed != 0 ? mixed : clearByte);
        j = j < key.size() ? j + 1 : 0;
    }
    return out;
}

Result<std::string> EncipherPassword(std::string_view clearText) {
    Result<std::string> bytes = Utf8ToCp1252(clearText);
    if (!bytes)
        return Fail("The password cannot be stored: " + bytes.error().message);
    return PasswordCipher(*bytes, kPasswordKey);
}

Result<std::string> DecipherPassword(std::string_view stored) {
    Result<std::string> clear = PasswordCipher(stored, kPasswordKey);
    if (!clear)
        return clear.error();
    return Cp1252ToUtf8(*clear);
}

Result<std::string> DecipherStoredPassword(std::string_view stored) {
    Result<std::string> clear = PasswordCipher(stored, kPasswordKey);
    if (!clear)
        return clear.error();
    // A form that deciphers to well-formed UTF-8 with bytes above 127 was written by an earlier
    // version; a Windows-1252 password practically never looks like that (it would take pairs
    // such as "Ã©"), so it is taken as it stands and those passwords keep working.
    const bool hasHighBytes = std::any_of(clear->begin(), clear->end(), [](char byte) {
        return static_cast<unsigned char>(byte) >= 0x80;
    });
    if (hasHighBytes && IsValidUtf8(*clear))
        return clear;
    return Cp1252ToUtf8(*clear);
}

}  // namespace linkvane
