#include "ctl/session.h"

#include "core/util/text.h"
#include "core/util/win_error.h"
#include "ctl/output.h"
#include "platform/sqlite_registry_store.h"

namespace linkvane::ctl {

RegistryStore& Session::registry() {
    if (!m_registry)
        m_registry = OpenUserRegistry([](const std::string& text) { Warn(text); });
    return *m_registry;
}

Phonebook& Session::phonebook() {
    if (!m_phonebook)
        m_phonebook.emplace();
    return *m_phonebook;
}

Status Session::CheckRoot(RegistryRoot root) {
    const std::string diagnosis = registry().Diagnose(root);
    if (diagnosis.empty())
        return Success();
    const std::uint32_t code = registry().OpenKey(root, "", false).error;
    return Fail(diagnosis, code != 0 ? code : win::kBadDatabase);
}

Status Session::CheckProgramRoots() {
    for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        if (Status usable = CheckRoot(root); !usable)
            return usable;
    }
    return Success();
}

bool Session::HasStoredSettings(std::string_view profileName) {
    COXRegistryItem key(registry(), "\\CurrentUser" + ProfileKeyPath(std::string(profileName)));
    return key.Open(false, KEY_QUERY_VALUE);
}

Result<bool> Session::HasEntry(std::string_view name) {
    Result<std::optional<PhonebookEntry>> entry = phonebook().ReadEntry(name);
    if (!entry)
        return entry.error();
    return entry->has_value();
}

RegistryRoot RootOf(COXRegistryItem& item) {
    const std::string root = item.GetRoot();
    for (const RegistryRootName& known : kRegistryRoots) {
        if (EqualsIgnoreCase(root, known.name))
            return known.root;
    }
    return RegistryRoot::CurrentUser;
}

std::uint32_t ErrorOf(const COXRegistryItem& item) {
    return static_cast<std::uint32_t>(item.LastResult()) & 0xFFFFu;
}

}  // namespace linkvane::ctl
