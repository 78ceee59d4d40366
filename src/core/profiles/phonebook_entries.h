#pragma once

// The program's operations on the dial-up phonebook: testing for and listing entries, reading
// an entry's properties for a profile file, creating an entry from a profile file's properties
// with a modem the user picks, storing the dial parameters, and writing an entry's
// terminal-window setting.
//
// The results follow the dial-up service's conventions: EntryExists answers false when the
// phonebook cannot be read, ReadEntryProperties gives zeros for an entry it cannot read,
// CreateEntry answers with a Remote Access error number. User-interface thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/phonebook.h"
#include "core/profiles/ras_entry.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

// The text the modem dialog shows (caption "Error", exclamation icon) when it finds no device.
inline constexpr std::string_view kNoModemsFoundText = "No modems found!";

// One device the modem dialog offers.
struct ModemChoice {
    std::string device;  // the path an entry stores
    std::string detail;  // what the machine says of it ("ttyUSB0, Zoom 56K (cdc_acm)"), or ""

    bool operator==(const ModemChoice&) const = default;
};

// What the modem dialog shows: the devices in the order to list them (the first is
// selected), and a message to show first when there is nothing to choose from.
struct ModemList {
    std::vector<ModemChoice> choices;
    std::string message;  // "", kNoModemsFoundText, or why the devices could not be listed

    std::vector<std::string> Names() const;
};

// The devices of the phonebook, sorted by name (letters compared without case first).
ModemList BuildModemList(Phonebook& phonebook);

// Asks the user for a modem: the GUI's modem dialog (dialog 202, "Modem") and the command line
// implement it. Returns the confirmed device name, or nullopt for Cancel and for OK with
// nothing selected.
class ModemChooser {
  public:
    virtual ~ModemChooser() = default;
    virtual std::optional<std::string> ChooseModem(const ModemList& modems) = 0;
};

// True when the phonebook has an entry of that name in any case (the registry key of its
// settings is the same); false also when it cannot be read.
bool EntryExists(Phonebook& phonebook, std::string_view name);

// The entries for the main window's profile list. Empty when the phonebook is empty or cannot
// be read: the list then keeps what it showed before.
std::vector<std::string> ListEntryNames(Phonebook& phonebook);

// The entry's properties as a profile file carries them; all zeros when the entry cannot be
// read or its properties cannot be encoded.
RasEntryBytes ReadEntryProperties(Phonebook& phonebook, std::string_view name);

// Creates phonebook entries from stored properties. It owns the entry structure that lives for
// the run: its device name starts empty and holds the last device the user confirmed, which
// an entry gets when the user cancels the modem choice. Borrows the phonebook.
class EntryCreator {
  public:
    explicit EntryCreator(Phonebook& phonebook) : m_phonebook(phonebook) {}

    // Asks for a modem, builds the entry from stored (every member but the device name, with
    // size 1768) and writes it under name. An existing entry keeps its line speed, init string
    // and dial parameters. Returns 0, or the Remote Access error (123 for an invalid name,
    // asked before the modem dialog).
    std::uint32_t CreateEntry(std::string_view name, const RasEntry& stored, ModemChooser& chooser);

    const RasEntry& entry() const { return m_entry; }

  private:
    Phonebook& m_phonebook;
    RasEntry m_entry;
};

// Stores the user name and password (given in clear text; kept enciphered) that the phonebook
// remembers for the entry. Fails for a missing entry and for a password the cipher cannot take.
Status StoreDialParams(Phonebook& phonebook, std::string_view entryName, std::string_view userName,
                       std::string_view password);

// The entry's terminal-window setting: the 44-byte binary value "Terminal" of
// "\RemoteAccess\Profile\<entry>\" under the current user, all zero but byte 8, which is 1
// when flag is set and 7 when clear. Returns whether it was written; an invalid entry name
// writes nothing.
bool SetEntryTerminal(RegistryStore& store, std::string_view entryName, bool flag);

}  // namespace linkvane
