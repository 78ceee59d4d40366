#pragma once

// ProfileStore loads, saves and clears the program-wide settings and the profiles under the
// program's registry key, with the registry layout the rest of the system reads.
//
// Loads never fail: a missing or unreadable value reads as "" or 0. Saves are one registry
// transaction each, so a save cut off by a crash leaves all old values or all new ones; they
// report failure (and write nothing) when the store cannot commit or a password is too long
// for the cipher. Borrowing the store, which must outlive it. One thread at a time.

#include <string>
#include <string_view>

#include "core/profiles/profile_record.h"
#include "core/profiles/registry_store.h"
#include "core/util/result.h"

namespace linkvane {

class Autostart;

struct LoadedGlobalSettings {
    GlobalSettings settings;
    std::string defaultProfile;  // "Default"
};

class ProfileStore {
  public:
    explicit ProfileStore(RegistryStore& store) : m_store(store) {}

    LoadedGlobalSettings LoadGlobalSettings() const;
    ProfileRecord LoadProfile(std::string_view name) const;
    Status SaveGlobalSettings(const GlobalSettings& record) const;
    // passwordsEnciphered: the record's two passwords are already in their stored form
    // (they come from a profile file) and are written as they stand.
    Status SaveProfile(const ProfileRecord& record, bool passwordsEnciphered) const;
    // What SaveProfile would refuse before it writes anything (the name, a password the cipher
    // cannot take), so that an import can stop before it changes the phonebook.
    Status CheckProfile(const ProfileRecord& record, bool passwordsEnciphered) const;
    // Writes the one value info names, from record, under record.name's key and in one
    // transaction; the profile's other values are left as they are stored. A string keeps the
    // type it is stored with (an expandable string stays expandable); a password is enciphered.
    Status SaveProfileValue(const ProfileRecord& record, const ProfileValueInfo& info) const;
    Status ClearProfile(std::string_view name) const;
    Status SetDefaultProfile(std::string_view name) const;
    // Writes the start-up value (the executable's path, or "" when off) and asks the desktop to
    // start or not start the program at login.
    Status SetStartWithWindows(bool on, std::string_view executablePath,
                               Autostart& autostart) const;

    RegistryStore& registry() const { return m_store; }

  private:
    RegistryStore& m_store;
};

// The desktop's "start at login" switch (an XDG autostart entry on Linux).
class Autostart {
  public:
    virtual ~Autostart() = default;
    virtual Status Enable(std::string_view executablePath) = 0;
    virtual Status Disable() = 0;
};

}  // namespace linkvane
