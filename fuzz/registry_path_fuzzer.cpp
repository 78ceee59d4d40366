// Fuzzes the registry path syntax: splitting, normalising and composing must never crash, must
// give parts in their normal forms, and composing must be a fixed point (a composed path splits
// into the same parts again).

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/profiles/registry_item.h"
#include "platform/sqlite_registry_store.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

struct Parts {
    std::string machine, root, keyPath, valueName, path;
    bool operator==(const Parts&) const = default;
};

Parts Split(linkvane::COXRegistryItem& item) {
    return {item.GetMachine(), item.GetRoot(), item.GetKeyPath(), item.GetValueName(),
            item.GetPath()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The path operations never reach the store; it is never opened.
    static linkvane::SqliteRegistryStore store("/nonexistent/linkvane-fuzz");
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = text.find('\x01');
    const std::string path = text.substr(0, cut);

    linkvane::COXRegistryItem item(store, path);
    const Parts parts = Split(item);
    Check(parts.machine.empty() || parts.machine.starts_with("\\\\"));
    Check(parts.root.empty() || parts.root.starts_with('\\'));
    Check(parts.keyPath.empty() || (parts.keyPath.size() >= 2 && parts.keyPath.starts_with('\\') &&
                                    parts.keyPath.ends_with('\\')));
    Check(parts.keyPath.empty() || !parts.root.empty());
    Check(parts.path.empty() || parts.path.starts_with('\\'));

    // A value name needs a key path before it: without one, the composed text would read the
    // name as part of the machine or root, or as a key. Such parts are not compared.
    const bool representable = parts.valueName.empty() || !parts.keyPath.empty();
    if (representable) {
        linkvane::COXRegistryItem again(store, parts.path);
        Check(Split(again) == parts);
    }

    if (cut != std::string::npos) {
        // The rest of the input replaces a part, as callers do with SetRoot and SetKeyPath.
        const std::string rest = text.substr(cut + 1);
        item.SetRoot(rest);
        item.SetKeyPath(rest);
        if (item.GetValueName().empty() || !item.GetKeyPath().empty()) {
            linkvane::COXRegistryItem composed(store, item.GetPath());
            Check(composed.GetPath() == item.GetPath());
        }
    }
    return 0;
}
