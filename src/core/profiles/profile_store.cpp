#include "core/profiles/profile_store.h"

#include <array>

#include "core/profiles/mail_security.h"
#include "core/profiles/password_cipher.h"
#include "core/profiles/registry_item.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

constexpr const char* kRunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr const char* kRunValue = "Linkvaner";

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// clang 14 (the fuzz build) does not deduce aggregate template arguments without a guide.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Reads or writes one field of a record through the accessor: strings as REG_SZ (read with
// expansion), numbers as little-endian REG_DWORD.
template <class Record, class Info>
void ReadField(COXRegistryItem& item, Record& record, const Info& info) {
    std::visit(
        Overloaded{
            [&](std::string Record::*m) { record.*m = item.GetStringValue(info.name, true, true); },
            [&](std::int32_t Record::*m) {
                record.*m = static_cast<std::int32_t>(item.GetNumberValue(info.name, true));
            },
            [&](std::uint32_t Record::*m) { record.*m = item.GetNumberValue(info.name, true); },
        },
        info.field);
}

// False when the store refused the write; item.LastResult() says why.
template <class Record, class Info>
bool WriteField(COXRegistryItem& item, const Record& record, const Info& info) {
    return std::visit(Overloaded{
                          [&](std::string Record::*m) {
                              return item.SetStringValue(record.*m, info.name, false);
                          },
                          [&](std::int32_t Record::*m) {
                              return item.SetNumberValue(static_cast<std::uint32_t>(record.*m),
                                                         info.name, true);
                          },
                          [&](std::uint32_t Record::*m) {
                              return item.SetNumberValue(record.*m, info.name, true);
                          },
                      },
                      info.field);
}

// The orders in which a profile's values are read and written.
constexpr std::array<std::string_view, 31> kProfileLoadOrder{
    "UseLan",    "Password",     "Login",         "Username",     "SMTPHost",      "POP3Host",
    "Realname",  "Organisation", "ReplyTo",       "NNTPHost",     "EPassword",     "HTTPProxy",
    "FTPProxy",  "Homepage",     "HTTPProxyPort", "FTPProxyPort", "ProxyOverride", "PingHost",
    "PingFreq",  "Tweak",        "SetIE",         "SetNetscape",  "CheckEmail",    "EmailSound",
    "PlaySound", "PopMinutes",   "PopupAlert",    "POP3Security", "POP3Pin",       "RedialPause",
    "Reconnect"};
constexpr std::array<std::string_view, 31> kProfileSaveOrder{
    "Password",  "Login",      "UseLan",        "EPassword",    "Username",   "SMTPHost",
    "POP3Host",  "NNTPHost",   "Realname",      "Organisation", "ReplyTo",    "ProxyOverride",
    "HTTPProxy", "FTPProxy",   "HTTPProxyPort", "FTPProxyPort", "Homepage",   "PingHost",
    "PingFreq",  "Tweak",      "SetIE",         "SetNetscape",  "CheckEmail", "EmailSound",
    "PlaySound", "PopMinutes", "PopupAlert",    "POP3Security", "POP3Pin",    "RedialPause",
    "Reconnect"};

Status CheckProfileName(std::string_view name) {
    if (name.empty())
        return Fail("A profile needs a name.");
    if (name.find('\\') != std::string_view::npos) {
        return Fail("The profile name \"" + std::string(name) +
                    "\" contains a backslash, which a profile name cannot hold.");
    }
    return Success();
}

// The record as it is written: its name checked, its passwords enciphered unless they are.
Result<ProfileRecord> StoredForm(const ProfileRecord& record, bool passwordsEnciphered) {
    if (auto named = CheckProfileName(record.name); !named)
        return named.error();
    ProfileRecord stored = record;
    if (!passwordsEnciphered) {
        for (std::string* password : {&stored.password, &stored.ePassword}) {
            auto enciphered = EncipherPassword(*password);
            if (!enciphered)
                return enciphered.error();
            *password = std::move(enciphered.value());
        }
    }
    return stored;
}

Status Committed(std::uint32_t error) {
    if (error == 0)
        return Success();
    return Fail("The settings could not be saved; nothing was changed.", error);
}

// A refused write (a key name the store cannot hold, a full disk) ends the save before its
// commit, so the transaction rolls back instead of committing the values around the gap.
Status Refused(const COXRegistryItem& item) {
    return Committed(static_cast<std::uint32_t>(item.LastResult()) & 0xFFFFu);
}

}  // namespace

LoadedGlobalSettings ProfileStore::LoadGlobalSettings() const {
    LoadedGlobalSettings loaded;
    COXRegistryItem item(m_store, kSettingsKey);
    for (const auto& info : GlobalValues()) {
        // The redial values mean something only while redial is enabled.
        const bool redialValue = info.name == "RedialTimeout" || info.name == "RedialAttempts";
        if (redialValue && loaded.settings.enableRedial == 0)
            continue;
        ReadField(item, loaded.settings, info);
    }
    loaded.defaultProfile = item.GetStringValue("Default", true, true);
    return loaded;
}

ProfileRecord ProfileStore::LoadProfile(std::string_view name) const {
    ProfileRecord record;
    record.name = std::string(name);
    record.keyPath = ProfileKeyPath(record.name);
    if (!CheckProfileName(name))
        return record;
    COXRegistryItem item(m_store, record.keyPath);
    const bool stored = item.Open(false, KEY_QUERY_VALUE);
    for (const std::string_view valueName : kProfileLoadOrder) {
        ReadField(item, record, *FindProfileValue(valueName));
    }
    // A profile with nothing stored yet is a new one: it starts with the safe mode.
    record.pop3Security =
        stored ? Pop3SecurityName(Pop3SecurityOf(record.pop3Security)) : kNewProfilePop3Security;
    // A stored form that the cipher cannot take (longer than a password can be) reads as empty.
    auto decipher = [](std::string& password) {
        auto clear = DecipherStoredPassword(password);
        password = clear ? std::move(clear.value()) : std::string();
    };
    decipher(record.password);
    decipher(record.ePassword);
    return record;
}

Status ProfileStore::SaveGlobalSettings(const GlobalSettings& record) const {
    auto tx = m_store.BeginTransaction(RegistryRoot::CurrentUser);
    if (tx->error() != 0)
        return Committed(tx->error());
    COXRegistryItem item(m_store, kSettingsKey);
    for (const auto& info : GlobalValues()) {
        if (!WriteField(item, record, info))
            return Refused(item);
    }
    return Committed(tx->Commit());
}

Status ProfileStore::CheckProfile(const ProfileRecord& record, bool passwordsEnciphered) const {
    Result<ProfileRecord> form = StoredForm(record, passwordsEnciphered);
    if (!form)
        return form.error();
    return Success();
}

Status ProfileStore::SaveProfileValue(const ProfileRecord& record,
                                      const ProfileValueInfo& info) const {
    Result<ProfileRecord> form = StoredForm(record, false);
    if (!form)
        return form.error();
    auto tx = m_store.BeginTransaction(RegistryRoot::CurrentUser);
    if (tx->error() != 0)
        return Committed(tx->error());
    COXRegistryItem item(m_store, ProfileKeyPath(record.name));
    // The first value of a new profile also gives it the mode new profiles start with.
    const bool isNew = !item.Open(false, KEY_QUERY_VALUE);
    if (isNew && info.name != "POP3Security" &&
        !item.SetStringValue(kNewProfilePop3Security, "POP3Security", false)) {
        return Refused(item);
    }
    bool written = false;
    if (const auto* text = std::get_if<std::string ProfileRecord::*>(&info.field)) {
        const std::optional<RegistryValue> old = item.GetRawValue(info.name);
        const bool expandable = old && old->type == RegType::ExpandSz && !info.isPassword;
        written = item.SetStringValue((*form).**text, info.name, expandable);
    } else {
        written = WriteField(item, *form, info);
    }
    if (!written)
        return Refused(item);
    return Committed(tx->Commit());
}

Status ProfileStore::SaveProfile(const ProfileRecord& record, bool passwordsEnciphered) const {
    Result<ProfileRecord> form = StoredForm(record, passwordsEnciphered);
    if (!form)
        return form.error();
    const ProfileRecord& stored = *form;
    auto tx = m_store.BeginTransaction(RegistryRoot::CurrentUser);
    if (tx->error() != 0)
        return Committed(tx->error());
    COXRegistryItem item(m_store, ProfileKeyPath(record.name));
    for (const std::string_view valueName : kProfileSaveOrder) {
        if (!WriteField(item, stored, *FindProfileValue(valueName)))
            return Refused(item);
    }
    return Committed(tx->Commit());
}

Status ProfileStore::ClearProfile(std::string_view name) const {
    if (auto named = CheckProfileName(name); !named)
        return named;
    COXRegistryItem item(m_store, "\\CurrentUser" + ProfileKeyPath(std::string(name)));
    if (item.Delete())
        return Success();
    const auto error = static_cast<std::uint32_t>(item.LastResult()) & 0xFFFFu;
    if (error == win::kFileNotFound)
        return Success();  // nothing stored: already clear
    return Fail("The profile \"" + std::string(name) + "\" could not be cleared.", error);
}

Status ProfileStore::SetDefaultProfile(std::string_view name) const {
    COXRegistryItem item(m_store, kSettingsKey);
    if (item.SetStringValue(name, "Default", false))
        return Success();
    return Fail("The default profile could not be saved.",
                static_cast<std::uint32_t>(item.LastResult()) & 0xFFFFu);
}

Status ProfileStore::SetStartWithWindows(bool on, std::string_view executablePath,
                                         Autostart& autostart) const {
    COXRegistryItem item(m_store, kRunKey);
    item.SetRoot("\\LocalMachine");
    if (!item.SetStringValue(on ? executablePath : std::string_view(), kRunValue, false)) {
        return Fail("The start-up setting could not be saved.",
                    static_cast<std::uint32_t>(item.LastResult()) & 0xFFFFu);
    }
    return on ? autostart.Enable(executablePath) : autostart.Disable();
}

}  // namespace linkvane
