#include "core/util/cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace linkvane {
namespace {

TEST(Cp1252, EveryByteRoundTripsAndTheWindowsWesternCharactersMap) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        auto back = Utf8ToCp1252(Cp1252ToUtf8(one));
        ASSERT_TRUE(back.ok()) << "byte " << byte << ": " << back.error().message;
        EXPECT_EQ(*back, one) << "byte " << byte;
    }
    struct Case {
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"\x80", "\u20ac"},  // euro sign
        {"\x8a\x9a", "\u0160\u0161"},
        {"\x93quoted\x94", "\u201cquoted\u201d"},
        {"\x99", "\u2122"},
        {"\x9f", "\u0178"},
        {"\xe9t\xe9", "\u00e9t\u00e9"},
        {"\xa0\xff", "\u00a0\u00ff"},
        // The five bytes that 1252 leaves undefined stand for the C1 controls of their number.
        {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToUtf8(c.bytes), c.utf8);
        auto back = Utf8ToCp1252(c.utf8);
        ASSERT_TRUE(back.ok()) << back.error().message;
        EXPECT_EQ(*back, c.bytes);
    }
}

TEST(Cp1252, RefusesInvalidUtf8AndCharactersOutsideTheCodePage) {
    struct Case {
        std::string utf8;
        std::string messagePart;
    };
    const Case cases[] = {
        {"ab\xff", "not valid UTF-8"},            // a byte that never starts a character
        {"\x80", "not valid UTF-8"},              // a stray continuation byte
        {"caf\xc3", "not valid UTF-8"},           // cut off inside a character
        {"\xc3(", "not valid UTF-8"},             // lead byte without its continuation
        {"\xc0\xaf", "not valid UTF-8"},          // overlong form of '/'
        {"\xe0\x80\xaf", "not valid UTF-8"},      // overlong in three bytes
        {"\xed\xa0\x80", "not valid UTF-8"},      // a surrogate
        {"\xf4\x90\x80\x80", "not valid UTF-8"},  // beyond U+10FFFF
        {"\u4e2d", "U+4E2D"},                     // CJK
        {"\u0100", "U+0100"},                     // Latin Extended-A
        {"\xc2\x80", "U+0080"},                   // a C1 control that 1252 gives a glyph
        {"\U0001F600", "U+1F600"},                // beyond the Basic Multilingual Plane
    };
    for (const auto& c : cases) {
        auto result = Utf8ToCp1252(c.utf8);
        ASSERT_FALSE(result.ok()) << c.messagePart;
        EXPECT_NE(result.error().message.find(c.messagePart), std::string::npos)
            << result.error().message;
    }
}

}  // namespace
}  // namespace linkvane
