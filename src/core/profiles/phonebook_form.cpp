#include "core/profiles/phonebook_form.h"

#include <algorithm>
#include <charconv>

namespace linkvane {

namespace {

bool ParseNumber(const std::string& text, std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

Error Refuse(EntryFormError& error, EntryField field, std::string message) {
    error = {field, message};
    return Fail(std::move(message));
}

struct FieldLimit {
    EntryField field;
    const std::string PhonebookEntryForm::*text;
    std::size_t maxLength;
    const char* label;
};

// The form's own length checks speak of characters the user can count.
constexpr FieldLimit kLimits[] = {
    {EntryField::PhoneNumber, &PhonebookEntryForm::phoneNumber, kRasMaxPhoneNumber,
     "The phone number"},
    {EntryField::AreaCode, &PhonebookEntryForm::areaCode, kRasMaxAreaCode, "The area code"},
};

// The phonebook's check names a field by its label, the record's by its member name.
struct MessageField {
    std::string_view mention;
    EntryField field;
};

constexpr MessageField kMessageFields[] = {
    {"phone number", EntryField::PhoneNumber}, {"localPhoneNumber", EntryField::PhoneNumber},
    {"area code", EntryField::AreaCode},       {"areaCode", EntryField::AreaCode},
    {"deviceName", EntryField::Device},        {"device", EntryField::Device},
};

EntryField FieldOfMessage(std::string_view message) {
    for (const MessageField& known : kMessageFields) {
        if (message.find(known.mention) != std::string_view::npos)
            return known.field;
    }
    return EntryField::InitString;
}

}  // namespace

std::vector<std::string> StandardLineSpeeds() {
    return {"9600", "19200", "38400", "57600", "115200", "230400", "460800"};
}

PhonebookEntryForm FormFromEntry(const PhonebookEntry& entry) {
    PhonebookEntryForm form;
    form.name = entry.name;
    form.phoneNumber = entry.properties.localPhoneNumber;
    std::copy_n(entry.alternateNumbers.begin(),
                std::min(entry.alternateNumbers.size(), form.alternateNumbers.size()),
                form.alternateNumbers.begin());
    form.areaCode = entry.properties.areaCode;
    form.countryCode =
        entry.properties.countryCode == 0 ? "" : std::to_string(entry.properties.countryCode);
    form.useCountryAndAreaCodes = (entry.properties.options & kRasUseCountryAndAreaCodes) != 0;
    form.device = entry.properties.deviceName;
    form.lineSpeed = std::to_string(entry.lineSpeed);
    form.initString = entry.initString;
    return form;
}

Result<PhonebookEntry> BuildPhonebookEntry(const PhonebookEntryForm& form,
                                           const PhonebookEntry& base, EntryFormError& error) {
    if (Status name = ValidateEntryName(form.name); !name)
        return Refuse(error, EntryField::Name, name.error().message);
    for (const FieldLimit& limit : kLimits) {
        if ((form.*limit.text).size() > limit.maxLength) {
            return Refuse(error, limit.field,
                          std::string(limit.label) + " is longer than " +
                              std::to_string(limit.maxLength) + " characters.");
        }
        if (Status dialable = CheckDialCharacters(limit.label, form.*limit.text); !dialable)
            return Refuse(error, limit.field, dialable.error().message);
    }
    PhonebookEntry entry = base;
    entry.name = form.name;
    entry.properties.localPhoneNumber = form.phoneNumber;
    entry.alternateNumbers.clear();
    for (std::size_t i = 0; i < form.alternateNumbers.size(); ++i) {
        const std::string& number = form.alternateNumbers[i];
        if (number.empty())
            continue;
        Status valid = ValidateAlternateNumber(number);
        if (valid)
            valid = CheckDialCharacters("The alternate number", number);
        if (!valid) {
            Refuse(error, EntryField::AlternateNumber, valid.error().message);
            error.alternate = i;
            return valid.error();
        }
        entry.alternateNumbers.push_back(number);
    }
    entry.properties.areaCode = form.areaCode;
    entry.properties.countryCode = 0;
    if (!form.countryCode.empty() && !ParseNumber(form.countryCode, entry.properties.countryCode)) {
        return Refuse(error, EntryField::CountryCode,
                      "The country code must be a number, such as 44.");
    }
    if (form.useCountryAndAreaCodes)
        entry.properties.options |= kRasUseCountryAndAreaCodes;
    else
        entry.properties.options &= ~kRasUseCountryAndAreaCodes;
    if (!form.device.empty()) {
        if (Status device = ValidateDevicePath(form.device); !device)
            return Refuse(error, EntryField::Device, device.error().message);
    }
    entry.properties.deviceName = form.device;
    if (entry.properties.deviceType.empty())
        entry.properties.deviceType = std::string(kRasDeviceTypeModem);
    if (!ParseNumber(form.lineSpeed, entry.lineSpeed) || entry.lineSpeed == 0) {
        return Refuse(error, EntryField::LineSpeed,
                      "The line speed must be a positive number of bits per second, such as "
                      "115200.");
    }
    entry.initString = form.initString;
    if (Status valid = ValidatePhonebookEntry(entry); !valid) {
        return Refuse(error, FieldOfMessage(valid.error().message), valid.error().message);
    }
    return entry;
}

}  // namespace linkvane
