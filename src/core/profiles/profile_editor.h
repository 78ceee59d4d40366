#pragma once

// What the profile editor decides, kept apart from its windows: the values it opens with, the
// rules of the Advanced page, the parsing of its number fields, and what OK saves.
//
// The editor edits the program-wide settings and one profile. An editor without a profile
// name (the phonebook has no entry and the user chose not to create one) edits only the
// program-wide settings and never writes a profile: a profile with an empty name would be
// written into the key that holds all profiles. User-interface thread only.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/profiles/host_rules.h"
#include "core/profiles/phonebook.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/profile_store.h"
#include "core/util/result.h"

namespace linkvane {

struct ProfileEditorData {
    std::string profileName;  // "" when only the program-wide settings are edited
    GlobalSettings globals;
    ProfileRecord profile;
    bool isDefault = false;  // "Default" equals the profile name exactly

    bool HasProfile() const { return !profileName.empty(); }
};

// The program-wide settings (redial timeout and attempts read as 0 while redial is off) and
// the named profile, as the editor opens with them.
ProfileEditorData LoadEditorData(const ProfileStore& store, std::string_view profileName);

// Makes the editor edit `name` from now on: the profile as stored, "Set As Default" as stored.
void SwitchEditorProfile(const ProfileStore& store, ProfileEditorData& data, std::string_view name);

// Keep-alive: on for a "PingHost" that HostEnablesKeepAlive takes. Each time the Advanced page
// becomes active, a shorter host is erased with its frequency.
void ActivateAdvancedPage(ProfileRecord& profile);
// The "Enable" box: on leaves the values; off erases host and frequency.
void ToggleKeepAlive(ProfileRecord& profile);

// The text of a number field, as the editor's fields accept it: optional blanks and sign,
// decimal digits, within 32 bits. The error asks for a number, naming the field by its label.
Result<std::int32_t> ParseSignedField(std::string_view label, std::string_view text);
Result<std::uint32_t> ParseUnsignedField(std::string_view label, std::string_view text);
// The text of a password field, as the store can hold it: at most kMaxPasswordLength
// characters, each one of Windows-1252. The error asks for such a password, naming the field.
Status CheckPasswordField(std::string_view label, std::string_view text);

// What OK saves, in this order: the program-wide settings; for a profile, the entry's dial
// parameters (login and password) and the profile, passwords enciphered. A profile the store
// would refuse (a password it cannot hold) is found before anything is written; otherwise
// stops at the first of the two saves that fails and says which. A failure to store the dial
// parameters does not stop the profile's save, and is reported after it.
Status SaveEditorData(const ProfileStore& store, Phonebook& phonebook,
                      const ProfileEditorData& data);

}  // namespace linkvane
