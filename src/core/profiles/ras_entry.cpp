#include "core/profiles/ras_entry.h"

// The record's layout is at the top of ras_entry.h; the field tables there place each member.

#include <algorithm>

#include "core/util/cp1252.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

void PutNumber(RasEntryBytes& out, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetNumber(std::span<const std::uint8_t> in, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(in[offset + i]) << (8 * i);
    }
    return value;
}

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

std::string GetText(std::span<const std::uint8_t> in, const RasTextField& field) {
    std::span<const std::uint8_t> area = in.subspan(field.offset, field.size);
    auto end = std::find(area.begin(), area.end(), std::uint8_t{0});
    std::string bytes(area.begin(), end);
    return Cp1252ToUtf8(bytes);
}

}  // namespace

Result<RasEntryBytes> EncodeRasEntry(const RasEntry& entry) {
    RasEntryBytes out{};
    for (const RasNumberField& field : kRasNumberFields) {
        PutNumber(out, field.offset, entry.*field.member);
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
        entry.*field.member = GetNumber(bytes, field.offset);
    }
    for (const RasTextField& field : kRasTextFields) {
        entry.*field.member = GetText(bytes, field);
    }
    for (const RasAddressField& field : kRasAddressFields) {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(field.offset), 4,
                    (entry.*field.member).begin());
    }
    return entry;
}

}  // namespace linkvane
