#include "core/app/startup_plan.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace linkvane::testing {
namespace {

// Each question (golden/startup_plan.txt) is the phonebook's entries, then "Default",
// "RedialTimeout" and "StartMinimised", apart by "|"; its answer the plan, and the timeout
// stored after it. The list is sorted without case; the default is the first entry that it
// begins, without case, else the first; a timeout out of range becomes 60, written back; only
// 1 means minimised.
TEST(StartupPlan, ListSelectionTimeoutAndMinimisedStartComeFromTheSettings) {
    ExpectGoldenAnswers("core/app/golden/startup_plan.txt", [](const std::string& question) {
        std::istringstream in(question);
        std::string entries, defaultName, timeout, minimised;
        std::getline(std::getline(std::getline(std::getline(in, entries, '|'), defaultName, '|'),
                                  timeout, '|'),
                     minimised);
        TempDir dir;
        SqliteRegistryStore registry(dir.path());
        PhonebookFile phonebook(dir.path() / "phonebook.json");
        std::istringstream names(entries);
        for (PhonebookEntry entry; std::getline(names, entry.name, ',');)
            EXPECT_TRUE(phonebook.WriteEntry(entry)) << entry.name;
        COXRegistryItem settings(registry, kSettingsKey);
        settings.SetStringValue(defaultName, "Default");
        settings.SetNumberValue(static_cast<std::uint32_t>(std::stoul(timeout)), "RedialTimeout");
        settings.SetNumberValue(3, "RedialAttempts");
        settings.SetNumberValue(static_cast<std::uint32_t>(std::stoul(minimised)),
                                "StartMinimised");

        const StartupPlan plan = PlanStartup(registry, phonebook);
        std::string answer;
        for (const std::string& name : plan.profileNames)
            answer += name + ", ";
        return answer + "selected " + (plan.selected ? std::to_string(*plan.selected) : "none") +
               ", timeout " + std::to_string(plan.dial.dialTimeout) + ", budget " +
               std::to_string(plan.dial.redialBudget) + (plan.startMinimised ? ", minimised" : "") +
               "; stored " + std::to_string(settings.GetNumberValue("RedialTimeout"));
    });
}

}  // namespace
}  // namespace linkvane::testing
