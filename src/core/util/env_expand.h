#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linkvane {

// The longest text an expansion may give, as the registry's own expansion allows (32 767
// characters, counted here in bytes).
inline constexpr std::size_t kMaxExpandedLength = 32767;

// Replaces each %NAME% by the value of the environment variable NAME. A reference to a name
// that is not set stays as written, percent signs included, as the registry's expandable
// strings behave. nullopt when the result would be longer than kMaxExpandedLength: the work
// stops there, so a value naming a large variable many times costs no more than the bound.
std::optional<std::string> TryExpandEnvironmentStrings(std::string_view text);
// The same, with "" for a result beyond the bound, as the registry's expansion gives.
std::string ExpandEnvironmentStrings(std::string_view text);

}  // namespace linkvane
