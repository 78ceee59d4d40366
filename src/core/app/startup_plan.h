#pragma once

// What the main window decides as it opens, from the stored settings and the phonebook: the
// profile list and its selection, the dial timeout (a stored 0 becomes 60 and is written
// back), the redial budget and whether the window starts minimised. The window only shows it.
// User-interface thread, like the registry accessor it uses.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/connection/connect_controller.h"
#include "core/profiles/phonebook.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

struct StartupPlan {
    std::vector<std::string> profileNames;  // the phonebook's entries, sorted
    std::optional<std::size_t> selected;    // nullopt only when the list is empty
    DialSettings dial;                      // the dial timeout and the redial budget
    bool startMinimised = false;            // "StartMinimised" is 1

    bool operator==(const StartupPlan&) const = default;
};

// Reads "Default", "RedialTimeout", "RedialAttempts" and "StartMinimised"; writes
// "RedialTimeout" back when it was out of range.
StartupPlan PlanStartup(RegistryStore& registry, Phonebook& phonebook);

}  // namespace linkvane
