#include "core/profiles/profile_editor.h"

#include <gtest/gtest.h>

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

// The Advanced page's keep-alive: shown, a host too short for it is erased with its
// frequency; the "Enable" box switched off erases them, switched on keeps what is typed.
TEST(ProfileEditorRules, KeepAliveFollowsTheHostAndItsSwitch) {
    const struct {
        const char* host;
        bool enabled;  // once the page is shown
    } cases[] = {{"", false}, {"ab", false}, {"abc", true}, {"ping.example.org", true}};
    for (const auto& c : cases) {
        ProfileRecord profile;
        profile.pingHost = c.host;
        profile.pingFreq = 5;
        ActivateAdvancedPage(profile);
        EXPECT_EQ(profile.keepAliveEnabled, c.enabled) << c.host;
        EXPECT_EQ(profile.pingHost, c.enabled ? c.host : "") << c.host;
        EXPECT_EQ(profile.pingFreq, c.enabled ? 5 : 0) << c.host;
        profile.pingHost = "typed.example.org";
        profile.pingFreq = 7;
        ToggleKeepAlive(profile);
        EXPECT_EQ(profile.keepAliveEnabled, !c.enabled) << c.host;
        EXPECT_EQ(profile.pingHost, c.enabled ? "" : "typed.example.org") << c.host;
        EXPECT_EQ(profile.pingFreq, c.enabled ? 0 : 7) << c.host;
    }
}

TEST(PhonebookEntryForm, NamesTheFieldThatTheEntryRefuses) {
    PhonebookEntryForm good;
    good.name = "Demon";
    good.phoneNumber = "08450 000000";
    good.areaCode = "0161";
    good.countryCode = "44";
    good.useCountryAndAreaCodes = true;
    good.device = "/dev/ttyUSB0";
    good.lineSpeed = "57600";
    good.initString = "AT&F";
    good.alternateNumbers = {"", "08450 111111", "", "08450 222222"};
    const struct {
        void (*change)(PhonebookEntryForm&);
        std::optional<EntryField> refused;
    } cases[] = {
        {[](PhonebookEntryForm&) {}, std::nullopt},
        {[](PhonebookEntryForm& f) { f.name = ""; }, EntryField::Name},
        {[](PhonebookEntryForm& f) { f.phoneNumber = std::string(129, '1'); },
         EntryField::PhoneNumber},
        {[](PhonebookEntryForm& f) { f.phoneNumber = "123\nATH"; }, EntryField::PhoneNumber},
        {[](PhonebookEntryForm& f) { f.areaCode = "01234567890"; }, EntryField::AreaCode},
        {[](PhonebookEntryForm& f) { f.countryCode = "UK"; }, EntryField::CountryCode},
        {[](PhonebookEntryForm& f) { f.device = "ttyUSB0"; }, EntryField::Device},
        {[](PhonebookEntryForm& f) { f.lineSpeed = "0"; }, EntryField::LineSpeed},
        {[](PhonebookEntryForm& f) { f.initString = "ATZ\rATD123"; }, EntryField::InitString},
        {[](PhonebookEntryForm& f) { f.phoneNumber = "\xe2\x9c\x93"; }, EntryField::PhoneNumber},
        {[](PhonebookEntryForm& f) { f.alternateNumbers[2] = "1\rATH"; },
         EntryField::AlternateNumber},
    };
    PhonebookEntry base;
    base.properties.options = 0x10;
    base.dialParams = DialParams{"jo", "pw"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        PhonebookEntryForm form = good;
        cases[i].change(form);
        EntryFormError error{};
        Result<PhonebookEntry> built = BuildPhonebookEntry(form, base, error);
        EXPECT_EQ(built.ok(), !cases[i].refused) << i;
        if (cases[i].refused) {
            EXPECT_EQ(error.field, *cases[i].refused) << i << ": " << error.message;
            continue;
        }
        // What the form does not show is kept; the form round-trips.
        EXPECT_EQ(built->properties.options, 0x11u);
        EXPECT_EQ(built->dialParams, base.dialParams);
        EXPECT_EQ(built->properties.countryCode, 44u);
        EXPECT_EQ(built->lineSpeed, 57600u);
        EXPECT_EQ(FormFromEntry(*built).areaCode, good.areaCode);
        EXPECT_EQ(FormFromEntry(*built).device, good.device);
        EXPECT_EQ(FormFromEntry(*built).useCountryAndAreaCodes, true);
        // Blank alternate fields hold no number; the others keep their order.
        EXPECT_EQ(built->alternateNumbers,
                  (std::vector<std::string>{"08450 111111", "08450 222222"}));
    }
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
