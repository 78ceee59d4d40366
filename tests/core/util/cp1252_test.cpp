#include "core/util/cp1252.h"

#include <gtest/gtest.h>

#include <string>

#include "support/golden.h"

namespace linkvane {
namespace {

TEST(Cp1252, EveryByteRoundTrips) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        auto back = Utf8ToCp1252(Cp1252ToUtf8(one));
        ASSERT_TRUE(back.ok()) << "byte " << byte << ": " << back.error().message;
        EXPECT_EQ(*back, one) << "byte " << byte;
    }
}

// golden/cp1252.txt: texts in UTF-8 and the Windows-1252 bytes each is stored as, or why it
// cannot be. The five bytes that 1252 leaves undefined stand for the C1 controls of their
// number; the other C1 controls have no byte.
TEST(Cp1252, MapsTheWindowsWesternCharactersAndRefusesTheRest) {
    testing::ExpectGoldenAnswers("core/util/golden/cp1252.txt", [](const std::string& text) {
        const Result<std::string> bytes = Utf8ToCp1252(text);
        if (!bytes)
            return "refused: " + bytes.error().message;
        return *bytes + (Cp1252ToUtf8(*bytes) == text ? "" : " (reads back otherwise)");
    });
}

}  // namespace
}  // namespace linkvane
