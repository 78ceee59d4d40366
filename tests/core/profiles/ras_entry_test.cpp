#include "core/profiles/ras_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/golden.h"

namespace linkvane {
namespace {

// Every member at the edge of its range: numbers that need all four bytes, each string filling
// its field up to the terminating zero and ending in characters that 1252 stores above 0x7F.
RasEntry FullEntry() {
    RasEntry entry;
    std::uint32_t number = 0xFFFFFFF0u;
    for (const RasNumberField& field : kRasNumberFields)
        entry.*field.member = number++;
    for (const RasTextField& field : kRasTextFields) {
        std::string text(field.size - 3, static_cast<char>('a' + field.offset % 26));
        text += "\xC3\xA9\xE2\x82\xAC";  // "é€": two bytes of the code page
        entry.*field.member = text;
    }
    std::uint8_t byte = 250;
    for (const RasAddressField& field : kRasAddressFields) {
        entry.*field.member = {byte, 0, 1, static_cast<std::uint8_t>(255 - byte)};
        ++byte;
    }
    return entry;
}

TEST(RasEntry, FullEntryRoundTripsAndEncodesToTheGoldenRecordAndTheDefaultToSizeAndZeros) {
    const RasEntry entry = FullEntry();
    Result<RasEntryBytes> bytes = EncodeRasEntry(entry);
    ASSERT_TRUE(bytes) << bytes.error().message;
    Result<RasEntry> decoded = DecodeRasEntry(*bytes);
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(*decoded, entry);

    // Every byte: numbers little-endian, addresses in order, text in the code page, zeros after.
    testing::ExpectGolden("core/profiles/golden/full_entry.bin",
                          std::string(bytes->begin(), bytes->end()));

    bytes = EncodeRasEntry(RasEntry{});
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[0], 0xE8);  // 1768 = 0x06E8
    EXPECT_EQ((*bytes)[1], 0x06);
    EXPECT_TRUE(
        std::all_of(bytes->begin() + 4, bytes->end(), [](std::uint8_t v) { return v == 0; }));
}

// golden/ras_refusals.txt: a text member's name, "=" and a value; why the entry cannot be
// encoded, naming the member, and the error's code.
TEST(RasEntry, EncodeRefusesTextThatDoesNotFitNamingTheMember) {
    testing::ExpectGoldenAnswers("core/profiles/golden/ras_refusals.txt", [](auto& question) {
        RasEntry entry;
        for (const RasTextField& field : kRasTextFields) {
            if (question.starts_with(std::string(field.name) + "="))
                entry.*field.member = question.substr(field.name.size() + 1);
        }
        const Result<RasEntryBytes> bytes = EncodeRasEntry(entry);
        return bytes ? std::string("encoded")
                     : bytes.error().message + " (" + std::to_string(bytes.error().code) + ")";
    });
}

TEST(RasEntry, DecodeRefusesAnyOtherSize) {
    const std::vector<std::uint8_t> big(kRasEntrySize + 1, 0);
    for (std::size_t size :
         {std::size_t{0}, std::size_t{4}, kRasEntrySize - 1, kRasEntrySize + 1}) {
        Result<RasEntry> decoded = DecodeRasEntry(std::span(big.data(), size));
        ASSERT_FALSE(decoded) << size;
        EXPECT_EQ(decoded.error().code, 13u);
        EXPECT_NE(decoded.error().message.find(std::to_string(size)), std::string::npos);
    }
}

TEST(RasEntry, DecodeBoundsStringsByTheirFieldAndIgnoresWhatFollowsTheZero) {
    RasEntryBytes bytes = *EncodeRasEntry(FullEntry());
    // szAreaCode without its zero runs to the end of its field, not into szLocalPhoneNumber.
    std::fill(bytes.begin() + 16, bytes.begin() + 27, std::uint8_t{'7'});
    // Garbage after the zero of szScript and in the padding is not part of anything.
    bytes[192] = 'x';
    bytes[193] = 0;
    std::fill(bytes.begin() + 194, bytes.begin() + 452, std::uint8_t{0xAA});
    bytes[1754] = 0x55;
    bytes[1755] = 0x66;
    // The bytes 1252 leaves undefined come back as the C1 controls of the same number.
    bytes[972] = 0x81;
    bytes[973] = 0;

    Result<RasEntry> decoded = DecodeRasEntry(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->areaCode, std::string(11, '7'));
    EXPECT_EQ(decoded->localPhoneNumber, FullEntry().localPhoneNumber);
    EXPECT_EQ(decoded->script, "x");
    EXPECT_EQ(decoded->deviceType, "\xC2\x81");

    // A string that fills its field cannot be written back: it would lose its terminator.
    Result<RasEntryBytes> again = EncodeRasEntry(*decoded);
    ASSERT_FALSE(again);
    EXPECT_NE(again.error().message.find("areaCode"), std::string::npos);
    decoded->areaCode.pop_back();
    again = EncodeRasEntry(*decoded);
    ASSERT_TRUE(again);
    EXPECT_EQ(*DecodeRasEntry(*again), *decoded);
}

}  // namespace
}  // namespace linkvane
