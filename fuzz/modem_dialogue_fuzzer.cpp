// Fuzzes what a modem may send during a dial: any bytes, in any pieces, must leave the
// dialogue in a known state with a known result code, and never make it send a command
// other than its own four. The simulated modem's script parser gets the same bytes.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/connection/modem_dialogue.h"
#include "tools/simulated_modem.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

constexpr std::array<std::int16_t, 6> kDialogueCodes{
    linkvane::kDialErrorModemInit, linkvane::kDialErrorBusy,       linkvane::kDialErrorNoAnswer,
    linkvane::kDialErrorNoCarrier, linkvane::kDialErrorNoDialTone, linkvane::kDialErrorModemInit};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)linkvane::ParseModemScript(bytes);

    linkvane::ModemDialogue dialogue("AT&F", "5551");
    const std::array<std::string, 4> commands{"ATZ\r", "AT&F\r", "AT&C1\r", "ATDT5551\r"};
    std::size_t sent = 0;
    // The first byte of each piece says how long the piece is.
    for (std::size_t at = 0; at < bytes.size();) {
        if (const std::string command = dialogue.TakeCommand(); !command.empty()) {
            Check(sent < commands.size() && command == commands[sent]);
            ++sent;
        }
        const std::size_t length = static_cast<std::uint8_t>(bytes[at]) % 32;
        const std::string_view piece = bytes.substr(at + 1, length);
        at += 1 + length;
        if (piece.empty())
            dialogue.AnswerTimedOut();
        else
            dialogue.Receive(piece);
        const std::int16_t state = dialogue.State();
        Check(state == linkvane::kRasPortOpened || state == linkvane::kRasConnectDevice ||
              state == linkvane::kRasDeviceConnected);
        if (dialogue.Failure()) {
            const std::int16_t code = dialogue.Failure()->errorCode;
            Check(std::find(kDialogueCodes.begin(), kDialogueCodes.end(), code) !=
                  kDialogueCodes.end());
            Check(!dialogue.Failure()->text.empty());
            Check(!dialogue.Connected());
        }
    }
    return 0;
}
