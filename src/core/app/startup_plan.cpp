#include "core/app/startup_plan.h"

#include "core/connection/ras_dialer.h"
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

    const DialTimeoutSetting timeout =
        DialTimeoutFromSetting(static_cast<std::int32_t>(settings.GetNumberValue("RedialTimeout")));
    if (timeout.writeBack)
        settings.SetNumberValue(static_cast<std::uint32_t>(timeout.seconds), "RedialTimeout");
    plan.dialTimeout = timeout.seconds;
    plan.redialBudget = static_cast<std::int32_t>(settings.GetNumberValue("RedialAttempts"));
    plan.startMinimised = settings.GetNumberValue("StartMinimised") == 1;
    return plan;
}

}  // namespace linkvane
