#pragma once

#include <string>
#include <string_view>

namespace linkvane {

// Replaces each %NAME% by the value of the environment variable NAME. A reference to a name
// that is not set stays as written, percent signs included, as the registry's expandable
// strings behave.
std::string ExpandEnvironmentStrings(std::string_view text);

}  // namespace linkvane
