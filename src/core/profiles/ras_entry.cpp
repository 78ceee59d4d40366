#include "core/profiles/ras_entry.h"

// The record's layout is at the top of ras_entry.h; the field tables there place each member.

#include <algorithm>

#include "core/util/cp1252.h"
#include "core/util/fixed_record.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

Status PutText(RasEntryBytes& out, const RasTextField& field, std::string_view text) {
    auto invalid = [&](const std::string& why) {
        return Fail("The entry's " + std::string(field.name) + " " + why, win::kInvalidParameter);
    };
    Result<std::string> bytes = Utf8ToCp1252(text);
    if (!bytes)
        return invalid("cannot be stored: " + bytes.error().message);
    if (bytes->find('\0') != std::string::npos)
        return invalid("contains a zero character.");
    // The field keeps one byte for the terminating zero.
    if (bytes->size() >= field.size) {
        return invalid("is longer than " + std::to_string(field.size - 1) + " characters.");
    }
    std::copy(bytes->begin(), bytes->end(),
              out.begin() + static_cast<std::ptrdiff_t>(field.offset));
    return Success();
}

// Every byte of the record belongs to one member, but the two of padding before dwChannels.
constexpr auto RecordSpans() {
    std::array<FieldSpan,
               kRasNumberFields.size() + kRasTextFields.size() + kRasAddressFields.size() + 1>
        spans{};
    std::size_t i = 0;
    for (const RasNumberField& field : kRasNumberFields)
        spans[i++] = {field.offset, 4};
    for (const RasTextField& field : kRasTextFields)
        spans[i++] = {field.offset, field.size};
    for (const RasAddressField& field : kRasAddressFields)
        spans[i++] = {field.offset, 4};
    spans[i] = {1754, 2};
    return spans;
}
static_assert(Tiles(RecordSpans(), 0, kRasEntrySize));

}  // namespace

Result<RasEntryBytes> EncodeRasEntry(const RasEntry& entry) {
    RasEntryBytes out{};
    for (const RasNumberField& field : kRasNumberFields) {
        PutUint32Le(out, field.offset, entry.*field.member);
    }
    for (const RasTextField& field : kRasTextFields) {
        if (Status put = PutText(out, field, entry.*field.member); !put)
            return put.error();
    }
    for (const RasAddressField& field : kRasAddressFields) {
        const IpAddressBytes& address = entry.*field.member;
        std::copy(address.begin(), address.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(field.offset));
    }
    return out;
}

Result<RasEntry> DecodeRasEntry(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kRasEntrySize) {
        return Fail("A phonebook entry record has " + std::to_string(kRasEntrySize) +
                        " bytes, not " + std::to_string(bytes.size()) + ".",
                    win::kInvalidData);
    }
    RasEntry entry;
    for (const RasNumberField& field : kRasNumberFields) {
        entry.*field.member = GetUint32Le(bytes, field.offset);
    }
    for (const RasTextField& field : kRasTextFields) {
        entry.*field.member = Cp1252ToUtf8(GetFieldText(bytes, field.offset, field.size));
    }
    for (const RasAddressField& field : kRasAddressFields) {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(field.offset), 4,
                    (entry.*field.member).begin());
    }
    return entry;
}

}  // namespace linkvane
