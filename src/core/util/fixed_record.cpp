#include "core/util/fixed_record.h"

namespace linkvane {

void PutUint32Le(std::span<std::uint8_t> record, std::size_t offset, std::uint32_t value) {
    for (std::size_t k = 0; k < 4; ++k)
        record[offset + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

std::uint32_t GetUint32Le(std::span<const std::uint8_t> record, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k)
        value |= std::uint32_t{record[offset + k]} << (8 * k);
    return value;
}

std::string_view GetFieldText(std::span<const std::uint8_t> record, std::size_t offset,
                              std::size_t size) {
    const auto field = record.subspan(offset, size);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()),
            static_cast<std::size_t>(end - field.begin())};
}

}  // namespace linkvane
