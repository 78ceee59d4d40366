#include "core/profiles/registry_item.h"

#include <algorithm>
#include <cstring>

#include "core/util/env_expand.h"
#include "core/util/text.h"
#include "core/util/win_error.h"

namespace linkvane {

namespace {

constexpr std::int32_t kTypeMismatch = win::HResultFromWin32(win::kInvalidData);

bool AllBackslashes(std::string_view s) {
    return s.find_first_not_of('\\') == std::string_view::npos;
}

// N1: a non-empty path starts with a backslash; a path of backslashes only is empty.
void NormaliseFullPath(std::string& path) {
    if (!path.empty() && path.front() != '\\')
        path.insert(path.begin(), '\\');
    if (AllBackslashes(path))
        path.clear();
}

// The table entry whose name stands at the start of text as a whole component.
const RegistryRootName* MatchRoot(std::string_view text) {
    for (const auto& root : kRegistryRoots) {
        if (!StartsWithIgnoreCase(text, root.name))
            continue;
        if (text.size() == root.name.size() || text[root.name.size()] == '\\')
            return &root;
    }
    return nullptr;
}

RegistryRoot RootFromName(std::string_view name) {
    for (const auto& root : kRegistryRoots) {
        if (EqualsIgnoreCase(name, root.name))
            return root.root;
    }
    return RegistryRoot::CurrentUser;  // an empty or unknown root opens the current user's
}

// The key path without its enclosing backslashes, as the store names keys.
std::string_view StripEnclosingBackslashes(std::string_view keyPath) {
    if (keyPath.size() >= 2)
        return keyPath.substr(1, keyPath.size() - 2);
    return {};
}

}  // namespace

COXRegistryItem::COXRegistryItem(RegistryStore& store, std::string_view path)
    : m_store(store), m_fullPath(path) {
    NormaliseFullPath(m_fullPath);
}

COXRegistryItem::~COXRegistryItem() {
    Close();
}

bool COXRegistryItem::SetPath(std::string_view path) {
    m_fullPath = std::string(path);
    m_fullPathCurrent = true;
    m_partsCurrent = false;
    NormaliseFullPath(m_fullPath);
    return Close();
}

std::string COXRegistryItem::GetPath() {
    ComposeIfStale();
    return m_fullPath;
}

std::string COXRegistryItem::GetMachine() {
    SplitIfStale();
    return m_machine;
}

std::string COXRegistryItem::GetRoot() {
    SplitIfStale();
    return m_root;
}

std::string COXRegistryItem::GetKeyPath() {
    SplitIfStale();
    return m_keyPath;
}

std::string COXRegistryItem::GetValueName() {
    SplitIfStale();
    return m_valueName;
}

void COXRegistryItem::SetRoot(std::string_view root) {
    SplitIfStale();
    m_root = std::string(root);
    NormaliseParts();
    m_fullPathCurrent = false;
    Close();
}

void COXRegistryItem::SetKeyPath(std::string_view keyPath) {
    SplitIfStale();
    m_keyPath = std::string(keyPath);
    NormaliseParts();
    m_fullPathCurrent = false;
    Close();
}

void COXRegistryItem::Clear() {
    Close();
    m_fullPath.clear();
    m_machine.clear();
    m_root.clear();
    m_keyPath.clear();
    m_valueName.clear();
    m_fullPathCurrent = false;
    m_partsCurrent = false;
}

// S1: split the full path into machine, root, key path and value name.
void COXRegistryItem::SplitIfStale() {
    if (m_partsCurrent)
        return;
    if (!m_fullPathCurrent) {
        Clear();
        m_fullPathCurrent = m_partsCurrent = true;
        return;
    }
    m_machine.clear();
    m_root.clear();
    m_keyPath.clear();
    m_valueName.clear();
    const std::string_view path = m_fullPath;
    std::size_t cursor = 0;

    if (path.starts_with("\\\\")) {
        const std::size_t next = path.find('\\', 2);
        cursor = next == std::string_view::npos ? path.size() : next;
        m_machine = std::string(path.substr(0, cursor));
    }
    if (cursor < path.size() && MatchRoot(path.substr(cursor)) != nullptr) {
        const std::size_t next = path.find('\\', cursor + 1);
        const std::size_t end = next == std::string_view::npos ? path.size() : next;
        m_root = std::string(path.substr(cursor, end - cursor));
        cursor = end;
    }
    if (cursor < path.size() && path[cursor] == '\\') {
        const std::size_t last = path.rfind('\\');
        if (last != std::string_view::npos && last > cursor) {
            m_keyPath = std::string(path.substr(cursor, last + 1 - cursor));
            cursor = last + 1;
        } else {
            m_keyPath = std::string(path.substr(cursor));
            if (m_keyPath.back() != '\\')
                m_keyPath.push_back('\\');
            cursor = path.size();
        }
    }
    if (cursor < path.size())
        m_valueName = std::string(path.substr(cursor));

    NormaliseParts();
    m_partsCurrent = true;
    m_fullPathCurrent = false;
    ComposeIfStale();
}

// N2: normal forms of the four parts.
void COXRegistryItem::NormaliseParts() {
    if (!m_machine.empty()) {
        if (m_machine.front() != '\\')
            m_machine.insert(m_machine.begin(), '\\');
        if (!m_machine.starts_with("\\\\"))
            m_machine.insert(m_machine.begin(), '\\');
        if (AllBackslashes(m_machine))
            m_machine.clear();
    }
    if (!m_root.empty()) {
        if (m_root.front() != '\\')
            m_root.insert(m_root.begin(), '\\');
        if (AllBackslashes(m_root))
            m_root.clear();
    }
    if (!m_keyPath.empty()) {
        if (m_keyPath.front() != '\\')
            m_keyPath.insert(m_keyPath.begin(), '\\');
        if (m_keyPath.back() != '\\')
            m_keyPath.push_back('\\');
        if (AllBackslashes(m_keyPath))
            m_keyPath.clear();
    }
    if (!m_keyPath.empty() && m_root.empty())
        m_root = "\\CurrentUser";
}

// C1: compose the full path from the parts.
void COXRegistryItem::ComposeIfStale() {
    if (m_fullPathCurrent)
        return;
    if (!m_partsCurrent) {
        Clear();
        m_fullPathCurrent = m_partsCurrent = true;
        return;
    }
    m_fullPath = m_machine + m_root + m_keyPath + m_valueName;
    NormaliseFullPath(m_fullPath);
    m_fullPathCurrent = true;
}

bool COXRegistryItem::Store(std::uint32_t error) {
    m_lastResult = win::HResultFromWin32(error);
    return m_lastResult >= 0;
}

bool COXRegistryItem::OpenRoot() {
    SplitIfStale();
    if (!m_machine.empty()) {
        // There is no remote registry service to connect to.
        m_rootHandle.reset();
        return Store(win::kBadNetPath);
    }
    m_rootHandle = RootFromName(m_root);
    return true;
}

bool COXRegistryItem::Open(bool create, std::uint32_t /*access*/) {
    Close();
    const std::string keyPath = GetKeyPath();
    if (!OpenRoot())
        return false;
    auto answer = m_store.OpenKey(*m_rootHandle, StripEnclosingBackslashes(keyPath), create);
    if (!Store(answer.error)) {
        const std::int32_t failure = m_lastResult;
        Close();
        m_lastResult = failure;
        return false;
    }
    m_key = answer.value;
    return true;
}

bool COXRegistryItem::Close() {
    m_key.reset();
    m_rootHandle.reset();
    m_lastResult = 0;
    return true;
}

// The store checks no access rights, so the narrower second attempt that the Windows registry
// would need after a refused KEY_ALL_ACCESS cannot succeed where the first failed.
bool COXRegistryItem::EnsureOpenForRead() {
    return m_key.has_value() || Open(false, KEY_ALL_ACCESS);
}
bool COXRegistryItem::EnsureOpenForWrite() {
    return m_key.has_value() || Open(true, KEY_ALL_ACCESS);
}

std::string COXRegistryItem::ResolveValueName(std::string_view valueName) {
    std::string name = valueName.empty() ? GetValueName() : std::string(valueName);
    if (EqualsIgnoreCase(name, "NoName"))
        name.clear();
    return name;
}

std::optional<RegistryValue> COXRegistryItem::ReadValue(std::string_view valueName,
                                                        std::optional<RegType> demanded) {
    m_lastResult = 0;
    const std::string name = ResolveValueName(valueName);
    if (!EnsureOpenForRead())
        return std::nullopt;
    auto answer = m_store.QueryValue(*m_key, name);
    if (!Store(answer.error))
        return std::nullopt;
    if (demanded && answer.value.type != *demanded) {
        m_lastResult = kTypeMismatch;
        return std::nullopt;
    }
    return std::move(answer.value);
}

std::optional<RegistryValue> COXRegistryItem::GetRawValue(std::string_view valueName) {
    return ReadValue(valueName, std::nullopt);
}

std::string COXRegistryItem::GetStringValue(std::string_view valueName, bool allowExpandable,
                                            bool expand) {
    auto value = ReadValue(valueName, allowExpandable ? std::nullopt : std::optional(RegType::Sz));
    if (!value || value->data.empty())
        return {};
    if (value->type != RegType::Sz && value->type != RegType::ExpandSz) {
        m_lastResult = kTypeMismatch;
        return {};
    }
    std::string text = StringFromData(value->data);
    if (allowExpandable && expand && value->type == RegType::ExpandSz) {
        std::optional<std::string> expanded = TryExpandEnvironmentStrings(text);
        if (!expanded) {
            // The expansion's size comes back as 0, which reads as the empty string.
            m_lastResult = win::HResultFromWin32(win::kInsufficientBuffer);
            return {};
        }
        text = std::move(*expanded);
    }
    return text;
}

std::uint32_t COXRegistryItem::GetNumberValue(std::string_view valueName, bool littleEndian) {
    auto value = ReadValue(valueName, littleEndian ? RegType::Dword : RegType::DwordBigEndian);
    if (!value)
        return 0;
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    if (!value->data.empty()) {
        std::memcpy(bytes, value->data.data(), std::min<std::size_t>(4, value->data.size()));
    }
    std::uint32_t number = 0;
    std::memcpy(&number, bytes, 4);  // as the bytes stand, no swapping
    return number;
}

bool COXRegistryItem::SetRawValue(const RegistryValue& value, std::string_view valueName) {
    m_lastResult = 0;
    const std::string name = ResolveValueName(valueName);
    if (!EnsureOpenForWrite())
        return false;
    return Store(m_store.SetValue(*m_key, name, value));
}

bool COXRegistryItem::SetStringValue(std::string_view text, std::string_view valueName,
                                     bool expandable) {
    return SetRawValue(MakeStringValue(text, expandable ? RegType::ExpandSz : RegType::Sz),
                       valueName);
}

bool COXRegistryItem::SetNumberValue(std::uint32_t number, std::string_view valueName,
                                     bool littleEndian) {
    return SetRawValue(
        MakeDwordValue(number, littleEndian ? RegType::Dword : RegType::DwordBigEndian), valueName);
}

bool COXRegistryItem::SetBinaryValue(const std::vector<std::uint8_t>& bytes,
                                     std::string_view valueName) {
    return SetRawValue(RegistryValue{RegType::Binary, bytes}, valueName);
}

bool COXRegistryItem::Delete() {
    m_lastResult = 0;
    if (GetValueName().empty()) {
        const std::string keyPath = GetKeyPath();
        if (!m_rootHandle && !OpenRoot())
            return false;
        const RegistryRoot root = *m_rootHandle;
        m_key.reset();
        const std::uint32_t error = m_store.DeleteKey(root, StripEnclosingBackslashes(keyPath));
        Close();
        return Store(error);
    }
    const std::string name = ResolveValueName({});
    if (!m_key && !Open(false, KEY_ALL_ACCESS))
        return false;
    return Store(m_store.DeleteValue(*m_key, name));
}

std::optional<std::vector<std::string>> COXRegistryItem::GetSubkeyNames() {
    m_lastResult = 0;
    if (!EnsureOpenForRead())
        return std::nullopt;
    auto answer = m_store.EnumSubkeys(*m_key);
    if (!Store(answer.error))
        return std::nullopt;
    return std::move(answer.value);
}

std::optional<std::vector<NamedRegistryValue>> COXRegistryItem::GetValues() {
    m_lastResult = 0;
    if (!EnsureOpenForRead())
        return std::nullopt;
    auto answer = m_store.EnumValues(*m_key);
    if (!Store(answer.error))
        return std::nullopt;
    return std::move(answer.value);
}

}  // namespace linkvane
