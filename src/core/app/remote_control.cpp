#include "core/app/remote_control.h"

namespace linkvane {

namespace {

bool UnderWay(const ConnectController& controller, const CRasDialer& dialer) {
    return controller.Active() || dialer.CallActive();
}

}  // namespace

std::optional<Refusal> RefuseConnect(Phonebook& phonebook, const ConnectController& controller,
                                     const CRasDialer& dialer, std::string_view profile) {
    if (Status valid = ValidateEntryName(profile); !valid)
        return Refusal{kErrorNoSuchProfile, valid.error().message};
    Result<std::optional<PhonebookEntry>> entry = phonebook.ReadEntry(profile);
    if (!entry)
        return Refusal{kErrorNoSuchProfile,
                       "The phonebook cannot be read: " + entry.error().message};
    if (!*entry)
        return Refusal{kErrorNoSuchProfile, NoSuchEntryText(profile)};
    if (UnderWay(controller, dialer)) {
        return Refusal{kErrorDialUnderWay,
                       "A call to \"" + dialer.GetEntryName() +
                           "\" is being dialled, waits to be redialled or is up; hang up first."};
    }
    return std::nullopt;
}

std::optional<Refusal> RefuseHangUp(const ConnectController& controller, const CRasDialer& dialer) {
    if (!UnderWay(controller, dialer))
        return Refusal{kErrorNoCall, std::string(kNoCallText)};
    return std::nullopt;
}

}  // namespace linkvane
