#include "core/util/cp1252.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace linkvane {

namespace {

// Characters of bytes 0x80-0x9F. The five bytes that 1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the C1 controls of the same number, so every byte has a character and
// every text read from a file comes back byte for byte when written again.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char32_t CharacterOfByte(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80u];
    return byte;  // the rest of 1252 is Latin-1
}

// The byte for a character, or -1 when 1252 has none.
int ByteOfCharacter(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == ch)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t ch) {
    const auto put = [&out](std::uint32_t b) { out.push_back(static_cast<char>(b)); };
    const auto cp = static_cast<std::uint32_t>(ch);
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else {
        // Nothing in 1252 lies beyond the Basic Multilingual Plane.
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

// Decodes one character of well-formed UTF-8 at text[pos] (no overlong forms, no surrogates,
// nothing above U+10FFFF) and advances pos; returns false for anything else.
bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& ch) {
    const auto lead = static_cast<std::uint8_t>(text[pos]);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        ch = lead;
        ++pos;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos < length)
        return false;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(text[pos + k]);
        if ((next & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    ch = cp;
    pos += length;
    return true;
}

std::string CodePointName(char32_t ch) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(ch));
    return name;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes)
        AppendUtf8(out, CharacterOfByte(static_cast<std::uint8_t>(byte)));
    return out;
}

Result<std::string> Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t ch = 0;
        if (!DecodeUtf8(text, pos, ch)) {
            return Fail("The text is not valid UTF-8 (at byte " + std::to_string(pos) + ").");
        }
        const int byte = ByteOfCharacter(ch);
        if (byte < 0) {
            return Fail("The character " + CodePointName(ch) +
                        " has no place in the Windows Western code page (1252).");
        }
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    char32_t ch = 0;
    while (pos < bytes.size()) {
        if (!DecodeUtf8(bytes, pos, ch))
            return false;
    }
    return true;
}

}  // namespace linkvane
