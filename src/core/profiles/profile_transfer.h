#pragma once

// Export of a profile, with its phonebook entry and the program-wide values a profile file
// carries, to a profile file; and import of such a file into the phonebook and the profile
// store. The profile editor and the command line share these; the user's answers come in
// through ImportQuestions, which each front end implements.
//
// Import changes nothing before the user has confirmed an overwrite; the profile's values are
// stored at once (as one save), the program-wide values are returned for the caller to keep or
// drop. User-interface thread only.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "core/profiles/phonebook_entries.h"
#include "core/profiles/profile_file.h"
#include "core/profiles/profile_store.h"
#include "core/util/result.h"

namespace linkvane {

inline constexpr std::string_view kOverwriteEntryQuestion =
    "This entry currently exists. If you continue, then the existing\n"
    "entry will be over-written with the settings from the imported\n"
    "file.\n\nDo you wish to continue?";
inline constexpr std::string_view kEntryNotCreatedText =
    "Unable to create entry. Is Dialup Networking installed?";

class ImportQuestions : public ModemChooser {
  public:
    // Asked when a phonebook entry of exactly the file's name exists; false ends the import.
    virtual bool ConfirmOverwrite(std::string_view entryName) = 0;
    // The phonebook refused the entry (kEntryNotCreatedText, caption "Error: " and the number);
    // the import goes on.
    virtual void EntryNotCreated(std::uint32_t error) = 0;
};

// Writes record (with globals and the phonebook entry of the same name) to path. Fails with the
// value's field named when a value does not fit the file, or with "File open failed.".
Status ExportProfile(const ProfileRecord& record, const GlobalSettings& globals,
                     Phonebook& phonebook, const std::filesystem::path& path);

struct ImportedProfile {
    ProfileFile file;              // what the file held; program-wide values via ApplyFileToGlobals
    ProfileRecord profile;         // the profile as stored and loaded back
    std::uint32_t entryError = 0;  // the phonebook's refusal, 0 when the entry was created
};

// True for a whole profile file whose profile name field is empty: such a file imports
// nothing and says nothing, whatever its other fields hold.
bool NamesNoProfile(std::span<const std::uint8_t> bytes);

// nullopt when nothing was imported without a fault: the file names no profile, or the user
// declined to overwrite. keepTweak supplies "Tweak", which the file does not carry; the other
// values it does not carry ("RedialPause", "Reconnect") stay as the profile had them.
Result<std::optional<ImportedProfile>> ImportProfile(const std::filesystem::path& path,
                                                     const ProfileStore& store,
                                                     Phonebook& phonebook, EntryCreator& creator,
                                                     ImportQuestions& questions,
                                                     std::int32_t keepTweak);

}  // namespace linkvane
