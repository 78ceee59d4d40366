#pragma once

// Phonebook: the dial-up phonebook that profiles are tied to (a profile's name is an entry's
// name). Each entry holds the Remote Access entry properties, the dial parameters the service
// remembers for it, and what dialling on Linux needs (line speed and modem init string; the
// properties' deviceName is the modem's device path). The phonebook also lists the machine's
// dial-up devices and the devices the user added by path.
//
// Entry names compare without regard to ASCII case, as the registry keys of their profiles do:
// "isp" names the entry "ISP", and writing it replaces that entry, which keeps its own name.
// Failures carry Remote Access error numbers where the service has one (623 no such entry, 621
// phonebook cannot be opened, 624 cannot be written, 625 damaged, 608 no such device) and 123 for
// an invalid entry name.
//
// An implementation keeps no state between calls that another process could make stale; one
// thread at a time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/ras_entry.h"
#include "core/profiles/serial_ports.h"
#include "core/util/result.h"
#include "core/util/win_error.h"

namespace linkvane {

// Limits of the Remote Access structures: user names and passwords (UNLEN and PWLEN 256), all
// in bytes. An entry name is also its profile's registry key name, which holds 255 bytes at
// most: the structure's 256 would admit a name whose settings cannot be stored.
inline constexpr std::size_t kMaxEntryNameLength = 255;
inline constexpr std::size_t kMaxDialParamLength = 256;
inline constexpr std::size_t kMaxInitStringLength = 256;
// Numbers an entry holds beside its own, tried in turn when a call fails.
inline constexpr std::size_t kMaxAlternateNumbers = 4;

// The login the phonebook remembers for an entry. Nothing dials with it (Connect takes the
// profile's own); a phonebook keeps the password only in the settings store's enciphered form,
// so it holds what the password cipher takes (at most 39 characters of Windows-1252).
struct DialParams {
    std::string userName;
    std::string password;  // clear text

    bool operator==(const DialParams&) const = default;
};

struct PhonebookEntry {
    std::string name;
    RasEntry properties;
    std::uint32_t lineSpeed = 115200;  // bits per second on the serial line
    std::string initString = "ATZ";    // sent to the modem before dialling
    // Up to kMaxAlternateNumbers numbers dialled in turn after the entry's own (its local
    // phone number), with the entry's area and country codes when it uses them. Profile files
    // do not carry them.
    std::vector<std::string> alternateNumbers;
    std::optional<DialParams> dialParams;

    bool operator==(const PhonebookEntry&) const = default;
};

struct DeviceInfo {
    std::string type;    // "modem"
    std::string name;    // device path, e.g. /dev/serial/by-id/usb-Zoom_56K-if00, /dev/ttyS0
    std::string detail;  // what the machine says of it ("ttyUSB0, Zoom 56K (cdc_acm)"), or ""

    bool operator==(const DeviceInfo&) const = default;
};

class Phonebook {
  public:
    virtual ~Phonebook() = default;

    // Entry names in the phonebook's order.
    virtual Result<std::vector<std::string>> ListEntries() = 0;
    // nullopt when there is no entry of that name (in any case).
    virtual Result<std::optional<PhonebookEntry>> ReadEntry(std::string_view name) = 0;
    // Creates the entry, or replaces every member of the entry with that name. Refuses an
    // entry that ValidatePhonebookEntry refuses.
    virtual Status WriteEntry(const PhonebookEntry& entry) = 0;
    virtual Status RemoveEntry(std::string_view name) = 0;
    // Stores the user name and password the service remembers for an existing entry.
    virtual Status SetDialParams(std::string_view name, const DialParams& params) = 0;
    // The machine's serial ports (each by its stable path) and the devices the user added,
    // without duplicates.
    virtual Result<std::vector<DeviceInfo>> EnumDevices() = 0;
    // Adds a device by its absolute path; it must exist as a character device then.
    virtual Status AddDevice(std::string_view path) = 0;
    // Forgets a device the user added (608 when it was not added).
    virtual Status RemoveDevice(std::string_view path) = 0;
    // Where EnumDevices finds the machine's serial ports, for following them as they come and
    // go; nullptr when this phonebook cannot follow them.
    virtual TtySource* Ports() { return nullptr; }
};

// An entry name: not empty, at most kMaxEntryNameLength bytes of valid UTF-8, no path
// separator ('/' or '\', which would also split its registry key), no control character,
// not "." or "..". Failures have code 123.
Status ValidateEntryName(std::string_view name);
// What the user is told of an entry the phonebook does not have.
std::string NoSuchEntryText(std::string_view name);
// The name; properties that fit the record; a non-zero line speed; an init string without
// control characters (a line break would start a second modem command); at most
// kMaxAlternateNumbers alternate numbers that ValidateAlternateNumber takes; dial parameters of
// UTF-8 text without zero characters, a password the cipher can take. Each text within its
// limit. Numbers are only checked for control characters here, so that a stored or imported
// entry always loads; entries the user makes are held to CheckDialCharacters as well.
Status ValidatePhonebookEntry(const PhonebookEntry& entry);
// One alternate number: not empty, at most kRasMaxPhoneNumber bytes of UTF-8 without control
// characters.
Status ValidateAlternateNumber(std::string_view number);
// The digits and dial modifiers a modem takes: 0-9 * # , W P T ! @ A-D (either case).
bool IsDialCharacter(char c);
// A number the user types holds only dial characters and the blanks, dashes, dots, slashes and
// brackets that people write in numbers. Anything else could end the ATDT command and start another
// (";", a line break), so it fails (87), naming `what`.
Status CheckDialCharacters(std::string_view what, std::string_view number);
// A device path the user may add: absolute, at most 128 bytes of UTF-8 without control
// characters (it must fit the entry's deviceName). Says nothing about its existence.
Status ValidateDevicePath(std::string_view path);

}  // namespace linkvane
