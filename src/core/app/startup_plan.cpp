#include "core/app/startup_plan.h"

#include "core/profiles/phonebook_entries.h"
#include "core/profiles/profile_list.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"

namespace linkvane {

StartupPlan PlanStartup(RegistryStore& registry, Phonebook& phonebook) {
    COXRegistryItem settings(registry, kSettingsKey);
    StartupPlan plan;
    plan.profileNames = SortProfileNames(ListEntryNames(phonebook));
    if (!plan.profileNames.empty()) {
        plan.selected =
            FindDefaultProfile(plan.profileNames, settings.GetStringValue("Default")).value_or(0);
    }

    plan.dial = LoadDialSettings(registry);
    plan.startMinimised = settings.GetNumberValue("StartMinimised") == 1;
    return plan;
}

}  // namespace linkvane
