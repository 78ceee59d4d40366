#include "core/profiles/profile_list.h"

#include <algorithm>

#include "core/util/text.h"

namespace linkvane {

std::vector<std::string> SortProfileNames(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string foldedA = AsciiFold(a);
        const std::string foldedB = AsciiFold(b);
        return foldedA != foldedB ? foldedA < foldedB : a < b;
    });
    return names;
}

std::optional<std::size_t> FindDefaultProfile(const std::vector<std::string>& sortedNames,
                                              std::string_view defaultName) {
    if (defaultName.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < sortedNames.size(); ++i) {
        if (StartsWithIgnoreCase(sortedNames[i], defaultName))
            return i;
    }
    return std::nullopt;
}

}  // namespace linkvane
