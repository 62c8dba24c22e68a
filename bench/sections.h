#pragma once
// The benchmark's sections; each adds its rows (or the problems that kept it from measuring) to
// the table. Each computes its floors with the harness's prices measured where its work runs (this
// process, or the host's "prices" command).

#include "bench_settings.h"
#include "result_table.h"

namespace mv::bench {

// A bridge call in this process against the same JNI work done directly (JVM through jniproxy),
// and the harness's prices of a JNI request and of an attach.
void MeasureInProcess(const BenchSettings& settings, ResultTable& table);
// The same bridge call from this process into a host, early- and late-bound.
void MeasureCrossProcess(const BenchSettings& settings, ResultTable& table);
// Whole-tree walks of generated windows through component objects and through the one call.
void MeasureTreeWalks(const BenchSettings& settings, ResultTable& table);
// GetComponentFromHwnd with many top-level Java windows.
void MeasureHwndLookup(const BenchSettings& settings, ResultTable& table);

// The hook's journal: event to reader, events lost at 200 a second, cost on the event thread.
void MeasureJournal(const BenchSettings& settings, ResultTable& table);

}  // namespace mv::bench
