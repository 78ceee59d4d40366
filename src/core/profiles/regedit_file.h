#pragma once

// Registry text files in the REGEDIT4 format, for exporting and importing parts of the
// registry store:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Kestrom\Linkvane]
//   "Default"="My ISP"          REG_SZ; \ and " are escaped with a backslash
//   @="..."                      the key's default value
//   "RedialTimeout"=dword:0000003c
//   "ProxyEnable"=hex:01,00,00,00
//   "Path"=hex(2):25,48,00       other types as hex(type); long lines continue after a "\"
//   "Gone"=-                     deletes the value on import
//   [-HKEY_CURRENT_USER\Software\Old]   deletes the key on import
//
// Text is UTF-8. Strings that the quoted form cannot carry (line breaks, embedded or missing
// terminating zero) are written as hex(1).

#include <string>
#include <string_view>
#include <vector>

#include "core/profiles/registry_store.h"
#include "core/util/result.h"

namespace linkvane {

struct RegFileValue {
    std::string name;  // "" for the default value
    bool remove = false;
    RegistryValue value;
};

struct RegFileKey {
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::string path;  // store form: components separated by "\", no enclosing backslashes
    bool remove = false;
    std::vector<RegFileValue> values;
};

// The key and everything below it, in REGEDIT4 text. A key that does not exist is an error.
Result<std::string> ExportRegistry(RegistryStore& store, RegistryRoot root, std::string_view path);
// Every root's whole content (roots without any value or key are left out). A key or value
// whose name has a control character fails the export (87): the file could not be read back.
Result<std::string> ExportAllRoots(RegistryStore& store);

// Parses the whole text; the first fault is reported with its line number.
Result<std::vector<RegFileKey>> ParseRegFile(std::string_view text);
// Applies parsed keys in their order, each root's changes in one transaction.
Status ApplyRegFile(RegistryStore& store, const std::vector<RegFileKey>& keys);

// "HKEY_CURRENT_USER\Software\X" (or HKCU\...) to a root and a store path.
Result<std::pair<RegistryRoot, std::string>> ParseRegKeyName(std::string_view name);

}  // namespace linkvane
