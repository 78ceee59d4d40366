#pragma once

// Libraries the program loads when it first needs them (the sound libraries, OpenSSL) rather
// than at start-up. Loaded libraries stay for the life of the process.

#include <dlfcn.h>

namespace linkvane {

// Looks up name in library (a dlopen handle, or nullptr for none) as a function of type
// Function; false when it is not there.
template <typename Function>
bool FindFunction(void* library, const char* name, Function& out) {
    out = library == nullptr ? nullptr : reinterpret_cast<Function>(::dlsym(library, name));
    return out != nullptr;
}

}  // namespace linkvane
