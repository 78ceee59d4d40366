#pragma once

// The profile file (".idf"): one profile with its phonebook entry and most program-wide settings
// in one fixed record of 7136 bytes, with no header, magic number or version.
//
//   offset  size  field             offset  size  field
//        0  1768  phonebook entry     5000  1000  "ProxyOverride"
//     1768   100  profile name        6000   260  "NNTPHost"
//     1868   260  "BrowserPath"       6260   100  "Username"
//     2128   260  "EmailPath"         6360   100  "Login"
//     2388    20  "Url1Label"         6460    52  "Password"  (enciphered)
//     2408   260  "Url1Loc"           6512     4  "UseLan"
//     2668    20  "Url2Label"         6516   260  "PingHost"
//     2688   260  "Url2Loc"           6776     4  "PingFreq"
//     2948    20  "App1Label"         6780     4  "SetIE"
//     2968   260  "App1Path"          6784     4  "SetNetscape"
//     3228     6  "FTPProxyPort"      6788     4  "CheckEmail"
//     3234   260  "FTPProxy"          6792   260  "EmailSound"
//     3494   260  "Homepage"          7052     4  "PlaySound"
//     3754     6  "HTTPProxyPort"     7056     4  "PopMinutes"
//     3760   260  "HTTPProxy"         7060     4  "PopupAlert"
//     4020   100  "Organisation"      7064    52  "EPassword" (enciphered)
//     4120   260  "POP3Host"          7116     4  "EnableRedial"
//     4380   100  "Realname"          7120     4  "RedialAttempts"
//     4480   260  "SMTPHost"          7124     4  "RedialTimeout"
//     4740   260  "ReplyTo"           7128     4  "Startup"
//                                     7132     4  "StartMinimised"
//
// Numbers are unsigned 32-bit little-endian. Strings are Windows-1252 text, zero-terminated
// inside their field (so a field of width w carries at most w - 1 characters), zero bytes after.
// The two passwords are enciphered with PasswordCipher and kPasswordKey; their stored form has
// as many bytes as the clear text, at most kMaxPasswordLength. The phonebook entry is a 1768-byte
// RASENTRYA image, carried here as opaque bytes. "LaunchEmail", "LaunchBrowser", "Tweak" and
// "Default" are not in the file.
//
// In memory (ProfileFile) text is UTF-8 and the passwords are clear. Encoding refuses what the
// file cannot carry (too long, not in 1252, a zero byte) with a message naming the field, and never
// cuts a value. Decoding refuses anything that is not exactly 7136 bytes and a password that
// would not fit the cipher, bounds every string by its field even without a terminating zero, and
// never reads outside its input. Pure functions of their arguments; any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/profile_record.h"
#include "core/util/result.h"

namespace linkvane {

inline constexpr std::size_t kProfileFileSize = 7136;
inline constexpr std::size_t kProfileFilePhonebookSize = 1768;

struct ProfileFile {
    std::array<std::uint8_t, kProfileFilePhonebookSize> phonebookPart{};
    std::string name;  // the profile's name, also its phonebook entry's
    std::string browserPath;
    std::string emailPath;
    std::string url1Label;
    std::string url1Loc;
    std::string url2Label;
    std::string url2Loc;
    std::string app1Label;
    std::string app1Path;
    std::string ftpProxyPort;
    std::string ftpProxy;
    std::string homepage;
    std::string httpProxyPort;
    std::string httpProxy;
    std::string organisation;
    std::string pop3Host;
    std::string realname;
    std::string smtpHost;
    std::string replyTo;
    std::string proxyOverride;
    std::string nntpHost;
    std::string username;
    std::string login;
    std::string password;  // clear text
    std::uint32_t useLan = 0;
    std::string pingHost;
    std::uint32_t pingFreq = 0;
    std::uint32_t setIE = 0;
    std::uint32_t setNetscape = 0;
    std::uint32_t checkEmail = 0;
    std::string emailSound;
    std::uint32_t playSound = 0;
    std::uint32_t popMinutes = 0;
    std::uint32_t popupAlert = 0;
    std::string ePassword;  // clear text
    std::uint32_t enableRedial = 0;
    std::uint32_t redialAttempts = 0;
    std::uint32_t redialTimeout = 0;
    std::uint32_t startup = 0;
    std::uint32_t startMinimised = 0;

    bool operator==(const ProfileFile&) const = default;
};

// One field of the record after the phonebook part. Exactly one of text and number is set.
struct ProfileFileField {
    enum class Kind { kString, kPassword, kNumber };
    std::string_view valueName;  // the registry value name; empty for the profile name
    std::size_t offset;
    std::size_t size;
    Kind kind;
    std::string ProfileFile::*text;
    std::uint32_t ProfileFile::*number;
};

// The fields in file order, as in the table above.
std::span<const ProfileFileField> ProfileFileLayout();

Result<std::vector<std::uint8_t>> EncodeProfileFile(const ProfileFile& file);
Result<ProfileFile> DecodeProfileFile(std::span<const std::uint8_t> bytes);

// The export's picture of a profile: the record's values, the program-wide values that the file
// carries, and the phonebook entry's bytes. Numbers keep their 32-bit pattern.
ProfileFile MakeProfileFile(
    const ProfileRecord& record, const GlobalSettings& globals,
    const std::array<std::uint8_t, kProfileFilePhonebookSize>& phonebookPart);
// The imported profile: every profile value from the file; what the file does not carry
// ("Tweak", and the editor's derived keep-alive switch) comes from keep.
ProfileRecord ProfileRecordFromFile(const ProfileFile& file, const ProfileRecord& keep);
// Takes "EnableRedial", "RedialTimeout", "RedialAttempts" and the eight strings of the Global
// page from the file. "Startup" and "StartMinimised" are in the file but an import leaves them
// alone, as it leaves "LaunchEmail" and "LaunchBrowser", which the file does not carry.
void ApplyFileToGlobals(const ProfileFile& file, GlobalSettings& globals);

// The refusal of a file whose size is not kProfileFileSize.
std::string NotAProfileFileMessage(std::uintmax_t size);

}  // namespace linkvane
