#include "core/profiles/profile_editor.h"

#include <charconv>
#include <limits>

#include "core/profiles/password_cipher.h"
#include "core/profiles/phonebook_entries.h"

namespace linkvane {

namespace {

// Digits with an optional sign, blanks around them allowed; nothing else.
template <typename T>
Result<T> ParseField(std::string_view label, std::string_view text, const char* wanted) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return Fail("Please enter " + std::string(wanted) + " in \"" + std::string(label) +
                    "\" (at most " + std::to_string(std::numeric_limits<T>::max()) + ").");
    }
    return value;
}

}  // namespace

ProfileEditorData LoadEditorData(const ProfileStore& store, std::string_view profileName) {
    ProfileEditorData data;
    data.globals = store.LoadGlobalSettings().settings;
    SwitchEditorProfile(store, data, profileName);
    return data;
}

void SwitchEditorProfile(const ProfileStore& store, ProfileEditorData& data,
                         std::string_view name) {
    data.profileName = std::string(name);
    data.profile = store.LoadProfile(name);
    data.isDefault = data.HasProfile() && store.LoadGlobalSettings().defaultProfile == name;
}

void ActivateAdvancedPage(ProfileRecord& profile) {
    profile.keepAliveEnabled = HostEnablesKeepAlive(profile.pingHost);
    if (!profile.keepAliveEnabled) {
        profile.pingHost.clear();
        profile.pingFreq = 0;
    }
}

void ToggleKeepAlive(ProfileRecord& profile) {
    if (profile.keepAliveEnabled) {
        profile.pingHost.clear();
        profile.pingFreq = 0;
    }
    profile.keepAliveEnabled = !profile.keepAliveEnabled;
}

Result<std::int32_t> ParseSignedField(std::string_view label, std::string_view text) {
    return ParseField<std::int32_t>(label, text, "a whole number");
}

Result<std::uint32_t> ParseUnsignedField(std::string_view label, std::string_view text) {
    // from_chars takes no minus sign for an unsigned number, so "-1" is refused, not wrapped.
    return ParseField<std::uint32_t>(label, text, "a positive whole number");
}

Status CheckPasswordField(std::string_view label, std::string_view text) {
    if (EncipherPassword(text))
        return Success();
    return Fail("Please enter a password of at most " + std::to_string(kMaxPasswordLength) +
                " characters of the Windows Western character set (1252) in \"" +
                std::string(label) + "\".");
}

Status SaveEditorData(const ProfileStore& store, Phonebook& phonebook,
                      const ProfileEditorData& data) {
    ProfileRecord record = data.profile;
    record.name = data.profileName;
    record.keyPath = ProfileKeyPath(record.name);
    // A refusal found after the settings were written would keep them and lose the profile.
    if (data.HasProfile()) {
        if (Status fits = store.CheckProfile(record, false); !fits)
            return fits;
    }
    if (Status saved = store.SaveGlobalSettings(data.globals); !saved)
        return saved;
    if (!data.HasProfile())
        return Success();
    // The phonebook remembers the login too; the profile's own copy is what Connect dials with,
    // so the profile is saved even when the phonebook cannot keep it, and then that is said.
    const Status dialParams =
        StoreDialParams(phonebook, data.profileName, data.profile.login, data.profile.password);
    if (Status saved = store.SaveProfile(record, false); !saved)
        return saved;
    if (!dialParams) {
        return Fail("The profile was saved, but the phonebook could not keep its login: " +
                        dialParams.error().message,
                    dialParams.error().code);
    }
    return Success();
}

}  // namespace linkvane
