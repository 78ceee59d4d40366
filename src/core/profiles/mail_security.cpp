#include "core/profiles/mail_security.h"

#include <array>
#include <utility>

#include "core/util/text.h"

namespace linkvane {
namespace {

constexpr std::array<std::pair<std::string_view, Pop3Security>, 4> kWords{{
    {"auto", Pop3Security::Auto},
    {"stls", Pop3Security::Stls},
    {"pop3s", Pop3Security::Pop3s},
    {"plain", Pop3Security::Plain},
}};
constexpr std::size_t kFingerprintBytes = 32;

std::optional<Pop3Security> FindWord(std::string_view text) {
    for (const auto& [word, security] : kWords) {
        if (EqualsIgnoreCase(word, text))
            return security;
    }
    return std::nullopt;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

Pop3Security Pop3SecurityOf(std::string_view stored) {
    if (stored.empty())
        return Pop3Security::Plain;
    return FindWord(stored).value_or(Pop3Security::Auto);
}

std::string_view Pop3SecurityName(Pop3Security security) {
    for (const auto& [word, value] : kWords) {
        if (value == security)
            return word;
    }
    return "auto";
}

std::string_view MailSecurityDescription(Pop3Security security) {
    switch (security) {
        case Pop3Security::Auto:
            break;
        case Pop3Security::Stls:
            return "STLS required";
        case Pop3Security::Pop3s:
            return "TLS on port 995";
        case Pop3Security::Plain:
            return kPlainPasswordWarning;
    }
    return "STLS when offered, never in clear text";
}

Result<std::string> CheckPop3SecurityText(std::string_view text) {
    if (const std::optional<Pop3Security> security = FindWord(text))
        return std::string(Pop3SecurityName(*security));
    return Fail("POP3Security is one of auto, stls, pop3s or plain, not \"" + std::string(text) +
                "\".");
}

std::optional<std::string> NormalizeFingerprint(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    int high = -1;
    for (const char c : text) {
        if (c == ':' && high < 0)
            continue;
        const int value = HexValue(c);
        if (value < 0)
            return std::nullopt;
        if (high < 0) {
            high = value;
            continue;
        }
        if (!out.empty())
            out += ':';
        out += kDigits[high];
        out += kDigits[value];
        high = -1;
    }
    if (high >= 0 || out.size() != kFingerprintBytes * 3 - 1)
        return std::nullopt;
    return out;
}

Result<std::string> CheckPinText(std::string_view text) {
    if (text.empty())
        return std::string();
    if (std::optional<std::string> fingerprint = NormalizeFingerprint(text))
        return *fingerprint;
    return Fail(
        "POP3Pin is a SHA-256 fingerprint (64 hex digits, colons allowed) or empty, not \"" +
        std::string(text) + "\".");
}

}  // namespace linkvane
