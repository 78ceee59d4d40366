// Profile file codec. The byte layout is drawn in profile_file.h; the table below is the same
// layout in the form the encoder and decoder walk.

#include "core/profiles/profile_file.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <variant>

#include "core/profiles/password_cipher.h"
#include "core/util/cp1252.h"
#include "core/util/fixed_record.h"

namespace linkvane {

namespace {

using Kind = ProfileFileField::Kind;
using PF = ProfileFile;

constexpr ProfileFileField Text(std::string_view name, std::size_t offset, std::size_t size,
                                std::string PF::*member) {
    return {name, offset, size, Kind::kString, member, nullptr};
}
constexpr ProfileFileField Password(std::string_view name, std::size_t offset,
                                    std::string PF::*member) {
    return {name, offset, 52, Kind::kPassword, member, nullptr};
}
constexpr ProfileFileField Number(std::string_view name, std::size_t offset,
                                  std::uint32_t PF::*member) {
    return {name, offset, 4, Kind::kNumber, nullptr, member};
}

constexpr std::array kLayout = {
    Text("", 1768, 100, &PF::name),
    Text("BrowserPath", 1868, 260, &PF::browserPath),
    Text("EmailPath", 2128, 260, &PF::emailPath),
    Text("Url1Label", 2388, 20, &PF::url1Label),
    Text("Url1Loc", 2408, 260, &PF::url1Loc),
    Text("Url2Label", 2668, 20, &PF::url2Label),
    Text("Url2Loc", 2688, 260, &PF::url2Loc),
    Text("App1Label", 2948, 20, &PF::app1Label),
    Text("App1Path", 2968, 260, &PF::app1Path),
    Text("FTPProxyPort", 3228, 6, &PF::ftpProxyPort),
    Text("FTPProxy", 3234, 260, &PF::ftpProxy),
    Text("Homepage", 3494, 260, &PF::homepage),
    Text("HTTPProxyPort", 3754, 6, &PF::httpProxyPort),
    Text("HTTPProxy", 3760, 260, &PF::httpProxy),
    Text("Organisation", 4020, 100, &PF::organisation),
    Text("POP3Host", 4120, 260, &PF::pop3Host),
    Text("Realname", 4380, 100, &PF::realname),
    Text("SMTPHost", 4480, 260, &PF::smtpHost),
    Text("ReplyTo", 4740, 260, &PF::replyTo),
    Text("ProxyOverride", 5000, 1000, &PF::proxyOverride),
    Text("NNTPHost", 6000, 260, &PF::nntpHost),
    Text("Username", 6260, 100, &PF::username),
    Text("Login", 6360, 100, &PF::login),
    Password("Password", 6460, &PF::password),
    Number("UseLan", 6512, &PF::useLan),
    Text("PingHost", 6516, 260, &PF::pingHost),
    Number("PingFreq", 6776, &PF::pingFreq),
    Number("SetIE", 6780, &PF::setIE),
    Number("SetNetscape", 6784, &PF::setNetscape),
    Number("CheckEmail", 6788, &PF::checkEmail),
    Text("EmailSound", 6792, 260, &PF::emailSound),
    Number("PlaySound", 7052, &PF::playSound),
    Number("PopMinutes", 7056, &PF::popMinutes),
    Number("PopupAlert", 7060, &PF::popupAlert),
    Password("EPassword", 7064, &PF::ePassword),
    Number("EnableRedial", 7116, &PF::enableRedial),
    Number("RedialAttempts", 7120, &PF::redialAttempts),
    Number("RedialTimeout", 7124, &PF::redialTimeout),
    Number("Startup", 7128, &PF::startup),
    Number("StartMinimised", 7132, &PF::startMinimised),
};

// The layout tiles the record after the phonebook part exactly.
constexpr std::array<FieldSpan, kLayout.size()> LayoutSpans() {
    std::array<FieldSpan, kLayout.size()> spans{};
    for (std::size_t i = 0; i < kLayout.size(); ++i)
        spans[i] = {kLayout[i].offset, kLayout[i].size};
    return spans;
}
static_assert(Tiles(LayoutSpans(), kProfileFilePhonebookSize, kProfileFileSize));

// How a message names a field.
std::string Subject(const ProfileFileField& field) {
    if (field.valueName.empty())
        return "The profile name";
    return "The value of \"" + std::string(field.valueName) + "\"";
}

// The stored bytes of a text or password field, or why the file cannot carry the value.
// Passwords have the registry's stored form: 1252 enciphered, one byte per character.
Result<std::string> StoredText(const ProfileFileField& field, const std::string& value) {
    const bool isPassword = field.kind == Kind::kPassword;
    if (isPassword) {
        Result<std::string> stored = EncipherPassword(value);
        if (!stored)
            return Fail(Subject(field) + " cannot be written: " + stored.error().message);
        return stored;
    }
    auto converted = Utf8ToCp1252(value);
    if (!converted) {
        return Fail(Subject(field) + " cannot be written to a profile file. " +
                    converted.error().message);
    }
    if (converted->find('\0') != std::string::npos) {
        return Fail(Subject(field) + " contains a zero byte, which a profile file cannot carry.");
    }
    // One byte of the field is the terminating zero.
    if (converted->size() > field.size - 1) {
        return Fail(Subject(field) + " is longer than the " + std::to_string(field.size - 1) +
                    " characters a profile file can carry.");
    }
    return converted;
}

// The clear text of a password field as UTF-8, or why it cannot be a password.
Result<std::string> ClearPassword(const ProfileFileField& field, std::string_view stored) {
    Result<std::string> clear = DecipherPassword(stored);
    if (!clear)
        return Fail(Subject(field) + " in this file cannot be read: " + clear.error().message);
    return clear;
}

}  // namespace

std::span<const ProfileFileField> ProfileFileLayout() {
    return kLayout;
}

std::string NotAProfileFileMessage(std::uintmax_t size) {
    return "This file is not a profile file: it has " + std::to_string(size) +
           " bytes, a profile file has " + std::to_string(kProfileFileSize) + ".";
}

Result<std::vector<std::uint8_t>> EncodeProfileFile(const ProfileFile& file) {
    std::vector<std::uint8_t> bytes(kProfileFileSize, 0);
    std::copy(file.phonebookPart.begin(), file.phonebookPart.end(), bytes.begin());
    for (const auto& field : kLayout) {
        if (field.kind == Kind::kNumber) {
            PutUint32Le(bytes, field.offset, file.*field.number);
            continue;
        }
        auto stored = StoredText(field, file.*field.text);
        if (!stored)
            return stored.error();
        std::memcpy(bytes.data() + field.offset, stored->data(), stored->size());
    }
    return bytes;
}

Result<ProfileFile> DecodeProfileFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kProfileFileSize)
        return Fail(NotAProfileFileMessage(bytes.size()));
    ProfileFile file;
    std::copy_n(bytes.begin(), kProfileFilePhonebookSize, file.phonebookPart.begin());
    for (const auto& field : kLayout) {
        if (field.kind == Kind::kNumber) {
            file.*field.number = GetUint32Le(bytes, field.offset);
        } else if (field.kind == Kind::kString) {
            file.*field.text = Cp1252ToUtf8(GetFieldText(bytes, field.offset, field.size));
        } else {
            auto clear = ClearPassword(field, GetFieldText(bytes, field.offset, field.size));
            if (!clear)
                return clear.error();
            file.*field.text = std::move(*clear);
        }
    }
    return file;
}

namespace {

// The mapping between the records and the file goes by registry value name: the records' value
// tables say which member holds a value, the layout says where the file holds it.
const ProfileFileField* FindLayoutField(std::string_view valueName) {
    for (const auto& field : kLayout) {
        if (field.valueName == valueName)
            return &field;
    }
    return nullptr;
}

const GlobalValueInfo* FindGlobalValue(std::string_view valueName) {
    for (const auto& info : GlobalValues()) {
        if (info.name == valueName)
            return &info;
    }
    return nullptr;
}

// Numbers keep their 32-bit pattern both ways.
template <typename Owner, typename Member>
void CopyToFile(const Owner& owner, Member Owner::*member, const ProfileFileField& field,
                ProfileFile& file) {
    if constexpr (std::is_same_v<Member, std::string>) {
        file.*field.text = owner.*member;
    } else {
        file.*field.number = static_cast<std::uint32_t>(owner.*member);
    }
}

template <typename Owner, typename Member>
void CopyFromFile(const ProfileFile& file, const ProfileFileField& field, Owner& owner,
                  Member Owner::*member) {
    if constexpr (std::is_same_v<Member, std::string>) {
        owner.*member = file.*field.text;
    } else {
        owner.*member = static_cast<Member>(file.*field.number);
    }
}

// "Startup" and "StartMinimised" travel in the file but belong to the machine they were set on.
bool IsImportedGlobal(std::string_view valueName) {
    return valueName != "Startup" && valueName != "StartMinimised";
}

}  // namespace

ProfileFile MakeProfileFile(
    const ProfileRecord& record, const GlobalSettings& globals,
    const std::array<std::uint8_t, kProfileFilePhonebookSize>& phonebookPart) {
    ProfileFile file;
    file.phonebookPart = phonebookPart;
    file.name = record.name;
    for (const auto& field : kLayout) {
        if (const auto* info = FindProfileValue(field.valueName)) {
            std::visit([&](auto member) { CopyToFile(record, member, field, file); }, info->field);
        } else if (const auto* global = FindGlobalValue(field.valueName)) {
            std::visit([&](auto member) { CopyToFile(globals, member, field, file); },
                       global->field);
        }
    }
    return file;
}

ProfileRecord ProfileRecordFromFile(const ProfileFile& file, const ProfileRecord& keep) {
    ProfileRecord record = keep;
    record.name = file.name;
    record.keyPath = ProfileKeyPath(record.name);
    for (const auto& info : ProfileValues()) {
        if (const auto* field = FindLayoutField(info.name)) {
            std::visit([&](auto member) { CopyFromFile(file, *field, record, member); },
                       info.field);
        }
    }
    return record;
}

void ApplyFileToGlobals(const ProfileFile& file, GlobalSettings& globals) {
    for (const auto& info : GlobalValues()) {
        const auto* field = FindLayoutField(info.name);
        if (field == nullptr || !IsImportedGlobal(info.name))
            continue;
        std::visit([&](auto member) { CopyFromFile(file, *field, globals, member); }, info.field);
    }
}

}  // namespace linkvane
