#include "core/app/remote_control.h"

namespace linkvane {

std::optional<Refusal> RefuseConnect(Phonebook& phonebook, const CRasDialer& dialer,
                                     std::string_view profile) {
    if (Status valid = ValidateEntryName(profile); !valid)
        return Refusal{kErrorNoSuchProfile, valid.error().message};
    Result<std::optional<PhonebookEntry>> entry = phonebook.ReadEntry(profile);
    if (!entry)
        return Refusal{kErrorNoSuchProfile,
                       "The phonebook cannot be read: " + entry.error().message};
    if (!*entry)
        return Refusal{kErrorNoSuchProfile, NoSuchEntryText(profile)};
    if (dialer.CallActive()) {
        return Refusal{kErrorDialUnderWay, "A call to \"" + dialer.GetEntryName() +
                                               "\" is being dialled or is up; hang up first."};
    }
    return std::nullopt;
}

std::optional<Refusal> RefuseHangUp(const CRasDialer& dialer) {
    if (!dialer.CallActive())
        return Refusal{kErrorNoCall, std::string(kNoCallText)};
    return std::nullopt;
}

}  // namespace linkvane
