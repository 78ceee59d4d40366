// Decodes arbitrary bytes as a profile file. Whatever decodes must encode again (unless a string
// field filled its width without a terminating zero, which export refuses by name) and decode
// to the same values: the codec neither crashes nor misreads what it wrote.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/profiles/profile_file.h"

namespace {

using linkvane::ProfileFileField;

bool HasUnterminatedString(std::span<const std::uint8_t> bytes) {
    for (const auto& field : linkvane::ProfileFileLayout()) {
        if (field.kind != ProfileFileField::Kind::kString)
            continue;
        const auto value = bytes.subspan(field.offset, field.size);
        if (std::find(value.begin(), value.end(), std::uint8_t{0}) == value.end())
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    auto first = linkvane::DecodeProfileFile(input);
    if (!first)
        return 0;
    auto encoded = linkvane::EncodeProfileFile(*first);
    if (!encoded) {
        if (!HasUnterminatedString(input))
            std::abort();
        return 0;
    }
    auto second = linkvane::DecodeProfileFile(*encoded);
    if (!second || !(*second == *first))
        std::abort();
    return 0;
}
