#include "platform/phonebook_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <unordered_set>
#include <utility>

#include "core/profiles/password_cipher.h"
#include "core/util/atomic_file.h"
#include "core/util/file_descriptor.h"
#include "core/util/text.h"
#include "platform/udev_ports.h"
#include "platform/xdg_paths.h"

namespace linkvane {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kFileFormatVersion = 1;
constexpr std::string_view kEncipheredPassword = "encipheredPassword";
// A phonebook of a few hundred entries is well below this; a larger file is not ours.
constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;
// The format nests three levels deep; anything much deeper is not a phonebook.
constexpr int kMaxDepth = 8;

// Whether JSON text opens more than limit arrays or objects inside each other; brackets in
// strings do not count. Malformed text is left for the parser to judge.
bool NestsDeeperThan(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > limit)
                return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

std::string ErrnoText() {
    return std::strerror(errno);
}

// ---- JSON to phonebook ----

std::string FormatAddress(const IpAddressBytes& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + "." + std::to_string(address[3]);
}

std::optional<IpAddressBytes> ParseAddress(std::string_view text) {
    IpAddressBytes address{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < address.size(); ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && pos - start < 4 && text[pos] >= '0' && text[pos] <= '9')
            ++pos;
        unsigned value = 0;
        const std::size_t digits = pos - start;
        if (digits == 0 || digits > 3)
            return std::nullopt;
        std::from_chars(text.data() + start, text.data() + pos, value);
        if (value > 255)
            return std::nullopt;
        address[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size())
        return std::nullopt;
    return address;
}

// Reads the members of one JSON object, naming the place of any fault ("entries[2].areaCode").
class ObjectReader {
  public:
    ObjectReader(const Json& object, std::string where)
        : m_object(object), m_where(std::move(where)) {}

    Status Number(std::string_view key, std::uint32_t& out) const {
        const Json* value = Find(key);
        if (value == nullptr)
            return Success();
        if (!value->is_number_unsigned() ||
            value->get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max()) {
            return Wrong(key, "a whole number from 0 to 4294967295");
        }
        out = static_cast<std::uint32_t>(value->get<std::uint64_t>());
        return Success();
    }

    Status Text(std::string_view key, std::string& out) const {
        const Json* value = Find(key);
        if (value == nullptr)
            return Success();
        if (!value->is_string())
            return Wrong(key, "a string");
        out = value->get<std::string>();
        return Success();
    }

    Status Texts(std::string_view key, std::vector<std::string>& out) const {
        const Json* value = Find(key);
        if (value == nullptr)
            return Success();
        if (!value->is_array() ||
            !std::all_of(value->begin(), value->end(), [](const Json& v) { return v.is_string(); }))
            return Wrong(key, "an array of strings");
        out = value->get<std::vector<std::string>>();
        return Success();
    }

    Status Address(std::string_view key, IpAddressBytes& out) const {
        std::string text = FormatAddress(out);
        if (Status read = Text(key, text); !read)
            return Wrong(key, "an IPv4 address such as \"10.0.0.1\"");
        std::optional<IpAddressBytes> address = ParseAddress(text);
        if (!address)
            return Wrong(key, "an IPv4 address such as \"10.0.0.1\"");
        out = *address;
        return Success();
    }

    const Json* Find(std::string_view key) const {
        auto it = m_object.find(key);
        return it == m_object.end() ? nullptr : &*it;
    }

    std::string Place(std::string_view key) const { return m_where + "." + std::string(key); }

  private:
    Status Wrong(std::string_view key, std::string_view expected) const {
        return Fail(Place(key) + " must be " + std::string(expected) + ".");
    }

    const Json& m_object;
    std::string m_where;
};

// The dial password's stored form, the settings store's enciphered bytes, as hex digits.
std::string EncipheredHex(std::string_view stored) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : stored) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::optional<std::string> StoredFormOfHex(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string stored;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned byte = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (error != std::errc() || end != hex.data() + i + 2 || byte == 0)
            return std::nullopt;
        stored += static_cast<char>(byte);
    }
    return stored;
}

// The clear text of an entry's dial password: from its enciphered form, or from the clear-text
// copy that older files hold. Such a copy the cipher cannot take is dropped: nothing dials with
// it, and the file is never to hold it again.
Result<std::string> ReadDialPassword(const ObjectReader& params) {
    std::string hex;
    if (const Json* enciphered = params.Find(kEncipheredPassword); enciphered != nullptr) {
        const std::string place = params.Place(kEncipheredPassword);
        if (Status read = params.Text(kEncipheredPassword, hex); !read)
            return read.error();
        const std::optional<std::string> stored = StoredFormOfHex(hex);
        Result<std::string> clear = stored ? DecipherPassword(*stored) : Fail("");
        if (!clear)
            return Fail(place + " must be the hex digits of an enciphered password.");
        return clear;
    }
    std::string legacy;
    if (Status read = params.Text("password", legacy); !read)
        return read.error();
    return EncipherPassword(legacy) ? legacy : std::string();
}

Result<PhonebookEntry> ParseEntry(const Json& object, const std::string& where) {
    if (!object.is_object())
        return Fail(where + " must be an object.");
    ObjectReader reader(object, where);
    PhonebookEntry entry;
    const Json* name = reader.Find("name");
    if (name == nullptr || !name->is_string())
        return Fail(reader.Place("name") + " must be a string.");
    entry.name = name->get<std::string>();
    for (const RasNumberField& field : kRasNumberFields) {
        if (Status read = reader.Number(field.name, entry.properties.*field.member); !read)
            return read.error();
    }
    for (const RasTextField& field : kRasTextFields) {
        if (Status read = reader.Text(field.name, entry.properties.*field.member); !read)
            return read.error();
    }
    for (const RasAddressField& field : kRasAddressFields) {
        if (Status read = reader.Address(field.name, entry.properties.*field.member); !read)
            return read.error();
    }
    if (Status read = reader.Number("lineSpeed", entry.lineSpeed); !read)
        return read.error();
    if (Status read = reader.Text("initString", entry.initString); !read)
        return read.error();
    if (Status read = reader.Texts("alternateNumbers", entry.alternateNumbers); !read)
        return read.error();
    if (const Json* params = reader.Find("dialParams"); params != nullptr && !params->is_null()) {
        if (!params->is_object())
            return Fail(reader.Place("dialParams") + " must be an object.");
        ObjectReader paramsReader(*params, reader.Place("dialParams"));
        DialParams dial;
        if (Status read = paramsReader.Text("userName", dial.userName); !read)
            return read.error();
        Result<std::string> password = ReadDialPassword(paramsReader);
        if (!password)
            return password.error();
        dial.password = std::move(password.value());
        entry.dialParams = std::move(dial);
    }
    if (Status valid = ValidatePhonebookEntry(entry); !valid) {
        return Fail(where + ": " + valid.error().message);
    }
    return entry;
}

Result<PhonebookData> ParseDocument(const Json& doc) {
    if (!doc.is_object())
        return Fail("The phonebook must be a JSON object.");
    ObjectReader reader(doc, "phonebook");
    if (const Json* version = reader.Find("version"); version != nullptr) {
        if (!version->is_number_unsigned() || version->get<std::uint64_t>() != kFileFormatVersion) {
            return Fail("The phonebook has a format version other than " +
                        std::to_string(kFileFormatVersion) + ".");
        }
    }
    PhonebookData data;
    // Names are one entry whatever their case, as their registry keys are; a set keeps the
    // check linear in the number of entries.
    std::unordered_set<std::string> folded;
    if (const Json* entries = reader.Find("entries"); entries != nullptr) {
        if (!entries->is_array())
            return Fail("phonebook.entries must be an array.");
        for (std::size_t i = 0; i < entries->size(); ++i) {
            Result<PhonebookEntry> entry =
                ParseEntry((*entries)[i], "phonebook.entries[" + std::to_string(i) + "]");
            if (!entry)
                return entry.error();
            if (!folded.insert(AsciiFold(entry->name)).second) {
                return Fail("The phonebook has two entries named \"" + entry->name +
                            "\" (names differ in case only).");
            }
            data.entries.push_back(std::move(entry).value());
        }
    }
    if (const Json* devices = reader.Find("devices"); devices != nullptr) {
        if (!devices->is_array())
            return Fail("phonebook.devices must be an array.");
        for (std::size_t i = 0; i < devices->size(); ++i) {
            const Json& device = (*devices)[i];
            const std::string where = "phonebook.devices[" + std::to_string(i) + "]";
            if (!device.is_string())
                return Fail(where + " must be a string.");
            std::string path = device.get<std::string>();
            if (Status valid = ValidateDevicePath(path); !valid) {
                return Fail(where + ": " + valid.error().message);
            }
            if (std::find(data.addedDevices.begin(), data.addedDevices.end(), path) ==
                data.addedDevices.end()) {
                data.addedDevices.push_back(std::move(path));
            }
        }
    }
    return data;
}

// ---- phonebook to JSON ----

Result<Json> EntryToJson(const PhonebookEntry& entry) {
    // The record's members in the record's order, so that the file reads like its layout.
    std::vector<std::pair<std::size_t, std::pair<std::string, Json>>> members;
    for (const RasNumberField& field : kRasNumberFields) {
        members.push_back(
            {field.offset, {std::string(field.name), entry.properties.*field.member}});
    }
    for (const RasTextField& field : kRasTextFields) {
        members.push_back(
            {field.offset, {std::string(field.name), entry.properties.*field.member}});
    }
    for (const RasAddressField& field : kRasAddressFields) {
        members.push_back(
            {field.offset,
             {std::string(field.name), FormatAddress(entry.properties.*field.member)}});
    }
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    Json object = Json::object();
    object["name"] = entry.name;
    for (auto& [offset, member] : members)
        object[member.first] = std::move(member.second);
    object["lineSpeed"] = entry.lineSpeed;
    object["initString"] = entry.initString;
    if (!entry.alternateNumbers.empty())
        object["alternateNumbers"] = entry.alternateNumbers;
    if (entry.dialParams) {
        Result<std::string> stored = EncipherPassword(entry.dialParams->password);
        if (!stored)
            return stored.error();
        object["dialParams"] = {{"userName", entry.dialParams->userName},
                                {kEncipheredPassword, EncipheredHex(*stored)}};
    }
    return object;
}

// ---- devices ----

Error OpenError(const std::filesystem::path& file, const std::string& why) {
    return Fail("Cannot open the phonebook " + file.string() + ": " + why,
                ras::kCannotOpenPhonebook);
}

Error WriteError(const std::filesystem::path& file, const std::string& why) {
    return Fail("Cannot write the phonebook " + file.string() + ": " + why,
                ras::kCannotWritePhonebook);
}

Error NoSuchEntry(std::string_view name) {
    return Fail("There is no phonebook entry named \"" + std::string(name) + "\".",
                ras::kCannotFindPhonebookEntry);
}

PhonebookEntry* FindEntry(PhonebookData& data, std::string_view name) {
    auto it = std::find_if(data.entries.begin(), data.entries.end(),
                           [&](const PhonebookEntry& e) { return EqualsIgnoreCase(e.name, name); });
    return it == data.entries.end() ? nullptr : &*it;
}

}  // namespace

Result<PhonebookData> ParsePhonebook(std::string_view text) {
    if (text.size() > kMaxFileSize) {
        return Fail("The phonebook is larger than " + std::to_string(kMaxFileSize) + " bytes.");
    }
    // Checked before the parse, so that a hostile file costs neither stack nor memory. (The
    // parser's own callback for this rescans the enclosing array at every object's end, which
    // made a phonebook of many entries quadratic.)
    if (NestsDeeperThan(text, kMaxDepth))
        return Fail("The phonebook nests values deeper than its format allows.");
    try {
        const Json doc = Json::parse(text.begin(), text.end());
        return ParseDocument(doc);
    } catch (const Json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 1, ..." without the tag.
        std::string what = e.what();
        if (const std::size_t tag = what.find("] "); tag != std::string::npos)
            what.erase(0, tag + 2);
        return Fail("The phonebook is not valid JSON: " + what);
    } catch (const std::exception& e) {
        return Fail(std::string("The phonebook cannot be read: ") + e.what());
    }
}

Result<std::string> SerializePhonebook(const PhonebookData& data) {
    Json doc = Json::object();
    doc["version"] = kFileFormatVersion;
    doc["entries"] = Json::array();
    for (const PhonebookEntry& entry : data.entries) {
        if (Status valid = ValidatePhonebookEntry(entry); !valid)
            return valid.error();
        Result<Json> object = EntryToJson(entry);
        if (!object)
            return object.error();
        doc["entries"].push_back(std::move(object.value()));
    }
    doc["devices"] = Json::array();
    for (const std::string& device : data.addedDevices) {
        if (Status valid = ValidateDevicePath(device); !valid)
            return valid.error();
        doc["devices"].push_back(device);
    }
    try {
        return doc.dump(2) + "\n";
    } catch (const std::exception& e) {
        return Fail(std::string("The phonebook cannot be written as text: ") + e.what());
    }
}

std::filesystem::path DefaultPhonebookPath() {
    return LinkvaneConfigDir() / "phonebook.json";
}

PhonebookFile::PhonebookFile(std::filesystem::path file, std::shared_ptr<TtySource> ports)
    : m_file(std::move(file)),
      m_ports(ports != nullptr ? std::move(ports) : std::make_shared<UdevTtySource>()) {}

Result<PhonebookData> PhonebookFile::Load() const {
    // Non-blocking: a named pipe put in the file's place must not hang every command.
    FileDescriptor fd(::open(m_file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return PhonebookData{};
        if (errno == ENOTDIR)
            return OpenError(m_file,
                             "its folder " + m_file.parent_path().string() + " is not a folder");
        return OpenError(m_file, ErrnoText());
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return OpenError(m_file, ErrnoText());
    if (!S_ISREG(info.st_mode))
        return OpenError(m_file, "it is not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileSize) {
        return OpenError(m_file, "it is larger than " + std::to_string(kMaxFileSize) + " bytes");
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return OpenError(m_file, ErrnoText());
        if (got == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kMaxFileSize)
            return OpenError(m_file, "it grew while being read");
    }
    Result<PhonebookData> data = ParsePhonebook(text);
    if (!data) {
        return Fail("The phonebook " + m_file.string() + " is damaged and was left as it is. " +
                        data.error().message + " Repair or remove the file.",
                    ras::kCorruptPhonebook);
    }
    return data;
}

template <typename Change>
Status PhonebookFile::Modify(Change change) {
    const std::filesystem::path dir = m_file.parent_path();
    if (Status made = EnsurePrivateDirectory(dir); !made) {
        return WriteError(m_file, made.error().message);
    }
    FileDescriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid())
        return WriteError(m_file, ErrnoText());
    // Another process (a second instance, the command line) changes the phonebook the same way.
    while (::flock(dirFd.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return WriteError(m_file, ErrnoText());
    }
    Result<PhonebookData> data = Load();
    if (!data)
        return data.error();
    if (Status changed = change(*data); !changed)
        return changed;
    return Save(*data);
}

Status PhonebookFile::Save(const PhonebookData& data) const {
    Result<std::string> text = SerializePhonebook(data);
    if (!text)
        return WriteError(m_file, text.error().message);
    // Private: the file holds the stored dial passwords. Writers hold the directory lock.
    const AtomicWriteOptions options{.mode = 0600, .followLinks = true, .writersLocked = true};
    if (const auto failure = ReplaceFileAtomically(m_file, text.value(), options))
        return WriteError(m_file, failure->Describe());
    return Success();
}

Result<std::vector<std::string>> PhonebookFile::ListEntries() {
    Result<PhonebookData> data = Load();
    if (!data)
        return data.error();
    std::vector<std::string> names;
    for (const PhonebookEntry& entry : data->entries)
        names.push_back(entry.name);
    return names;
}

Result<std::optional<PhonebookEntry>> PhonebookFile::ReadEntry(std::string_view name) {
    Result<PhonebookData> data = Load();
    if (!data)
        return data.error();
    PhonebookEntry* entry = FindEntry(*data, name);
    if (entry == nullptr)
        return std::optional<PhonebookEntry>();
    return std::optional<PhonebookEntry>(std::move(*entry));
}

Status PhonebookFile::WriteEntry(const PhonebookEntry& entry) {
    if (Status valid = ValidatePhonebookEntry(entry); !valid)
        return valid;
    return Modify([&](PhonebookData& data) {
        if (PhonebookEntry* existing = FindEntry(data, entry.name); existing != nullptr) {
            std::string name = std::move(existing->name);  // the entry keeps its own case
            *existing = entry;
            existing->name = std::move(name);
        } else {
            data.entries.push_back(entry);
        }
        return Success();
    });
}

Status PhonebookFile::RemoveEntry(std::string_view name) {
    return Modify([&](PhonebookData& data) -> Status {
        PhonebookEntry* existing = FindEntry(data, name);
        if (existing == nullptr)
            return NoSuchEntry(name);
        data.entries.erase(data.entries.begin() + (existing - data.entries.data()));
        return Success();
    });
}

Status PhonebookFile::SetDialParams(std::string_view name, const DialParams& params) {
    return Modify([&](PhonebookData& data) -> Status {
        PhonebookEntry* existing = FindEntry(data, name);
        if (existing == nullptr)
            return NoSuchEntry(name);
        PhonebookEntry changed = *existing;
        changed.dialParams = params;
        if (Status valid = ValidatePhonebookEntry(changed); !valid)
            return valid;
        *existing = std::move(changed);
        return Success();
    });
}

Result<std::vector<DeviceInfo>> PhonebookFile::EnumDevices() {
    Result<PhonebookData> data = Load();
    if (!data)
        return data.error();
    std::vector<DeviceInfo> devices;
    if (Result<std::vector<TtyDevice>> found = m_ports->Enumerate(); found) {
        for (const TtyDevice& port : *found) {
            if (IsSerialPort(port))
                devices.push_back(
                    {std::string(kRasDeviceTypeModem), StablePath(port), DescribePort(port)});
        }
    }
    for (const std::string& name : data->addedDevices)
        devices.push_back({std::string(kRasDeviceTypeModem), name, {}});
    // By path; a path found and also added keeps what the machine says of it.
    std::stable_sort(devices.begin(), devices.end(),
                     [](const DeviceInfo& a, const DeviceInfo& b) { return a.name < b.name; });
    devices.erase(
        std::unique(devices.begin(), devices.end(),
                    [](const DeviceInfo& a, const DeviceInfo& b) { return a.name == b.name; }),
        devices.end());
    return devices;
}

Status PhonebookFile::AddDevice(std::string_view path) {
    if (Status valid = ValidateDevicePath(path); !valid)
        return valid;
    const std::string device(path);
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return Fail("There is no device at " + device + ".", ras::kDeviceDoesNotExist);
    }
    return Modify([&](PhonebookData& data) {
        if (std::find(data.addedDevices.begin(), data.addedDevices.end(), device) ==
            data.addedDevices.end()) {
            data.addedDevices.push_back(device);
        }
        return Success();
    });
}

Status PhonebookFile::RemoveDevice(std::string_view path) {
    return Modify([&](PhonebookData& data) -> Status {
        auto it = std::find(data.addedDevices.begin(), data.addedDevices.end(), path);
        if (it == data.addedDevices.end()) {
            return Fail("The device " + std::string(path) + " was not added.",
                        ras::kDeviceDoesNotExist);
        }
        data.addedDevices.erase(it);
        return Success();
    });
}

}  // namespace linkvane
