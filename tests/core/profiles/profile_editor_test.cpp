#include "core/profiles/profile_editor.h"

#include <gtest/gtest.h>

#include <map>

#include "core/profiles/phonebook_form.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

// Each text as a signed and as an unsigned field; a refusal names the field by its label.
TEST(ProfileEditorRules, NumberFieldsTakeDecimalIntegersWithin32Bits) {
    testing::ExpectGoldenAnswers(
        "core/profiles/golden/number_fields.txt", [](const std::string& text) {
            const auto shown = [](const auto& parsed) {
                return parsed ? std::to_string(*parsed) : parsed.error().message;
            };
            return shown(ParseSignedField("Timeout (Secs.)", text)) + " / " +
                   shown(ParseUnsignedField("minutes", text));
        });
}

// The Advanced page's keep-alive (golden/keep_alive.txt): shown, a host too short for it is
// erased with its frequency; the "Enable" box switched off erases them, switched on keeps
// what is typed.
TEST(ProfileEditorRules, KeepAliveFollowsTheHostAndItsSwitch) {
    const auto shown = [](const ProfileRecord& p) {
        return std::string(p.keepAliveEnabled ? "on " : "off ") + p.pingHost + " every " +
               std::to_string(p.pingFreq);
    };
    testing::ExpectGoldenAnswers("core/profiles/golden/keep_alive.txt",
                                 [&](const std::string& host) {
                                     ProfileRecord profile;
                                     profile.pingHost = host;
                                     profile.pingFreq = 5;
                                     ActivateAdvancedPage(profile);
                                     const std::string page = shown(profile);
                                     profile.pingHost = "typed.example.org";
                                     profile.pingFreq = 7;
                                     ToggleKeepAlive(profile);
                                     return page + "; switched: " + shown(profile);
                                 });
}

// A good form with one field changed (golden/entry_form.txt, "field=text"): the entry it
// makes, keeping what the form does not show, or the field it refuses and why.
TEST(PhonebookEntryForm, NamesTheFieldThatTheEntryRefuses) {
    using F = PhonebookEntryForm;
    const std::map<std::string, std::string F::*> fields{{"name", &F::name},
                                                         {"phoneNumber", &F::phoneNumber},
                                                         {"areaCode", &F::areaCode},
                                                         {"countryCode", &F::countryCode},
                                                         {"device", &F::device},
                                                         {"lineSpeed", &F::lineSpeed},
                                                         {"initString", &F::initString}};
    const char* const kFieldNames[] = {"Name",      "PhoneNumber", "AlternateNumber",
                                       "AreaCode",  "CountryCode", "Device",
                                       "LineSpeed", "InitString"};
    PhonebookEntry base;
    base.properties.options = 0x10;
    base.dialParams = DialParams{"jo", "pw"};
    testing::ExpectGoldenAnswers(
        "core/profiles/golden/entry_form.txt", [&](const std::string& change) {
            PhonebookEntryForm form{
                "Demon",        "08450 000000", {"", "08450 111111", "", "08450 222222"},
                "0161",         "44",           true,
                "/dev/ttyUSB0", "57600",        "AT&F"};
            const std::size_t equals = change.find('=');
            const std::string field = change.substr(0, equals), text = change.substr(equals + 1);
            if (field == "alternate2")
                form.alternateNumbers[2] = text;
            else if (!change.empty())
                form.*fields.at(field) = text;
            EntryFormError error{};
            const Result<PhonebookEntry> built = BuildPhonebookEntry(form, base, error);
            if (!built)
                return std::string("refused ") + kFieldNames[static_cast<int>(error.field)] + ": " +
                       error.message;
            const PhonebookEntryForm back = FormFromEntry(*built);
            std::string made = "options " + std::to_string(built->properties.options) + ", dial " +
                               built->dialParams->userName + "/" + built->dialParams->password +
                               ", country " + std::to_string(built->properties.countryCode) +
                               ", speed " + std::to_string(built->lineSpeed) +
                               "; back: " + back.areaCode + " " + back.device + " " +
                               (back.useCountryAndAreaCodes ? "with codes" : "without") + ";";
            for (const std::string& number : built->alternateNumbers)
                made += " " + number + ";";
            return made;
        });
}

class ProfileEditorSave : public testing::ConfigHomeTest {
  protected:
    SqliteRegistryStore registry{linkvaneDir()};
    ProfileStore store{registry};
    PhonebookFile phonebook{linkvaneDir() / "phonebook.json"};
};

TEST_F(ProfileEditorSave, AProfileIsSavedWithItsDialParamsOrSaysWhyTheyWereNotKept) {
    PhonebookEntry entry;
    entry.name = "Demon";
    ASSERT_TRUE(phonebook.WriteEntry(entry));
    ASSERT_TRUE(store.SetDefaultProfile("Demon"));

    ProfileEditorData data = LoadEditorData(store, "Demon");
    EXPECT_TRUE(data.isDefault);
    EXPECT_FALSE(LoadEditorData(store, "demon").isDefault);  // exact comparison
    data.profile.login = "jo";
    data.profile.password = "pw";
    ASSERT_TRUE(SaveEditorData(store, phonebook, data));
    EXPECT_EQ(store.LoadProfile("Demon").password, "pw");
    EXPECT_EQ((*phonebook.ReadEntry("Demon"))->dialParams, (DialParams{"jo", "pw"}));

    // A password the store cannot hold is reported before anything at all is written.
    data.profile.password = std::string(kMaxPasswordLength + 1, 'x');
    data.profile.login = "new";
    data.globals.url1Label = "new";
    EXPECT_FALSE(SaveEditorData(store, phonebook, data));
    EXPECT_EQ(store.LoadGlobalSettings().settings.url1Label, "");
    EXPECT_EQ((*phonebook.ReadEntry("Demon"))->dialParams, (DialParams{"jo", "pw"}));
    EXPECT_EQ(store.LoadProfile("Demon").login, "jo");

    // A profile without a phonebook entry is saved; that its login was not kept is said.
    data.profileName = "No Entry";
    data.profile.password = "pw";
    const Status saved = SaveEditorData(store, phonebook, data);
    EXPECT_EQ(saved.error().code, 623u);
    EXPECT_EQ(store.LoadProfile("No Entry").login, "new");
}

}  // namespace
}  // namespace linkvane
