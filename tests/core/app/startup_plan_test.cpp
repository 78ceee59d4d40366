#include "core/app/startup_plan.h"

#include <gtest/gtest.h>

#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace linkvane::testing {
namespace {

class StartupPlanTest : public ConfigHomeTest {};

TEST_F(StartupPlanTest, ListSelectionTimeoutAndMinimisedStartComeFromTheSettings) {
    const struct {
        std::vector<std::string> entries;
        const char* defaultName;
        std::uint32_t redialTimeout;
        std::uint32_t startMinimised;
        StartupPlan plan;
        std::uint32_t storedTimeout;  // after the plan
    } cases[] = {
        // Sorted without case; the default is the first found by its beginning, without case.
        {{"zeta", "Beta Net", "alpha", "beta"},
         "BE",
         45,
         0,
         {{"alpha", "beta", "Beta Net", "zeta"}, 1, {45, 3}, false},
         45},
        // An unknown default (a name is no beginning of it) selects the first; a timeout of 0
        // becomes 60, written back.
        {{"zeta", "alpha"}, "zetas", 0, 1, {{"alpha", "zeta"}, 0, {60, 3}, true}, 60},
        // An empty phonebook: nothing to select. Only 1 means minimised.
        {{}, "anything", 0xFFFFFFFF, 2, {{}, std::nullopt, {60, 3}, false}, 60},
    };
    for (const auto& c : cases) {
        TempDir dir;
        SqliteRegistryStore registry(dir.path());
        PhonebookFile phonebook(dir.path() / "phonebook.json");
        for (const std::string& name : c.entries) {
            PhonebookEntry entry;
            entry.name = name;
            ASSERT_TRUE(phonebook.WriteEntry(entry));
        }
        COXRegistryItem settings(registry, kSettingsKey);
        settings.SetStringValue(c.defaultName, "Default");
        settings.SetNumberValue(c.redialTimeout, "RedialTimeout");
        settings.SetNumberValue(3, "RedialAttempts");
        settings.SetNumberValue(c.startMinimised, "StartMinimised");

        EXPECT_EQ(PlanStartup(registry, phonebook), c.plan) << c.defaultName;
        EXPECT_EQ(settings.GetNumberValue("RedialTimeout"), c.storedTimeout) << c.defaultName;
    }
}

}  // namespace
}  // namespace linkvane::testing
