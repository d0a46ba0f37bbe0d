// Wall-clock timing of the benchmarks that compare against another program in the same run.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Seconds f() takes.
template <class F> double seconds_of(F f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace bench
