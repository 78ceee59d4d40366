#pragma once

// The Phonebook Entry dialog's fields as text, and the entry they make. The dialog shows what
// the user typed; BuildPhonebookEntry checks it as the phonebook does and, when it refuses,
// says which field is wrong so that the dialog can put the user there. User-interface thread
// only.

#include <array>
#include <string>
#include <vector>

#include "core/profiles/phonebook.h"
#include "core/util/result.h"

namespace linkvane {

// RASEO_UseCountryAndAreaCodes: dial the country and area codes before the number.
inline constexpr std::uint32_t kRasUseCountryAndAreaCodes = 0x00000001;

enum class EntryField {
    Name,
    PhoneNumber,
    AlternateNumber,
    AreaCode,
    CountryCode,
    Device,
    LineSpeed,
    InitString
};

struct PhonebookEntryForm {
    std::string name;
    std::string phoneNumber;
    // Blank fields hold no number; the others are the entry's alternates, in order.
    std::array<std::string, kMaxAlternateNumbers> alternateNumbers;
    std::string areaCode;
    std::string countryCode;
    bool useCountryAndAreaCodes = false;
    std::string device;  // a listed modem or a device path the user typed; "" for none
    std::string lineSpeed;
    std::string initString;
};

struct EntryFormError {
    EntryField field;
    std::string message;
    std::size_t alternate = 0;  // for AlternateNumber: which field
};

// The speeds the line speed field offers; any other positive number may be typed.
std::vector<std::string> StandardLineSpeeds();

// The form of an existing entry, or of a new one (name empty, the phonebook's defaults).
PhonebookEntryForm FormFromEntry(const PhonebookEntry& entry);

// The entry the form describes. `base` supplies what the form does not show (the other
// properties, the dial parameters), so editing an entry keeps them.
Result<PhonebookEntry> BuildPhonebookEntry(const PhonebookEntryForm& form,
                                           const PhonebookEntry& base, EntryFormError& error);

}  // namespace linkvane
