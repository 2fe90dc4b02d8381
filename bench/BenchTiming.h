#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

// Timing arithmetic the benchmarks share.
namespace bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

inline double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<std::size_t>(share * (values.size() - 1))];
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace bench
