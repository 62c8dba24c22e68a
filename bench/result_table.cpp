#include "result_table.h"

#include <algorithm>

namespace mv::bench {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void Row::SetFloors(const HarnessPrices& prices, double noOpUs, double requiredAttaches) {
    const double perUnit = unit == "ms" ? 1000 : 1;
    moduleFloor = ModuleFloorUs(counts, prices, noOpUs, requiredAttaches) / perUnit;
    testBedShare = TestBedShareUs(counts, prices) / perUnit;
}

void ResultTable::Add(Row row) {
    std::fprintf(stderr, "mvbench:   %s: %.1f %s (module floor %.1f %s; %s COM, %s JNI, %s attaches)\n",
                 row.figure.c_str(), row.value, row.unit.c_str(), row.moduleFloor, row.unit.c_str(),
                 CountText(row.counts.comCalls).c_str(), CountText(row.counts.jniRequests).c_str(),
                 CountText(row.counts.attaches).c_str());
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
    const char* const line = "%-13s %-43s %13s %7s %8s %8s %13s %7s %13s %7s  %s\n";
    std::fprintf(out, line, "section", "figure", "median", "COM", "JNI", "attaches", "module floor", "ratio",
                 "test bed", "share", "notes");
    for (const Row& r : m_rows) {
        if (!r.problem.empty()) {
            std::fprintf(out, line, r.section.c_str(), r.figure.c_str(), "-", "-", "-", "-", "-", "-", "-", "-",
                         ("NOT MEASURED: " + r.problem).c_str());
            continue;
        }
        const std::string value = Format("%.1f ", r.value) + r.unit;
        const std::string floor = Format("%.1f ", r.moduleFloor) + r.unit;
        const std::string ratio = r.moduleFloor > 0 ? Format("%.2fx", r.value / r.moduleFloor) : std::string("-");
        const std::string share = Format("%.1f ", r.testBedShare) + r.unit;
        const std::string part = r.value > 0 ? Format("%.0f%%", 100 * r.testBedShare / r.value) : std::string("-");
        std::fprintf(out, line, r.section.c_str(), r.figure.c_str(), value.c_str(),
                     CountText(r.counts.comCalls).c_str(), CountText(r.counts.jniRequests).c_str(),
                     CountText(r.counts.attaches).c_str(), floor.c_str(), ratio.c_str(), share.c_str(), part.c_str(),
                     r.notes.c_str());
    }
    std::fflush(out);
}

}  // namespace mv::bench
