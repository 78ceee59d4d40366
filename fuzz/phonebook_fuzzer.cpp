// Parses arbitrary text as a phonebook file. Whatever parses must serialise again and parse to
// the same phonebook: the parser never crashes, throws or accepts what the writer cannot keep.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/phonebook_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto first = linkvane::ParsePhonebook(text);
    if (!first)
        return 0;
    auto written = linkvane::SerializePhonebook(*first);
    if (!written)
        std::abort();
    auto second = linkvane::ParsePhonebook(*written);
    if (!second || !(*second == *first))
        std::abort();
    return 0;
}
