#pragma once

// Put and get helpers for records of fixed fields, shared by the profile file and the
// phonebook entry codecs: unsigned 32-bit little-endian numbers, and text fields that hold
// their bytes up to a terminating zero inside the field. Tiles() lets a codec check at compile
// time that its fields cover the record exactly once.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace linkvane {

void PutUint32Le(std::span<std::uint8_t> record, std::size_t offset, std::uint32_t value);
std::uint32_t GetUint32Le(std::span<const std::uint8_t> record, std::size_t offset);

// The bytes of a text field up to its first zero, or the whole field when it has none.
std::string_view GetFieldText(std::span<const std::uint8_t> record, std::size_t offset,
                              std::size_t size);

struct FieldSpan {
    std::size_t offset;
    std::size_t size;
};

// Whether the spans, in any order, cover [begin, end) with neither gap nor overlap.
template <std::size_t N>
constexpr bool Tiles(std::array<FieldSpan, N> spans, std::size_t begin, std::size_t end) {
    std::sort(spans.begin(), spans.end(),
              [](const FieldSpan& a, const FieldSpan& b) { return a.offset < b.offset; });
    std::size_t next = begin;
    for (const FieldSpan& span : spans) {
        if (span.offset != next)
            return false;
        next = span.offset + span.size;
    }
    return next == end;
}

}  // namespace linkvane
