#include "core/app/bubbles.h"

#include "core/connection/call_log.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"

namespace linkvane {

bool BubblesChosen(RegistryStore& store) {
    return COXRegistryItem(store, kSettingsKey).GetNumberValue("Notifications") == 1;
}

Bubble NewMailBubble(std::string_view profile, std::string_view text) {
    return {BubbleKind::NewMail, "New Email: " + std::string(profile), std::string(text)};
}

Bubble DialFailedBubble(std::string_view message, std::string_view reason) {
    return {BubbleKind::DialFailed, std::string(message), std::string(reason)};
}

Bubble LineDroppedBubble(const LinkStatus& call) {
    return {BubbleKind::LineDropped, "Line Dropped: " + call.profile,
            "The line to " + call.profile + " dropped after " + DurationText(call.callSeconds) +
                " without a hang-up."};
}

}  // namespace linkvane
