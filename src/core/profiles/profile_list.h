#pragma once

// The main window's profile list: the phonebook's entry names in the list's sorted order,
// and the entry that the stored default profile selects.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkvane {

// Sorted as a sorted list box sorts: letters compared without case first, then exactly, so
// the order is total and does not depend on the order given.
std::vector<std::string> SortProfileNames(std::vector<std::string> names);

// The index of the first name that begins with `defaultName`, letters compared without case;
// nullopt when none does or `defaultName` is empty (the first entry then stays selected).
std::optional<std::size_t> FindDefaultProfile(const std::vector<std::string>& sortedNames,
                                              std::string_view defaultName);

}  // namespace linkvane
