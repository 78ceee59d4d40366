#pragma once

// The Netscape Navigator 4.x writer. It registers a Navigator user of its own, "Linkvaner", as
// Navigator's current user, makes that user's directory (with "archive", "Cache", "Mail" and
// "News"), writes a fresh prefs.js into it, and writes the per-user Navigator keys.
//
// Navigator counts as installed when the machine's "CurrentVersion" value has 2 or more
// characters; otherwise nothing is written and nothing is shown. Its "Install Directory" value
// names a directory on this machine: backslashes in it are taken as path separators (the value
// sits in a Windows-shaped registry and is often written in that form, "\opt\netscape"), and
// the result must be an absolute path. A relative or empty one (a drive-letter path copied
// from Windows) would put the user directory wherever the program happens to run, so it is
// refused like a directory that cannot be created.
//
// Every value put into prefs.js is a JavaScript string literal with backslash, double quote
// and control characters escaped, and the two unquoted port numbers are written only when they
// are all digits (else 0): a profile value can never end a string, start a line or add a
// preference of its own.
//
// Returns true in every case, also after a message. User-interface thread; the messages block
// it until they are dismissed.

#include <string>
#include <string_view>

#include "core/clients/active_profile.h"
#include "core/clients/client_dispatch.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

inline constexpr const char* kNetscapeUser = "Linkvaner";

// value as the inside of a double-quoted JavaScript string: \ " and control characters escaped
// (\n, \r, \t, else \xHH), and the JavaScript line separators U+2028/U+2029 as \u2028/\u2029.
std::string EscapeJsString(std::string_view value);

// The whole text of prefs.js for the profile, lines ending in "\n".
std::string ComposePrefsJs(const ActiveProfile& profile);

bool ApplyNetscapeSettings(RegistryStore& store, const ActiveProfile& profile,
                           ClientMessages& messages);

}  // namespace linkvane
