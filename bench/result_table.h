#pragma once
// The benchmark's output: one row per figure with what its operation made (COM calls, JNI
// requests, attaches) and its two floors, printed as a table once every section has run. A figure
// that could not be measured is a row with a problem.

#include <cstdio>
#include <string>
#include <vector>

#include "counts.h"

namespace mv::bench {

struct Row {
    std::string section;     // e.g. "in process"
    std::string figure;      // what was measured
    double value = 0;        // median, in `unit`
    std::string unit;        // "us" or "ms"
    Counts counts;           // per operation
    double moduleFloor = 0;  // in `unit`: the module's floor (see counts.h)
    double testBedShare = 0; // in `unit`: what the harness adds
    std::string notes;       // sizes, growth, calls per run
    std::string problem;     // why there is no figure (empty: measured)

    // Sets both floors from the counts; `noOpUs` and `requiredAttaches` as in ModuleFloorUs.
    void SetFloors(const HarnessPrices& prices, double noOpUs, double requiredAttaches);
};

class ResultTable {
public:
    // Also says on stderr what was measured, so that a long run shows its progress.
    void Add(Row row);
    void AddProblem(const std::string& section, const std::string& figure, const std::string& problem);

    // Rows without a figure.
    int problems() const;
    void Print(std::FILE* out) const;

private:
    std::vector<Row> m_rows;
};

// "%.1f"-style formatting into a std::string.
std::string Format(const char* format, double value);

}  // namespace mv::bench
