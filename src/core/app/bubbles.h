#pragma once

// Desktop notifications ("bubbles"), which the user may choose instead of the program's modal
// boxes (the profile editor's Advanced page; the settings value "Notifications", off unless it
// is 1). Chosen, they take the place of the "New Email Messages" notice (when the profile asks
// for it), of the message box of a dial that failed for good (with its reason), and they tell
// of a line that dropped, which no box tells of. Each kind is one bubble: a later one of its
// kind replaces it on the screen instead of stacking beside it. Not chosen, the boxes stay as
// they are and no bubble is shown.

#include <string>
#include <string_view>

#include "core/connection/link_status.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

enum class BubbleKind { NewMail, DialFailed, LineDropped };

struct Bubble {
    BubbleKind kind = BubbleKind::NewMail;
    std::string summary;
    std::string body;  // plain text

    bool operator==(const Bubble&) const = default;
};

// Whether the settings key's "Notifications" is 1.
bool BubblesChosen(RegistryStore& store);

// text: the notice's ("3 New Messages (4711 bytes)").
Bubble NewMailBubble(std::string_view profile, std::string_view text);
// message: the box's text ("Connection Failed"); reason: the dialler's.
Bubble DialFailedBubble(std::string_view message, std::string_view reason);
// call: the call as it was when its line dropped.
Bubble LineDroppedBubble(const LinkStatus& call);

}  // namespace linkvane
