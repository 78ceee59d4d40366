#include "core/profiles/profile_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/profiles/password_cipher.h"
#include "support/golden.h"
#include "support/samples.h"

namespace linkvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// UTF-8 text of n characters cycling through ASCII and 1252 characters beyond it, each of which
// takes one byte in the file.
std::string Fill(std::size_t n, std::size_t seed) {
    static const char* const kPieces[] = {"a", "\u00e9", "\u20ac", "Z", "\u0160", "7", "\u00ff"};
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += kPieces[(i + seed) % std::size(kPieces)];
    return out;
}

// Every string at the longest length its field carries, every number at its largest.
ProfileFile FullFile() {
    ProfileFile file;
    for (std::size_t i = 0; i < file.phonebookPart.size(); ++i) {
        file.phonebookPart[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    std::size_t seed = 0;
    for (const auto& field : ProfileFileLayout()) {
        if (field.kind == ProfileFileField::Kind::kNumber) {
            file.*field.number = 0xFFFFFFFFu - static_cast<std::uint32_t>(seed++ % 2);
        } else {
            file.*field.text = Fill(field.size - 1, seed++);
        }
    }
    // A password holds 39 bytes of UTF-8: here 36 characters, two of them beyond ASCII.
    file.password = std::string(34, 'q') + "\u00e9\u20ac";
    file.ePassword = "\u20ac\u00e9" + std::string(34, 'Q');
    return file;
}

Bytes Encode(const ProfileFile& file) {
    auto bytes = EncodeProfileFile(file);
    EXPECT_TRUE(bytes.ok()) << bytes.error().message;
    return bytes.ok() ? *bytes : Bytes();
}

ProfileFile Decode(const Bytes& bytes) {
    auto file = DecodeProfileFile(bytes);
    EXPECT_TRUE(file.ok()) << file.error().message;
    return file.ok() ? *file : ProfileFile();
}

TEST(ProfileFile, RoundTripsEveryFieldAtItsLongestAndLargestAndEmpty) {
    const ProfileFile full = FullFile();
    const Bytes bytes = Encode(full);
    ASSERT_EQ(bytes.size(), 7136u);
    EXPECT_EQ(Decode(bytes), full);
    // Empty strings, zero numbers, zeros after.
    EXPECT_EQ(Encode(ProfileFile{}), Bytes(7136, 0));
    EXPECT_EQ(Decode(Bytes(7136, 0)), ProfileFile{});
}

// golden/file_refusals.txt: a field's registry name ("" the profile name), "=" and its value
// ("*N" after the name: N letters), and why a file cannot carry it.
TEST(ProfileFile, RefusesValuesTheFileCannotCarryNamingTheField) {
    testing::ExpectGoldenAnswers("core/profiles/golden/file_refusals.txt", [](auto& question) {
        const std::size_t equals = question.find('=');
        std::string value = question.substr(equals + 1);
        if (equals + 1 < question.size() && question[equals + 1] == '*')
            value = std::string(std::stoul(value.substr(1)), 'x');
        ProfileFile file;
        for (const ProfileFileField& field : ProfileFileLayout()) {
            if (field.text != nullptr && field.valueName == question.substr(0, equals))
                file.*field.text = value;
        }
        const auto bytes = EncodeProfileFile(file);
        return bytes ? std::string("carried") : bytes.error().message;
    });
}

TEST(ProfileFile, RefusesInputThatIsNotExactlyOneRecord) {
    for (std::size_t size : {0u, 1u, 7135u, 7137u, 14272u}) {
        auto file = DecodeProfileFile(Bytes(size, 0));
        ASSERT_FALSE(file.ok()) << size;
        EXPECT_EQ(file.error().message, "This file is not a profile file: it has " +
                                            std::to_string(size) +
                                            " bytes, a profile file has 7136.");
    }
}

TEST(ProfileFile, BoundsStringsByTheirFieldAndIgnoresBytesAfterTheZero) {
    Bytes bytes(7136, 0);
    std::memset(bytes.data() + 2388, 'L', 20);          // "Url1Label" fills its field: no zero
    std::memcpy(bytes.data() + 2408, "next\0junk", 9);  // "Url1Loc", then bytes that do not count
    std::memset(bytes.data() + 1768, '\xe9', 100);      // profile name, no zero either
    std::memset(bytes.data() + 5000, 'o', 1000);        // "ProxyOverride" runs into "NNTPHost"
    std::memcpy(bytes.data() + 6000, "news", 4);
    const ProfileFile file = Decode(bytes);
    EXPECT_EQ(file.url1Label, std::string(20, 'L'));
    EXPECT_EQ(file.url1Loc, "next");
    EXPECT_EQ(file.name.size(), 200u);  // 100 times U+00E9 in UTF-8
    EXPECT_EQ(file.proxyOverride, std::string(1000, 'o'));
    EXPECT_EQ(file.nntpHost, "news");

    // Such a value cannot go back into a file without its zero: export says so.
    auto again = EncodeProfileFile(file);
    ASSERT_FALSE(again.ok());
    EXPECT_NE(again.error().message.find("longer than"), std::string::npos);
}

// A record whose two password fields hold `clear1252` as the cipher stores it.
Bytes WithStoredPasswords(const std::string& clear1252) {
    auto stored = PasswordCipher(clear1252, kPasswordKey);
    EXPECT_TRUE(stored.ok());
    Bytes raw(7136, 0);
    std::copy(stored->begin(), stored->end(), raw.begin() + 6460);
    std::copy(stored->begin(), stored->end(), raw.begin() + 7064);
    return raw;
}

// golden/file_passwords.txt: a clear password in 1252 as another writer enciphered it into both
// password fields (ASCII of several lengths; "abzde", whose 'z' the cipher stores as it is;
// 1252 letters; 39 letters 'é', 39 bytes in 1252 though 78 in UTF-8: a password counts
// characters); what it reads as, and whether the record comes back byte-exact.
TEST(ProfileFile, PasswordsFromAFileComeBackByteExactAndTooLongOnesAreRefused) {
    testing::ExpectGoldenAnswers("core/profiles/golden/file_passwords.txt", [](auto& clear1252) {
        const Bytes raw = WithStoredPasswords(clear1252);
        const ProfileFile file = Decode(raw);
        return file.password + (file.ePassword == file.password ? "" : ", the other differs") +
               (Encode(file) == raw ? "" : ", not byte-exact");
    });

    // A stored password of 40 bytes cannot come from the cipher.
    Bytes raw(7136, 0);
    std::memset(raw.data() + 6460, 'x', 40);
    auto file = DecodeProfileFile(raw);
    ASSERT_FALSE(file.ok());
    EXPECT_EQ(file.error().message,
              "The value of \"Password\" in this file cannot be read: A password can hold at most "
              "39 characters; this one has 40.");
}

// What the file carries of a profile and of the program-wide settings, byte for byte as the
// golden record (each field at its offset, text in code page 1252, numbers little-endian,
// passwords enciphered); the importing machine keeps its own launch and start-up choices.
TEST(ProfileFile, CarriesTheProfileAndTheProgramWideValuesAsTheGoldenRecord) {
    ProfileRecord record = testing::DialUpProfile();
    record.realname = "Jos\u00e9 \u20ac";
    record.useLan = 0x01020304;
    record.tweak = 77;
    record.popMinutes = 0xA1B2C3D4;
    GlobalSettings globals;
    globals.launchEmail = globals.launchBrowser = globals.startup = 1;
    globals.startMinimised = -2;
    globals.enableRedial = 1;
    globals.redialTimeout = 90;
    globals.redialAttempts = 3;
    globals.url1Label = "News";
    globals.browserPath = "/usr/bin/browser";
    std::array<std::uint8_t, kProfileFilePhonebookSize> phonebook{};
    phonebook.fill(0xAB);
    const Bytes bytes = Encode(MakeProfileFile(record, globals, phonebook));
    testing::ExpectGolden("core/profiles/golden/sample.idf",
                          std::string(bytes.begin(), bytes.end()));

    const ProfileFile file = Decode(bytes);
    ProfileRecord keep;
    keep.tweak = 5;
    keep.login = "replaced";
    ProfileRecord expected = record;
    expected.tweak = 5;  // not in the file, and neither is the mail check's security: plain
    expected.pop3Security = expected.pop3Pin = "";
    EXPECT_EQ(ProfileRecordFromFile(file, keep), expected);

    GlobalSettings here;
    ApplyFileToGlobals(file, here);
    GlobalSettings expectedGlobals = globals;
    expectedGlobals.launchEmail = expectedGlobals.launchBrowser = 0;
    expectedGlobals.startup = expectedGlobals.startMinimised = 0;
    EXPECT_EQ(here, expectedGlobals);
}

}  // namespace
}  // namespace linkvane
