#include "core/profiles/password_cipher.h"

#include <gtest/gtest.h>

#include <string>

#include "core/profiles/profile_record.h"

namespace linkvane {
namespace {

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (unsigned v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

std::string Cipher(std::string_view text) {
    auto result = PasswordCipher(text, kPasswordKey);
    EXPECT_TRUE(result.ok()) << result.error().message;
    return result.ok() ? *result : std::string();
}

// Expected values were worked out independently of this code, with the Python model in
// password_cipher_model.py (run it to print them).
// For "581730264" the key number is 16547840 and the counter starts at 87. At length 39 the
// counter runs negative from position 2 on, and positions 9, 19 and 29 meet the key's zero. At
// length 5, position 2 is combined with 0x7a: a 'z' there would encipher to zero, so it is
// stored as it stands ("abzde").
TEST(PasswordCipher, MatchesIndependentlyComputedVectors) {
    struct Case {
        std::string clear;
        std::string stored;
    };
    const Case cases[] = {
        {"A", Bytes({0x22})},
        {"secret", Bytes({0x17, 0x11, 0x1a, 0x72, 0x15, 0x06})},
        {"abzde", Bytes({0x06, 0x14, 0x7a, 0x1a, 0x1e})},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefg",
         Bytes({0x44, 0x70, 0x97, 0xb2, 0xe8, 0x0a, 0x2e, 0x45, 0x61, 0xb6, 0xa1, 0xb7, 0xd4,
                0xf7, 0x09, 0x3d, 0x25, 0x54, 0x7c, 0x53, 0x92, 0x8e, 0xa9, 0xd0, 0xda, 0xc8,
                0xfc, 0xe3, 0x17, 0x2a, 0x01, 0x3b, 0x0c, 0x03, 0x01, 0x19, 0x1d, 0x18, 0x14})},
        {Bytes({0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x8b}),
         Bytes({0xfe, 0xf9, 0x85, 0x99, 0x92, 0xab, 0xac, 0xa2, 0xb3, 0x85, 0xb5, 0xba})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cipher(c.clear), c.stored) << c.clear;
        EXPECT_EQ(Cipher(c.stored), c.clear) << c.clear;
    }
}

TEST(PasswordCipher, RoundTripsEveryLengthWithoutZeroBytes) {
    for (std::size_t length = 1; length <= kMaxPasswordLength; ++length) {
        // Three byte patterns per length: low ASCII, high bytes, and a spread over 1..255.
        for (unsigned pattern = 0; pattern < 3; ++pattern) {
            std::string clear;
            for (std::size_t i = 0; i < length; ++i) {
                const unsigned base = pattern == 0 ? 0x21 : pattern == 1 ? 0x80 : 1;
                const unsigned span = pattern == 0 ? 94 : pattern == 1 ? 128 : 255;
                clear.push_back(static_cast<char>(base + (i * 37 + length * 11) % span));
            }
            const std::string stored = Cipher(clear);
            EXPECT_EQ(stored.size(), clear.size()) << "length " << length;
            EXPECT_EQ(stored.find('\0'), std::string::npos) << "length " << length;
            EXPECT_EQ(Cipher(stored), clear) << "length " << length << " pattern " << pattern;
        }
    }
}

TEST(PasswordCipher, ShortKeyOrEmptyTextGivesEmptyString) {
    struct Case {
        std::string text;
        std::string key;
    };
    const Case cases[] = {
        {"", kPasswordKey},
        {"secret", ""},
        {"secret", "58"},
        {"secret", std::string("58\0"
                               "1730264",
                               10)},  // the key ends at its zero
    };
    for (const auto& c : cases) {
        auto result = PasswordCipher(c.text, c.key);
        ASSERT_TRUE(result.ok()) << result.error().message;
        EXPECT_EQ(*result, "");
    }
}

TEST(PasswordCipher, RefusesTextsThatCannotBeStored) {
    const std::string tooLong(kMaxPasswordLength + 1, 'x');
    auto result = PasswordCipher(tooLong, kPasswordKey);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("39"), std::string::npos) << result.error().message;

    // A zero inside the text would cut the stored string short.
    EXPECT_FALSE(PasswordCipher(std::string("ab\0cd", 5), kPasswordKey).ok());
    // A key whose number is not positive would never finish doubling.
    EXPECT_FALSE(PasswordCipher("secret", "\x80\x80\x80").ok());
}

TEST(PasswordCipher, StoredPasswordsReadBackInEitherEncodingOfTheirText) {
    // Stored now: the Windows-1252 bytes enciphered. Stored by earlier versions: the UTF-8
    // bytes enciphered. Both read back as the password that was typed; a profile file's form
    // is always 1252, so there the UTF-8 bytes stay the characters they are in 1252.
    const std::string typed = "p\xC3\xA4sswort\xE2\x82\xAC";  // "pässwort€"
    const auto stored = EncipherPassword(typed);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->size(), 9u);  // one byte a character
    const auto earlier = PasswordCipher(typed, kPasswordKey);
    ASSERT_TRUE(earlier.ok());
    for (const std::string& form : {*stored, *earlier}) {
        const auto clear = DecipherStoredPassword(form);
        ASSERT_TRUE(clear.ok());
        EXPECT_EQ(*clear, typed);
    }
    EXPECT_EQ(DecipherPassword(*earlier).value(),
              "p\xC3\x83\xC2\xA4sswort\xC3\xA2\xE2\x80\x9A\xC2\xAC");
}

}  // namespace
}  // namespace linkvane
