#pragma once

// RegistryStore: the hierarchical store behind the registry accessor. It has the Windows
// registry's semantics: keys hold subkeys and typed values, names compare case-insensitively
// and keep their case, and every operation answers with a Windows error number (0 success,
// 2 not found, 1009 damaged store, 1018 key deleted while open, ...).
//
// Keys are named by their root and a path of components separated by single backslashes,
// without a leading or trailing backslash; the empty path is the root itself.
//
// Thread safety: an implementation may be called from any thread; calls are serialised.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/registry_types.h"

namespace linkvane {

struct RegistryKeyHandle {
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::int64_t id = 0;  // the store's identity of the key; stays valid until the key is deleted
};

template <typename T>
struct RegistryAnswer {
    std::uint32_t error = 0;  // Windows error number; 0 when value holds the answer
    T value{};
};

class RegistryStore {
  public:
    virtual ~RegistryStore() = default;

    // Opens (create false) or creates with all missing parents (create true) a key.
    virtual RegistryAnswer<RegistryKeyHandle> OpenKey(RegistryRoot root, std::string_view path,
                                                      bool create) = 0;
    virtual RegistryAnswer<RegistryValue> QueryValue(RegistryKeyHandle key,
                                                     std::string_view name) = 0;
    virtual std::uint32_t SetValue(RegistryKeyHandle key, std::string_view name,
                                   const RegistryValue& value) = 0;
    virtual std::uint32_t DeleteValue(RegistryKeyHandle key, std::string_view name) = 0;
    // Deletes the key with all its subkeys and values. The root itself cannot be deleted.
    virtual std::uint32_t DeleteKey(RegistryRoot root, std::string_view path) = 0;
    // Subkey names and values of a key, each in the order of their names, case folded.
    virtual RegistryAnswer<std::vector<std::string>> EnumSubkeys(RegistryKeyHandle key) = 0;
    virtual RegistryAnswer<std::vector<NamedRegistryValue>> EnumValues(RegistryKeyHandle key) = 0;

    // Groups writes to one root into one atomic, durable commit. Transactions nest; only the
    // outermost commits. A transaction that is destroyed without Commit() rolls back.
    class Transaction {
      public:
        virtual ~Transaction() = default;
        // Non-zero when the transaction could not begin (the write lock was not had in time,
        // the file is damaged): writes made then would stand alone, so callers stop.
        virtual std::uint32_t error() const = 0;
        virtual std::uint32_t Commit() = 0;
    };
    virtual std::unique_ptr<Transaction> BeginTransaction(RegistryRoot root) = 0;

    // A sentence for the user when a root's store cannot be used (damaged, unreadable), or ""
    // when it is healthy. Opening a root never repairs or replaces its file.
    virtual std::string Diagnose(RegistryRoot root) = 0;
};

}  // namespace linkvane
