#pragma once
// Timing for the benchmark: every figure is the median of repeated runs, each run timing a batch
// of operations so that the clock's resolution does not show.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace mv::bench {

using Clock = std::chrono::steady_clock;

// The middle value (the mean of the two middle values for an even count); 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline double Microseconds(Clock::duration elapsed) {
    return std::chrono::duration<double, std::micro>(elapsed).count();
}

// Median over `runs` runs of the microseconds per operation of `operation` done `count` times.
// One run first is not counted (it warms caches, proxies and the JIT). `operation` answers false
// when it failed; then the figure is not valid and `ok` turns false.
template <typename Operation>
double MedianMicrosecondsPer(int runs, int count, bool& ok, Operation&& operation) {
    ok = true;
    std::vector<double> perRun;
    for (int run = -1; run < runs && ok; ++run) {
        const Clock::time_point begin = Clock::now();
        for (int i = 0; i < count && ok; ++i) ok = operation();
        if (run >= 0) perRun.push_back(Microseconds(Clock::now() - begin) / count);
    }
    return Median(perRun);
}

// The medians of several operations measured in turns, one batch of each per run, so that a
// change in the machine's load while they run touches all of them alike. `ok` turns false when
// an operation failed (its median is then not valid). `eachRun`, when given, runs first in every
// counted run (a reading that belongs with the run's batches); false from it fails the same way.
inline std::vector<double> InterleavedMedians(int runs, int count, bool& ok,
                                              const std::vector<std::function<bool()>>& operations,
                                              const std::function<bool()>& eachRun = {}) {
    ok = true;
    std::vector<std::vector<double>> perRun(operations.size());
    for (int run = -1; run < runs && ok; ++run) {
        if (run >= 0 && eachRun) ok = eachRun();
        for (std::size_t i = 0; i < operations.size() && ok; ++i) {
            const Clock::time_point begin = Clock::now();
            for (int n = 0; n < count && ok; ++n) ok = operations[i]();
            if (run >= 0) perRun[i].push_back(Microseconds(Clock::now() - begin) / count);
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& values : perRun) medians.push_back(Median(values));
    return medians;
}

}  // namespace mv::bench
