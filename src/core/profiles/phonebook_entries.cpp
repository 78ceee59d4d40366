#include "core/profiles/phonebook_entries.h"

#include <algorithm>

#include "core/profiles/registry_item.h"
#include "core/util/text.h"

namespace linkvane {

namespace {

constexpr std::size_t kTerminalBlockSize = 44;
constexpr std::size_t kTerminalFlagOffset = 8;
constexpr std::uint8_t kTerminalOn = 1;
constexpr std::uint8_t kTerminalOff = 7;
constexpr std::string_view kRemoteAccessProfileKey = "\\RemoteAccess\\Profile\\";

}  // namespace

std::vector<std::string> ModemList::Names() const {
    std::vector<std::string> names;
    for (const ModemChoice& choice : choices)
        names.push_back(choice.device);
    return names;
}

ModemList BuildModemList(Phonebook& phonebook) {
    ModemList list;
    Result<std::vector<DeviceInfo>> devices = phonebook.EnumDevices();
    if (!devices) {
        list.message = devices.error().Describe();
        return list;
    }
    for (const DeviceInfo& device : *devices)
        list.choices.push_back({device.name, device.detail});
    // The dialog's list box sorts like a Windows list box: letters without regard to case;
    // the exact bytes break ties so that the order is total.
    std::sort(list.choices.begin(), list.choices.end(),
              [](const ModemChoice& a, const ModemChoice& b) {
                  const std::string foldedA = AsciiFold(a.device);
                  const std::string foldedB = AsciiFold(b.device);
                  return foldedA != foldedB ? foldedA < foldedB : a.device < b.device;
              });
    if (list.choices.empty())
        list.message = std::string(kNoModemsFoundText);
    return list;
}

bool EntryExists(Phonebook& phonebook, std::string_view name) {
    const std::vector<std::string> names = ListEntryNames(phonebook);
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& entry) { return EqualsIgnoreCase(entry, name); });
}

std::vector<std::string> ListEntryNames(Phonebook& phonebook) {
    Result<std::vector<std::string>> names = phonebook.ListEntries();
    if (!names)
        return {};
    return std::move(names).value();
}

RasEntryBytes ReadEntryProperties(Phonebook& phonebook, std::string_view name) {
    Result<std::optional<PhonebookEntry>> entry = phonebook.ReadEntry(name);
    if (!entry || !entry->has_value())
        return RasEntryBytes{};
    Result<RasEntryBytes> bytes = EncodeRasEntry((*entry)->properties);
    if (!bytes)
        return RasEntryBytes{};
    return *bytes;
}

std::uint32_t EntryCreator::CreateEntry(std::string_view name, const RasEntry& stored,
                                        ModemChooser& chooser) {
    if (Status valid = ValidateEntryName(name); !valid)
        return valid.error().code;

    std::optional<std::string> chosen = chooser.ChooseModem(BuildModemList(m_phonebook));
    // Cancel, or OK with nothing selected, keeps the device last confirmed in this run.
    std::string deviceName = chosen ? std::move(*chosen) : m_entry.deviceName;
    m_entry = stored;
    m_entry.deviceName = std::move(deviceName);
    m_entry.size = static_cast<std::uint32_t>(kRasEntrySize);

    PhonebookEntry entry;
    Result<std::optional<PhonebookEntry>> existing = m_phonebook.ReadEntry(name);
    if (existing && existing->has_value())
        entry = std::move(**existing);
    entry.name = std::string(name);
    entry.properties = m_entry;
    Status written = m_phonebook.WriteEntry(entry);
    if (written)
        return 0;
    return written.error().code != 0 ? written.error().code : ras::kCannotWritePhonebook;
}

Status StoreDialParams(Phonebook& phonebook, std::string_view entryName, std::string_view userName,
                       std::string_view password) {
    return phonebook.SetDialParams(entryName,
                                   DialParams{std::string(userName), std::string(password)});
}

bool SetEntryTerminal(RegistryStore& store, std::string_view entryName, bool flag) {
    // A name with a backslash would write under another key; the phonebook refuses such
    // names anyway.
    if (!ValidateEntryName(entryName))
        return false;
    std::vector<std::uint8_t> block(kTerminalBlockSize, 0);
    block[kTerminalFlagOffset] = flag ? kTerminalOn : kTerminalOff;
    std::string path(kRemoteAccessProfileKey);
    path.append(entryName);
    path.push_back('\\');
    COXRegistryItem item(store, path);
    return item.SetBinaryValue(block, "Terminal");
}

}  // namespace linkvane
