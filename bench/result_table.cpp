#include "result_table.h"

#include <algorithm>

namespace mv::bench {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void ResultTable::Add(Row row) {
    std::fprintf(stderr, "mvbench:   %s: %.1f %s (floor %.1f %s)\n", row.figure.c_str(), row.value, row.unit.c_str(),
                 row.floor, row.unit.c_str());
    m_rows.push_back(std::move(row));
}

void ResultTable::AddProblem(const std::string& section, const std::string& figure, const std::string& problem) {
    Row row;
    row.section = section;
    row.figure = figure;
    row.problem = problem.empty() ? "failed" : problem;
    std::fprintf(stderr, "mvbench:   %s: not measured: %s\n", figure.c_str(), row.problem.c_str());
    m_rows.push_back(std::move(row));
}

int ResultTable::problems() const {
    return static_cast<int>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return !r.problem.empty(); }));
}

void ResultTable::Print(std::FILE* out) const {
    std::fprintf(out, "%-14s %-44s %14s %-40s %14s %9s  %s\n", "section", "figure", "median", "floor", "floor median",
                 "ratio", "notes");
    for (const Row& r : m_rows) {
        if (!r.problem.empty()) {
            std::fprintf(out, "%-14s %-44s %14s %-40s %14s %9s  %s\n", r.section.c_str(), r.figure.c_str(), "-", "-",
                         "-", "-", ("NOT MEASURED: " + r.problem).c_str());
            continue;
        }
        const std::string value = Format("%.1f ", r.value) + r.unit;
        const std::string floor = Format("%.1f ", r.floor) + r.unit;
        const std::string ratio = r.floor > 0 ? Format("%.2fx", r.value / r.floor) : std::string("-");
        std::fprintf(out, "%-14s %-44s %14s %-40s %14s %9s  %s\n", r.section.c_str(), r.figure.c_str(), value.c_str(),
                     r.floorName.c_str(), floor.c_str(), ratio.c_str(), r.notes.c_str());
    }
    std::fflush(out);
}

}  // namespace mv::bench
