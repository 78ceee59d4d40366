#include "core/profiles/phonebook.h"

#include <limits>

#include "core/profiles/password_cipher.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

struct TextScan {
    bool validUtf8 = true;
    bool hasControl = false;  // C0 controls (NUL included), DEL and the C1 controls
    bool hasZero = false;
};

// Walks UTF-8 by hand: the code page converter would also refuse characters outside 1252,
// which names and paths may well hold.
TextScan ScanText(std::string_view text) {
    TextScan scan;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1Fu;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0Fu;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07u;
            minimum = 0x10000;
        } else {
            scan.validUtf8 = false;
            return scan;
        }
        if (i + length > text.size()) {
            scan.validUtf8 = false;
            return scan;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                scan.validUtf8 = false;
                return scan;
            }
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            scan.validUtf8 = false;
            return scan;
        }
        if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F))
            scan.hasControl = true;
        if (codePoint == 0)
            scan.hasZero = true;
        i += length;
    }
    return scan;
}

// One rule for every text the phonebook keeps: valid UTF-8, bounded, and without control
// characters or without zero characters as the text asks.
Status CheckText(std::string_view what, std::string_view text, std::size_t maxLength,
                 bool allowControls, std::uint32_t code) {
    const std::string subject(what);
    const TextScan scan = ScanText(text);
    if (!scan.validUtf8)
        return Fail(subject + " is not valid UTF-8 text.", code);
    if (text.size() > maxLength) {
        return Fail(subject + " is longer than " + std::to_string(maxLength) + " bytes.", code);
    }
    if (!allowControls && scan.hasControl) {
        return Fail(subject + " must not contain control characters.", code);
    }
    if (scan.hasZero)
        return Fail(subject + " must not contain a zero character.", code);
    return Success();
}

Status CheckAlternateNumbers(const std::vector<std::string>& numbers) {
    if (numbers.size() > kMaxAlternateNumbers) {
        return Fail("An entry holds at most " + std::to_string(kMaxAlternateNumbers) +
                        " alternate numbers.",
                    win::kInvalidParameter);
    }
    for (const std::string& number : numbers) {
        if (Status valid = ValidateAlternateNumber(number); !valid)
            return valid;
    }
    return Success();
}

}  // namespace

Status ValidateAlternateNumber(std::string_view number) {
    if (number.empty())
        return Fail("An alternate number must not be empty.", win::kInvalidParameter);
    return CheckText("The alternate number", number, kRasMaxPhoneNumber, false,
                     win::kInvalidParameter);
}

bool IsDialCharacter(char c) {
    return (c >= '0' && c <= '9') ||
           (c != '\0' && std::string_view("*#,WwPpTt!@ABCDabcd").find(c) != std::string_view::npos);
}

Status CheckDialCharacters(std::string_view what, std::string_view number) {
    for (const char c : number) {
        if (!IsDialCharacter(c) && std::string_view(" -.()/").find(c) == std::string_view::npos) {
            return Fail(std::string(what) + " \"" + std::string(number) +
                            "\" holds a character that a modem cannot dial.",
                        win::kInvalidParameter);
        }
    }
    return Success();
}

std::string NoSuchEntryText(std::string_view name) {
    return "There is no phonebook entry \"" + std::string(name) + "\".";
}

Status ValidateEntryName(std::string_view name) {
    if (name.empty())
        return Fail("The entry name must not be empty.", ras::kInvalidName);
    if (name == "." || name == "..") {
        return Fail("The entry name must not be \".\" or \"..\".", ras::kInvalidName);
    }
    if (name.find_first_of("/\\") != std::string_view::npos) {
        return Fail("The entry name must not contain '/' or '\\'.", ras::kInvalidName);
    }
    return CheckText("The entry name", name, kMaxEntryNameLength, false, ras::kInvalidName);
}

Status ValidatePhonebookEntry(const PhonebookEntry& entry) {
    if (Status name = ValidateEntryName(entry.name); !name)
        return name;
    if (Result<RasEntryBytes> encoded = EncodeRasEntry(entry.properties); !encoded) {
        return encoded.error();
    }
    // The number goes into the modem's dial command: a line break would end that command and
    // start another one. Their lengths are the record's to judge, in its code page.
    constexpr std::size_t kAnyLength = std::numeric_limits<std::size_t>::max();
    if (Status area = CheckText("The area code", entry.properties.areaCode, kAnyLength, false,
                                win::kInvalidParameter);
        !area) {
        return area;
    }
    if (Status phone = CheckText("The phone number", entry.properties.localPhoneNumber, kAnyLength,
                                 false, win::kInvalidParameter);
        !phone) {
        return phone;
    }
    if (Status alternates = CheckAlternateNumbers(entry.alternateNumbers); !alternates)
        return alternates;
    if (entry.lineSpeed == 0) {
        return Fail("The line speed of entry " + entry.name + " must not be 0.",
                    win::kInvalidParameter);
    }
    if (Status init = CheckText("The init string", entry.initString, kMaxInitStringLength, false,
                                win::kInvalidParameter);
        !init) {
        return init;
    }
    if (entry.dialParams) {
        if (Status user = CheckText("The user name", entry.dialParams->userName,
                                    kMaxDialParamLength, true, win::kInvalidParameter);
            !user) {
            return user;
        }
        if (Status password = CheckText("The password", entry.dialParams->password,
                                        kMaxDialParamLength, true, win::kInvalidParameter);
            !password) {
            return password;
        }
        if (Result<std::string> stored = EncipherPassword(entry.dialParams->password); !stored)
            return Fail(stored.error().message, win::kInvalidParameter);
    }
    return Success();
}

Status ValidateDevicePath(std::string_view path) {
    if (path.empty() || path.front() != '/') {
        return Fail("A device is added by its absolute path, such as /dev/ttyUSB0.",
                    win::kInvalidParameter);
    }
    // The path becomes the entry's deviceName: 128 bytes at most.
    return CheckText("The device path", path, kRasMaxDeviceName, false, win::kInvalidParameter);
}

}  // namespace linkvane
