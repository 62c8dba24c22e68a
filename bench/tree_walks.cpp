// Whole-tree reads of samples.GeneratedApp windows of several sizes: through component objects
// (mvjava's counting walker: one COM call per child list, class, attribute and bounds) and through
// the one-call snapshot. The module floor of each is its own number of cross-process calls at the
// cost of the no-op call measured on the same host, plus its JNI requests and one attach per call
// at the harness's prices; the growth note compares each size with the one before it.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "bench_host.h"
#include "component_tree.h"
#include "component_walk.h"
#include "measure.h"
#include "sections.h"
#include "snapshot_fetch.h"

namespace mv::bench {
namespace {

constexpr char kSection[] = "tree walk";
constexpr int kNoOpCalls = 200;

struct Read {
    bool ok = false;
    std::string problem;
    double milliseconds = 0;  // median
    long calls = 0;
    std::size_t components = 0;
    int runs = 0;
};

// `oneRead` fills in the nodes and its COM calls, or answers false with a problem.
// A walk of thousands of components takes long enough to need no warm-up run; `warmUp` asks
// for one (the snapshot's first call also loads its Java code).
template <typename OneRead>
Read Repeat(const char* what, int size, int runs, bool warmUp, OneRead&& oneRead) {
    Read read;
    std::vector<double> times;
    for (int run = warmUp ? -1 : 0; run < runs; ++run) {
        long calls = 0;
        std::vector<mvjava::ComponentNode> nodes;
        const Clock::time_point begin = Clock::now();
        if (!oneRead(nodes, calls, read.problem)) return read;
        const double ms = Microseconds(Clock::now() - begin) / 1000;
        std::fprintf(stderr, "mvbench:   %s, N=%d: %.1f ms, %ld calls\n", what, size, ms, calls);
        if (run < 0) continue;
        times.push_back(ms);
        read.calls = calls;
        read.components = mvjava::CountNodes(nodes);
    }
    read.ok = true;
    read.runs = static_cast<int>(times.size());
    read.milliseconds = Median(times);
    return read;
}

Read Walk(IMvJavaCpp* jvm, int size, int runs) {
    return Repeat("walk", size, runs, false,
                  [jvm](std::vector<mvjava::ComponentNode>& nodes, long& calls, std::string& problem) {
        try {
            mvjava::ComponentWalker walker(jvm);
            nodes = walker.WalkWindows(-1);
            calls = walker.calls();
            return true;
        } catch (const std::exception& e) {
            problem = std::string("the walk failed: ") + e.what();
            return false;
        }
    });
}

Read Snapshot(IMvJavaCpp* jvm, int size, int runs) {
    return Repeat("snapshot", size, runs, true,
                  [jvm](std::vector<mvjava::ComponentNode>& nodes, long& calls, std::string& problem) {
        mvjava::SnapshotAnswer answer = mvjava::SnapshotWindows(jvm, -1);
        if (!answer.nodes) {
            problem = "the one call failed: " + answer.problem;
            return false;
        }
        nodes = std::move(*answer.nodes);
        calls = answer.calls;
        return true;
    });
}

// `read` with the JNI requests and attaches its reads made in the host (`reads` of them).
template <typename Reader>
Read CountedRead(test::HostProcess& host, int reads, Counts& counts, Reader&& reader) {
    ProxyCount before, after;
    const bool counted = HostProxyCount(host, before);
    Read read = reader();
    if (read.ok && !(counted && HostProxyCount(host, after))) {
        read.ok = false;
        read.problem = "the host's JNI counts could not be read";
    }
    if (read.ok) counts = CountsBetween(before, after, static_cast<double>(read.calls), reads);
    return read;
}

void AddRead(ResultTable& table, const std::string& figure, const Read& read, const Counts& counts,
             const HarnessPrices& prices, double noOpMicroseconds, const std::optional<Read>& previous) {
    if (!read.ok) {
        table.AddProblem(kSection, figure, read.problem);
        return;
    }
    Row row;
    row.section = kSection;
    row.figure = figure;
    row.value = read.milliseconds;
    row.unit = "ms";
    row.counts = counts;
    // Each COM call is an operation of its own: one attach each, when it made one.
    row.SetFloors(prices, noOpMicroseconds, std::min(counts.comCalls, counts.attaches));
    row.notes = std::to_string(read.components) + " components, " +
                Format("%.2f", static_cast<double>(read.calls) / static_cast<double>(read.components)) +
                " COM calls each, " + std::to_string(read.runs) + " run(s); no-op call " +
                Format("%.1f us", noOpMicroseconds) + ", " + PricesText(prices);
    if (previous && previous->ok && previous->milliseconds > 0 && previous->components > 0) {
        row.notes += "; growth vs " + std::to_string(previous->components) + ": time " +
                     Format("%.2fx", read.milliseconds / previous->milliseconds) + ", calls " +
                     Format("%.2fx", static_cast<double>(read.calls) / static_cast<double>(previous->calls)) +
                     ", components " +
                     Format("%.2fx", static_cast<double>(read.components) / static_cast<double>(previous->components));
    }
    table.Add(row);
}

}  // namespace

void MeasureTreeWalks(const BenchSettings& settings, ResultTable& table) {
    std::optional<Read> previousWalk;
    std::optional<Read> previousSnapshot;
    for (int size : settings.treeSizes) {
        const std::string walkFigure = "walk, component objects, N=" + std::to_string(size);
        const std::string snapshotFigure = "walk, one-call snapshot, N=" + std::to_string(size);
        BenchHost host("samples.GeneratedApp", {std::to_string(size)}, 1);
        if (!host.ready()) {
            table.AddProblem(kSection, walkFigure, host.problem());
            table.AddProblem(kSection, snapshotFigure, host.problem());
            previousWalk.reset();
            previousSnapshot.reset();
            continue;
        }
        bool floorOk = false;
        const double noOp = NoOpCallMicroseconds(host.jvm(), settings.runs, kNoOpCalls, floorOk);
        HarnessPrices prices;
        if (!floorOk || !HostPrices(host.process(), settings.runs, prices)) {
            const char* problem = floorOk ? "the host did not answer its prices" : "the no-op call failed";
            table.AddProblem(kSection, walkFigure, problem);
            table.AddProblem(kSection, snapshotFigure, problem);
            continue;
        }
        Counts walkCounts, snapshotCounts;
        const Read walk = CountedRead(host.process(), settings.walkRuns, walkCounts,
                                      [&] { return Walk(host.jvm(), size, settings.walkRuns); });
        // The snapshot's warm-up read is counted too.
        const Read snapshot = CountedRead(host.process(), settings.runs + 1, snapshotCounts,
                                          [&] { return Snapshot(host.jvm(), size, settings.runs); });
        AddRead(table, walkFigure, walk, walkCounts, prices, noOp, previousWalk);
        AddRead(table, snapshotFigure, snapshot, snapshotCounts, prices, noOp, previousSnapshot);
        if (walk.ok && snapshot.ok && walk.components != snapshot.components)
            table.AddProblem(kSection, "walk and snapshot agree, N=" + std::to_string(size),
                             "the walk saw " + std::to_string(walk.components) + " components, the snapshot " +
                                 std::to_string(snapshot.components));
        previousWalk = walk;
        previousSnapshot = snapshot;
    }
}

}  // namespace mv::bench
