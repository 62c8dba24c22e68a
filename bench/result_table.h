#pragma once
// The benchmark's output: one row per figure with the floor it is compared with, printed as a
// table once every section has run. A figure that could not be measured is a row with a problem.

#include <cstdio>
#include <string>
#include <vector>

namespace mv::bench {

struct Row {
    std::string section;    // e.g. "in process"
    std::string figure;     // what was measured
    double value = 0;       // median, in `unit`
    std::string unit;       // "us" or "ms"
    std::string floorName;  // what it is compared with
    double floor = 0;       // the floor's median, in `unit`
    std::string notes;      // call counts, growth, sizes
    std::string problem;    // why there is no figure (empty: measured)
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
