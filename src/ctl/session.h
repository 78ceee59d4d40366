#pragma once

// Session: what one run of linkvanectl works on, opened on first use: the user's registry
// store under $XDG_CONFIG_HOME/linkvane and the user's phonebook file beside it. One thread.

#include <memory>
#include <optional>
#include <string_view>

#include "core/profiles/profile_store.h"
#include "core/profiles/registry_item.h"
#include "core/profiles/registry_store.h"
#include "core/util/result.h"
#include "platform/phonebook_file.h"

namespace linkvane::ctl {

class Session {
  public:
    RegistryStore& registry();
    Phonebook& phonebook();
    ProfileStore profiles() { return ProfileStore(registry()); }

    // Fails with the store's own sentence and its code (1009 for a damaged file) when the root's
    // file cannot be used. Commands check the roots they touch before anything else, because
    // profile loads read a broken store as empty values and exports would leave it out.
    Status CheckRoot(RegistryRoot root);
    // Both roots the program writes: the current user's and the local machine's.
    Status CheckProgramRoots();

    // Whether the profile's key exists (the profile has stored settings).
    bool HasStoredSettings(std::string_view profileName);
    // Whether the phonebook has the entry; the phonebook's own error when it cannot be read
    // (commands that carry the entry on must not take a damaged phonebook for a missing entry).
    Result<bool> HasEntry(std::string_view name);

  private:
    std::unique_ptr<RegistryStore> m_registry;
    std::optional<PhonebookFile> m_phonebook;
};

// The root an accessor path names ("\CurrentUser" when it names none).
RegistryRoot RootOf(COXRegistryItem& item);

// The Windows error of an accessor's last result (0x80070000 | error).
std::uint32_t ErrorOf(const COXRegistryItem& item);

}  // namespace linkvane::ctl
