// mvbench: speed figures of the module, each the median of repeated runs next to its floor
// measured in the same run. Registers the built module for its own life (the hosts create the
// main object through COM), so it takes turns with other programs that register.
//   mvbench [--short] [--runs R] [--section NAME]...
// --short: the CI mode (trees of 100 and 1,000 components, 3 runs, fewer calls per run, one
// walk through component objects per size). --section: only the sections named ("in process",
// "cross process", "tree walks", "hwnd lookup", "journal").
// Exit code 0 when every figure was measured; 1 when some could not be; 2 for bad arguments.

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_settings.h"
#include "host_process.h"
#include "result_table.h"
#include "sections.h"

namespace {

constexpr int kMinimumRuns = 3;

bool ParseArguments(int argc, char** argv, mv::bench::BenchSettings& settings) {
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) {
            settings.shortMode = true;
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
            if (runs < kMinimumRuns) return false;
        } else if (std::strcmp(argv[i], "--section") == 0 && i + 1 < argc) {
            settings.sections.emplace_back(argv[++i]);
        } else {
            return false;
        }
    }
    if (settings.shortMode) {
        settings.runs = 3;
        settings.callsPerRun = 100;
        settings.treeSizes = {100, 1000};
        // A walk of 1,000 components through component objects takes minutes here; one walk
        // each keeps the short mode within its time limit.
        settings.walkRuns = 1;
    }
    if (runs) settings.runs = runs;
    if (runs && !settings.shortMode) settings.walkRuns = runs;
    return true;
}

// COM for this thread for the program's life.
class ComApartment {
public:
    ComApartment() : m_hr(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

}  // namespace

int main(int argc, char** argv) {
    mv::bench::BenchSettings settings;
    if (!ParseArguments(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: mvbench [--short] [--runs R] [--section NAME]...   (R = repeats of every figure, %d or "
                     "more)\n",
                     kMinimumRuns);
        return 2;
    }
    ComApartment apartment;
    if (FAILED(apartment.result())) {
        std::fprintf(stderr, "mvbench: CoInitializeEx failed: 0x%08lx\n",
                     static_cast<unsigned long>(apartment.result()));
        return 1;
    }
    mv::test::ModuleRegistration registration;
    if (registration.result() != S_OK) {
        std::fprintf(stderr, "mvbench: the module could not be registered: 0x%08lx\n",
                     static_cast<unsigned long>(registration.result()));
        return 1;
    }
    std::printf("mvbench: %s mode, median of %d runs per figure\n", settings.shortMode ? "short" : "full",
                settings.runs);
    std::fflush(stdout);

    mv::bench::ResultTable table;
    using Section = void (*)(const mv::bench::BenchSettings&, mv::bench::ResultTable&);
    const struct {
        const char* name;
        Section measure;
    } sections[] = {
        {"in process", mv::bench::MeasureInProcess},
        {"cross process", mv::bench::MeasureCrossProcess},
        {"tree walks", mv::bench::MeasureTreeWalks},
        {"hwnd lookup", mv::bench::MeasureHwndLookup},
        {"journal", mv::bench::MeasureJournal},
    };
    for (const auto& section : sections) {
        const auto& only = settings.sections;
        if (!only.empty() && std::find(only.begin(), only.end(), section.name) == only.end()) continue;
        std::fprintf(stderr, "mvbench: measuring %s...\n", section.name);
        section.measure(settings, table);
    }
    std::printf("\n");
    table.Print(stdout);
    const int problems = table.problems();
    if (problems) {
        std::printf("\nmvbench: %d figure(s) not measured\n", problems);
        return 1;
    }
    std::printf("\nmvbench: table complete\n");
    return 0;
}
