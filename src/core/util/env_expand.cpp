#include "core/util/env_expand.h"

#include <cstdlib>

namespace linkvane {

namespace {

// Appends piece unless that would pass the bound; false then.
bool AppendBounded(std::string& out, std::string_view piece) {
    if (piece.size() > kMaxExpandedLength - out.size())
        return false;
    out.append(piece);
    return true;
}

}  // namespace

std::string ExpandEnvironmentStrings(std::string_view text) {
    return TryExpandEnvironmentStrings(text).value_or(std::string());
}

std::optional<std::string> TryExpandEnvironmentStrings(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        if (open == std::string_view::npos)
            break;
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos)
            break;
        if (!AppendBounded(out, text.substr(pos, open - pos)))
            return std::nullopt;
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        const std::string_view piece =
            value != nullptr ? std::string_view(value) : text.substr(open, close - open + 1);
        if (!AppendBounded(out, piece))
            return std::nullopt;
        pos = close + 1;
    }
    if (!AppendBounded(out, text.substr(pos)))
        return std::nullopt;
    return out;
}

}  // namespace linkvane
