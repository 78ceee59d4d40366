#pragma once

// COXRegistryItem names one registry value (or key) by a single path string and reads or
// writes it through a RegistryStore.
//
// Path syntax: [\\machine][\Root][\key\path\][valueName]. Root names ("\CurrentUser",
// "\LocalMachine", ...) match case-insensitively and only as a whole component; a key path
// without a root is under "\CurrentUser"; a path ending in a backslash names a key; the value
// name "NoName" (any case) is the key's default value.
//
// Handles open lazily on the first value operation and stay open until Close(), a change of
// the path, Delete() of a key, or destruction. Every operation stores its outcome in
// LastResult(): 0, or 0x80070000 | Windows error (0x8007000D for a value of the wrong type);
// boolean results say whether it is >= 0. Nothing is shown to the user from here.
//
// One item belongs to one thread; it borrows the store, which must outlive it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/registry_store.h"

namespace linkvane {

// Registry access masks the callers pass to Open.
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

class COXRegistryItem {
  public:
    COXRegistryItem(RegistryStore& store, std::string_view path = {});
    ~COXRegistryItem();
    COXRegistryItem(const COXRegistryItem&) = delete;
    COXRegistryItem& operator=(const COXRegistryItem&) = delete;

    bool SetPath(std::string_view path);
    std::string GetPath();
    std::string GetMachine();
    std::string GetRoot();
    std::string GetKeyPath();
    std::string GetValueName();
    void SetRoot(std::string_view root);
    void SetKeyPath(std::string_view keyPath);
    void Clear();

    bool Open(bool create = false, std::uint32_t access = KEY_ALL_ACCESS);
    bool Close();
    bool Delete();

    std::string GetStringValue(std::string_view valueName = {}, bool allowExpandable = true,
                               bool expand = true);
    std::uint32_t GetNumberValue(std::string_view valueName = {}, bool littleEndian = true);
    bool SetStringValue(std::string_view text, std::string_view valueName = {},
                        bool expandable = false);
    bool SetNumberValue(std::uint32_t number, std::string_view valueName = {},
                        bool littleEndian = true);
    bool SetBinaryValue(const std::vector<std::uint8_t>& bytes, std::string_view valueName = {});

    // The value as stored, with its type; nullopt (and LastResult set) when it cannot be read.
    std::optional<RegistryValue> GetRawValue(std::string_view valueName = {});
    bool SetRawValue(const RegistryValue& value, std::string_view valueName = {});
    // Subkey names and values of the item's key (opened for reading as needed).
    std::optional<std::vector<std::string>> GetSubkeyNames();
    std::optional<std::vector<NamedRegistryValue>> GetValues();

    std::int32_t LastResult() const { return m_lastResult; }

    // Storing writes the full path; loading sets it. Here the archive is a string.
    std::string Serialize() { return GetPath(); }
    void Deserialize(std::string_view stored) { SetPath(stored); }

  private:
    void SplitIfStale();
    void ComposeIfStale();
    void NormaliseParts();
    bool OpenRoot();
    bool EnsureOpenForRead();
    bool EnsureOpenForWrite();
    std::string ResolveValueName(std::string_view valueName);
    bool Store(std::uint32_t error);
    std::optional<RegistryValue> ReadValue(std::string_view valueName,
                                           std::optional<RegType> demanded);

    RegistryStore& m_store;
    std::string m_fullPath;
    bool m_fullPathCurrent = true;
    std::string m_machine;
    std::string m_root;
    std::string m_keyPath;
    std::string m_valueName;
    bool m_partsCurrent = false;
    std::optional<RegistryRoot> m_rootHandle;
    std::optional<RegistryKeyHandle> m_key;
    std::int32_t m_lastResult = 0;
};

}  // namespace linkvane
