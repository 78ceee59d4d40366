#pragma once

// Requests that other programs make of the running program (its interface on the session bus,
// and "linkvanectl" through it): when one cannot act, the program answers with a named error
// and the text that says why. The names belong to the interface org.linkvane.Linkvane1.
//
// Connect(profile) cannot act for a profile the phonebook does not have, nor while a dial, a
// call or a redial's wait is under way (the window's button would hang up instead; a remote
// request never does). HangUp() cannot act when none is under way. A Connect that the Connect
// controller itself refuses (a blank login, a dialler that cannot dial) is refused with the
// controller's message. GUI thread, like the dialler and phonebook it reads.

#include <optional>
#include <string>
#include <string_view>

#include "core/connection/connect_controller.h"
#include "core/profiles/phonebook.h"

namespace linkvane {

inline constexpr std::string_view kBusInterface = "org.linkvane.Linkvane1";
inline constexpr std::string_view kBusPath = "/org/linkvane/Linkvane1";
inline constexpr std::string_view kBusName = "org.linkvane.Linkvane";

inline constexpr std::string_view kErrorNoSuchProfile =
    "org.linkvane.Linkvane1.Error.NoSuchProfile";
inline constexpr std::string_view kErrorDialUnderWay = "org.linkvane.Linkvane1.Error.DialUnderWay";
inline constexpr std::string_view kErrorNoCall = "org.linkvane.Linkvane1.Error.NoCall";
inline constexpr std::string_view kErrorRefused = "org.linkvane.Linkvane1.Error.Refused";
inline constexpr std::string_view kErrorCheckFailed = "org.linkvane.Linkvane1.Error.CheckFailed";

// The text of a HangUp with nothing to end, as "linkvanectl hangup" says it.
inline constexpr std::string_view kNoCallText = "No link dialled by Linkvane is up.";

struct Refusal {
    std::string_view name;
    std::string text;

    bool operator==(const Refusal&) const = default;
};

std::optional<Refusal> RefuseConnect(Phonebook& phonebook, const ConnectController& controller,
                                     const CRasDialer& dialer, std::string_view profile);
std::optional<Refusal> RefuseHangUp(const ConnectController& controller, const CRasDialer& dialer);

}  // namespace linkvane
