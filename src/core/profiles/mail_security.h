#pragma once

// How a profile's mail check protects the login: the profile values "POP3Security" (one of
// the words auto, stls, pop3s, plain) and "POP3Pin" (the SHA-256 fingerprint of the one server
// certificate the profile accepts). Both are text in the profile key.
//
// A missing or empty "POP3Security" is plain, so that settings stored before the value existed,
// and profiles imported from files (which do not carry it), keep working as they did. Profiles
// created from now on get auto. A word the program does not know counts as auto: an unreadable
// setting never sends a password in clear text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/util/result.h"

namespace linkvane {

enum class Pop3Security {
    Plain,  // the login in clear text on port 110
    Auto,   // STLS when the server's CAPA offers it, else refuse
    Stls,   // STLS required
    Pop3s,  // TLS from the first byte, port 995
};

inline constexpr std::uint16_t kPop3sPort = 995;
inline constexpr std::string_view kNewProfilePop3Security = "auto";
// What the editor and "profile show" say of plain.
inline constexpr std::string_view kPlainPasswordWarning = "the password is sent unencrypted";

Pop3Security Pop3SecurityOf(std::string_view stored);
std::string_view Pop3SecurityName(Pop3Security security);
// What a mode does, in a few words: "STLS required", ..., kPlainPasswordWarning for plain.
std::string_view MailSecurityDescription(Pop3Security security);
// The word to store for text typed by the user: one of the four words, in any case.
Result<std::string> CheckPop3SecurityText(std::string_view text);

// A SHA-256 fingerprint as "AB:CD:..." (32 bytes in upper-case hex, colons between), from 64
// hex digits with or without colons, in any case; nullopt for anything else.
std::optional<std::string> NormalizeFingerprint(std::string_view text);
// The pin to store for text typed by the user: a fingerprint as above, or "" for no pin.
Result<std::string> CheckPinText(std::string_view text);

}  // namespace linkvane
