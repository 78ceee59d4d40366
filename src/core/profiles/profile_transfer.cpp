#include "core/profiles/profile_transfer.h"

#include "core/profiles/profile_file_io.h"
#include "core/util/win_error.h"

namespace linkvane {

bool NamesNoProfile(std::span<const std::uint8_t> bytes) {
    // The name field follows the phonebook part.
    return bytes.size() == kProfileFileSize && bytes[kProfileFilePhonebookSize] == 0;
}

Status ExportProfile(const ProfileRecord& record, const GlobalSettings& globals,
                     Phonebook& phonebook, const std::filesystem::path& path) {
    const ProfileFile file =
        MakeProfileFile(record, globals, ReadEntryProperties(phonebook, record.name));
    auto bytes = EncodeProfileFile(file);
    if (!bytes)
        return bytes.error();
    return WriteProfileFileBytes(path, bytes.value());
}

Result<std::optional<ImportedProfile>> ImportProfile(const std::filesystem::path& path,
                                                     const ProfileStore& store,
                                                     Phonebook& phonebook, EntryCreator& creator,
                                                     ImportQuestions& questions,
                                                     std::int32_t keepTweak) {
    auto bytes = ReadProfileFileBytes(path);
    if (!bytes)
        return bytes.error();
    const std::vector<std::uint8_t>& raw = bytes.value();
    if (NamesNoProfile(raw))
        return std::optional<ImportedProfile>();
    auto decoded = DecodeProfileFile(raw);
    if (!decoded)
        return decoded.error();
    ImportedProfile imported;
    imported.file = std::move(decoded.value());
    const std::string& name = imported.file.name;
    if (name.empty())
        return std::optional<ImportedProfile>();
    // A name that could not be a phonebook entry would reach the registry and the file system.
    if (auto valid = ValidateEntryName(name); !valid) {
        return Fail("The profile file names its profile \"" + name +
                        "\", which cannot be used: " + valid.error().message,
                    valid.error().code);
    }
    // Everything the save would refuse is found now, before the phonebook changes: a refusal
    // after the entry was written would leave half an import.
    // What the file does not carry: Tweak as the caller says, the redial values the profile's
    // own (none for a new profile).
    ProfileRecord keep;
    keep.tweak = keepTweak;
    const ProfileRecord own = store.LoadProfile(name);
    keep.redialPause = own.redialPause;
    keep.reconnect = own.reconnect;
    const ProfileRecord record = ProfileRecordFromFile(imported.file, keep);
    if (auto fits = store.CheckProfile(record, false); !fits)
        return fits.error();
    if (EntryExists(phonebook, name) && !questions.ConfirmOverwrite(name)) {
        return std::optional<ImportedProfile>();
    }

    auto properties = DecodeRasEntry(imported.file.phonebookPart);
    imported.entryError =
        properties ? creator.CreateEntry(name, properties.value(), questions) : win::kInvalidData;
    if (imported.entryError != 0)
        questions.EntryNotCreated(imported.entryError);

    // The file's passwords were deciphered and converted on reading; saving enciphers them
    // again, which gives back the file's own bytes.
    if (auto saved = store.SaveProfile(record, false); !saved) {
        return saved.error();
    }
    imported.profile = store.LoadProfile(name);
    return std::optional<ImportedProfile>(std::move(imported));
}

}  // namespace linkvane
