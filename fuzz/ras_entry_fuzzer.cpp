// Decodes arbitrary bytes as a phonebook entry record. Whatever decodes must encode again
// (unless a string filled its field without a terminating zero, which encoding refuses) and
// decode to the same entry: the codec neither crashes nor misreads what it wrote.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/profiles/ras_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    auto first = linkvane::DecodeRasEntry(input);
    if (!first)
        return 0;
    auto encoded = linkvane::EncodeRasEntry(*first);
    if (!encoded) {
        const bool unterminated = std::any_of(
            linkvane::kRasTextFields.begin(), linkvane::kRasTextFields.end(),
            [&](const linkvane::RasTextField& field) {
                const auto value = input.subspan(field.offset, field.size);
                return std::find(value.begin(), value.end(), std::uint8_t{0}) == value.end();
            });
        if (!unterminated)
            std::abort();
        return 0;
    }
    auto second = linkvane::DecodeRasEntry(*encoded);
    if (!second || !(*second == *first))
        std::abort();
    return 0;
}
