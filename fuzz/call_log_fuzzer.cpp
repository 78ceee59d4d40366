// Reads arbitrary bytes as the call log and its companion would be read: as a record, as a log
// line, as a date and as a time format. A record that decodes must encode and decode to the
// same record; a month found in a date is always "YYYY-MM" with a month of 01 to 12; a forced
// time format never keeps an ASCII space. None of them may crash or read out of bounds.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/connection/call_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto record = linkvane::DecodeCallRecord(text)) {
        const std::string encoded = linkvane::EncodeCallRecord(*record);
        const auto again =
            linkvane::DecodeCallRecord(std::string_view(encoded).substr(0, encoded.size() - 1));
        if (!again || !(*again == *record))
            std::abort();
    }
    (void)linkvane::ParseCallLogLine(text);
    if (const auto month = linkvane::MonthOfLogDate(text)) {
        const bool shaped = month->size() == 7 && (*month)[4] == '-' && month->substr(5) >= "01" &&
                            month->substr(5) <= "12";
        if (!shaped)
            std::abort();
    }
    if (linkvane::Force24HourTimeFormat(text).find(' ') != std::string::npos)
        std::abort();
    return 0;
}
