#include "core/util/env_expand.h"

#include <cstdlib>

namespace linkvane {

std::string ExpandEnvironmentStrings(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        if (open == std::string_view::npos)
            break;
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos)
            break;
        out.append(text.substr(pos, open - pos));
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value != nullptr) {
            out.append(value);
        } else {
            out.append(text.substr(open, close - open + 1));
        }
        pos = close + 1;
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace linkvane
