// GetComponentFromHwnd with 1, 20 and 100 top-level Java windows (samples.ManyWindows), and with the
// first count in a JVM at scale 2 (the native windows at the device rectangles). Java
// draws its windows outside Win32 here, so the host mirrors each one with a native window of the
// same title and bounds (its "mirror" command); the member then matches that window to its Java
// window. Each lookup is checked to answer ResultOK with a component. Its counts are taken around
// one more lookup whose component is released only afterwards (its release deletes a handle in
// Java, which is no part of the lookup).

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "bench_host.h"
#include "common/com/com_ptr.h"
#include "measure.h"
#include "sections.h"

namespace mv::bench {
namespace {

constexpr char kSection[] = "hwnd lookup";
constexpr int kLookupsPerRun = 20;
constexpr DWORD kMirrorTimeoutMs = 300000;

void Measure(const BenchSettings& settings, BenchHost& host, const std::vector<ULONG>& windows, int count,
             ResultTable& table, const std::string& figure) {
    IMvJavaCpp* jvm = host.jvm();
    // A fixed number of lookups per run, spread evenly over the windows: one lookup among 100
    // windows takes long enough that looking up every one of them each run would not fit in CI.
    const int lookups = settings.shortMode ? kLookupsPerRun / 2 : kLookupsPerRun;
    const std::size_t stride = windows.size() > static_cast<std::size_t>(lookups) ? windows.size() / lookups : 1;
    std::size_t next = 0;
    auto lookup = [&] {
        const ULONG window = windows[(next++ * stride) % windows.size()];
        GetHWNDResultInfo info = NoMatch;
        com_ptr<IDispatch> component;
        return jvm->GetComponentFromHwnd(window, &info, component.put()) == S_OK && info == ResultOK &&
               component;
    };
    bool floorOk = false;
    bool lookupOk = false;
    const double floor = NoOpCallMicroseconds(jvm, settings.runs, kLookupsPerRun * 10, floorOk);
    const double perLookup = MedianMicrosecondsPer(settings.runs, lookups, lookupOk, lookup);
    HarnessPrices prices;
    ProxyCount before, after;
    bool counted = HostPrices(host.process(), settings.runs, prices) && HostProxyCount(host.process(), before);
    {
        GetHWNDResultInfo info = NoMatch;
        com_ptr<IDispatch> component;
        counted = counted && jvm->GetComponentFromHwnd(windows.front(), &info, component.put()) == S_OK &&
                  HostProxyCount(host.process(), after);
    }
    if (!floorOk || !lookupOk || !counted) {
        table.AddProblem(kSection, figure,
                         !floorOk    ? "the no-op call failed"
                         : !lookupOk ? "a lookup did not answer ResultOK with a component"
                                     : "the host's prices or JNI counts could not be read");
        return;
    }
    Row row;
    row.section = kSection;
    row.figure = figure;
    row.value = perLookup;
    row.unit = "us";
    row.counts = CountsBetween(before, after, 1, 1);
    row.SetFloors(prices, floor, 1);
    row.notes = CountText(row.counts.RoundTrips()) + " JNI round trips; no-op call " + Format("%.1f us", floor) +
                ", " + PricesText(prices) + "; " +
                std::to_string(count) + " Java windows, " + std::to_string(lookups) + " lookups/run";
    table.Add(row);
}

}  // namespace

void MeasureHwndLookup(const BenchSettings& settings, ResultTable& table) {
    // Each count unscaled; the first also in a JVM at scale 2, whose native windows are at the device
    // rectangles: no window has the native rectangle exactly, so every lookup reads the scales too.
    std::vector<std::pair<int, int>> runs;  // windows, scale
    for (int count : settings.windowCounts) runs.emplace_back(count, 1);
    if (!settings.windowCounts.empty()) runs.emplace_back(settings.windowCounts.front(), 2);
    for (const auto& [count, scale] : runs) {
        const std::string figure = "GetComponentFromHwnd, " + std::to_string(count) + " windows" +
                                   (scale == 1 ? "" : ", at scale " + std::to_string(scale));
        BenchHost host("samples.ManyWindows", {std::to_string(count)}, static_cast<std::size_t>(count),
                       scale == 1 ? std::vector<std::string>{}
                                  : std::vector<std::string>{"-Dsun.java2d.uiScale=" + std::to_string(scale)});
        if (!host.ready()) {
            table.AddProblem(kSection, figure, host.problem());
            continue;
        }
        const std::vector<std::string> lines =
            host.process().CommandLines("mirror " + std::to_string(scale), "mirror done", kMirrorTimeoutMs);
        const std::vector<ULONG> windows = test::MirroredWindows(lines);
        if (lines.empty() || lines.back() != "mirror done" || windows.size() != static_cast<std::size_t>(count)) {
            table.AddProblem(kSection, figure,
                             "the host mirrored " + std::to_string(windows.size()) + " windows; last answer: " +
                                 (lines.empty() ? std::string("none") : lines.back()));
        } else {
            Measure(settings, host, windows, count, table, figure);
        }
        for (ULONG window : windows) host.process().Command("close " + std::to_string(window));
    }
}

}  // namespace mv::bench
