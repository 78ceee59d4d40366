#pragma once

// PhonebookFile: the dial-up phonebook on Linux, one JSON file (normally
// $XDG_CONFIG_HOME/linkvane/phonebook.json, mode 0600 because it holds the dial logins):
//
//   { "version": 1,
//     "entries": [ { "name": "...", <every RasEntry member by its table name>,
//                    "lineSpeed": 115200, "initString": "ATZ",
//                    "alternateNumbers": [ "5552", ... ],   (only when there are some)
//                    "dialParams": { "userName": "...", "encipheredPassword": "1F2E..." } },
//                  ... ],
//     "devices": [ "/dev/pts/3", ... ] }
//
// The dial password is never written as clear text: "encipheredPassword" holds the hex digits
// of the form the settings store keeps a profile's password in (password_cipher.h). Files of
// earlier versions hold a clear-text "password" instead; they load, and the next change
// rewrites them in the enciphered form (a clear-text copy the cipher cannot take is dropped).
//
// IP addresses are dotted quads ("10.0.0.1"). A missing member takes its default; a member of
// the wrong type, a duplicate or invalid entry name, or text that does not fit its record field
// makes the whole file damaged.
//
// Every call reads the file afresh, without blocking: anything but a regular file there (a
// named pipe, a folder) is refused (621), and so is a settings folder that is a file. Changes
// lock the phonebook's directory (flock), read, and replace the file atomically (a temporary
// file of one fixed name in the same directory, fsync, rename, fsync of the directory), so a
// crash leaves the old or the new phonebook, the next change takes over what a killed writer
// left, and concurrent processes do not lose each other's changes. A damaged file is reported (625)
// and never overwritten: changes are refused until the user repairs or removes it. A missing file
// is an empty phonebook.
//
// Devices: the serial ports that the port source finds (core/profiles/serial_ports.h: real
// UARTs, ttyUSB, ttyACM; each by its /dev/serial/by-id name where udev made one, with what
// the machine says of it), and the devices the user added (listed whether or not they exist
// now). Ports that cannot be listed leave only the added devices.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/phonebook.h"
#include "core/profiles/serial_ports.h"
#include "core/util/result.h"

namespace linkvane {

// The contents of a phonebook file.
struct PhonebookData {
    std::vector<PhonebookEntry> entries;
    std::vector<std::string> addedDevices;

    bool operator==(const PhonebookData&) const = default;
};

// Parses and checks a phonebook file's text. Never throws; the error says what is wrong.
Result<PhonebookData> ParsePhonebook(std::string_view text);
// The text of a phonebook file; fails only for data that ParsePhonebook would refuse.
Result<std::string> SerializePhonebook(const PhonebookData& data);

// LinkvaneConfigDir()/"phonebook.json".
std::filesystem::path DefaultPhonebookPath();

class PhonebookFile final : public Phonebook {
  public:
    // ports finds the machine's serial ports (udev when none is given).
    explicit PhonebookFile(std::filesystem::path file = DefaultPhonebookPath(),
                           std::shared_ptr<TtySource> ports = nullptr);

    Result<std::vector<std::string>> ListEntries() override;
    Result<std::optional<PhonebookEntry>> ReadEntry(std::string_view name) override;
    Status WriteEntry(const PhonebookEntry& entry) override;
    Status RemoveEntry(std::string_view name) override;
    Status SetDialParams(std::string_view name, const DialParams& params) override;
    Result<std::vector<DeviceInfo>> EnumDevices() override;
    Status AddDevice(std::string_view path) override;
    Status RemoveDevice(std::string_view path) override;
    TtySource* Ports() override { return m_ports.get(); }

    const std::filesystem::path& path() const { return m_file; }

  private:
    Result<PhonebookData> Load() const;
    // Runs change on the current contents under the directory lock and stores the result.
    template <typename Change>
    Status Modify(Change change);
    Status Save(const PhonebookData& data) const;

    std::filesystem::path m_file;
    std::shared_ptr<TtySource> m_ports;
};

}  // namespace linkvane
