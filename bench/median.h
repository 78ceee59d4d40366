#pragma once

// The middle value of a benchmark's runs: one run delayed by a busy machine does not move it.

#include <algorithm>
#include <vector>

namespace linkvane::bench {

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace linkvane::bench
