#pragma once
// How much the benchmark measures: the short mode (for CI) or the full one.

#include <string>
#include <vector>

namespace mv::bench {

struct BenchSettings {
    bool shortMode = false;
    int runs = 7;             // repeats of every figure (its median is shown)
    int callsPerRun = 1000;   // single calls timed together in one run
    int walkRuns = 7;         // repeats of a walk through component objects (seconds each)
    std::vector<int> treeSizes = {100, 1000, 5000};
    std::vector<int> windowCounts = {1, 20, 100};
    std::vector<std::string> sections;  // the sections to measure ("in process", ...); empty: all
};

}  // namespace mv::bench
