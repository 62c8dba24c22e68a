// The hook's journal as `mvjava watch` reads it, in a host running the login sample, with clicks
// made in the application by samples.EventPump: the time from an event to the reader having it
// (median and 95th percentile, at 20 events a second); the events lost at 200 a second for 60 s
// (10 s in the short mode); and what an event costs on the application's event thread with the
// journal and without it (the hook listening either way), in the same turns.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_host.h"
#include "common/com/bstr.h"
#include "exit_codes.h"
#include "java_arguments.h"
#include "java_ref.h"
#include "journal_reader.h"
#include "measure.h"
#include "sections.h"

namespace mv::bench {
namespace {

constexpr char kSection[] = "journal";
constexpr char kLatency[] = "event to reader (median)";
constexpr char kLoss[] = "events lost at 200/s";
constexpr char kWith[] = "event thread per event, journal on";
constexpr char kWithout[] = "event thread per event, journal off";
constexpr int kReadWaitMs = 500;

long long NowMilliseconds() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<long long>(ticks / 10000 - 11644473600000ULL);  // since 1970
}

// A static method of `object`'s class with int arguments, answering a long (or an int, widened).
bool CallStatic(IMvJavaCpp* jvm, UINT64 object, const wchar_t* method, const wchar_t* signature,
                std::vector<VARIANT> args, LONGLONG& answer) {
    unique_variant array;
    if (!mvjava::MakeArgumentArray(array, std::move(args))) return false;
    const auto name = unique_bstr::copy_of(method), sig = unique_bstr::copy_of(signature);
    const std::wstring s(signature);
    if (s.back() == L'J') return jvm->CallStaticLongMethod(object, name.get(), sig.get(), array.get(), &answer) == S_OK;
    if (s.back() == L'V') return jvm->CallStaticVoidMethod(object, name.get(), sig.get(), array.get()) == S_OK;
    LONG value = 0;
    const bool ok = jvm->CallStaticIntMethod(object, name.get(), sig.get(), array.get(), &value) == S_OK;
    answer = value;
    return ok;
}

// Reads until `expected` clicks of the pump arrived or `limitMs` passed; their latencies in ms.
std::vector<double> ReadClicks(mvjava::JournalReader& journal, int expected, DWORD limitMs, long long& received) {
    std::vector<double> latencies;
    received = 0;
    const ULONGLONG start = ::GetTickCount64();
    while (received < expected && ::GetTickCount64() - start < limitMs) {
        for (const mvjava::JournalEvent& e : journal.Next(kReadWaitMs)) {
            const long long now = NowMilliseconds();
            if (e.event != L"click" || e.name != L"userLabel") continue;
            ++received;
            latencies.push_back(static_cast<double>(now - e.time));
        }
    }
    return latencies;
}

void AddRow(ResultTable& table, const char* figure, double value, const char* unit, std::string notes) {
    Row row;
    row.section = kSection;
    row.figure = figure;
    row.value = value;
    row.unit = unit;
    row.notes = std::move(notes);
    table.Add(row);
}

void Measure(const BenchSettings& settings, BenchHost& host, ResultTable& table) {
    IMvJavaCpp* jvm = host.jvm();
    UINT64 pump = 0, hook = 0;
    if (jvm->NewDefJavaObject(unique_bstr::copy_of(L"samples.EventPump").get(), &pump) != S_OK ||
        jvm->GetMorvaneAWTHook(&hook) != S_OK)
        throw mvjava::Failure(mvjava::ExitCode::kCallFailed, "no samples.EventPump or no hook in the host");
    const mvjava::JavaRef pumpRef(jvm, pump), hookRef(jvm, hook);
    mvjava::JournalReader journal(jvm, mvjava::kJournalMask);
    while (!journal.Next(0).empty()) {
    }
    LONGLONG answer = 0;

    // Latency, at a rate a person reaches.
    const int latencyEvents = settings.shortMode ? 60 : 300;
    if (!CallStatic(jvm, pump, L"post", L"(II)I", {mvjava::ArgumentI4(latencyEvents), mvjava::ArgumentI4(20)}, answer))
        throw mvjava::Failure(mvjava::ExitCode::kCallFailed, "EventPump.post failed");
    long long received = 0;
    std::vector<double> latencies = ReadClicks(journal, latencyEvents, latencyEvents * 50 + 30000, received);
    std::sort(latencies.begin(), latencies.end());
    const double p95 = latencies.empty() ? 0 : latencies[latencies.size() * 95 / 100];
    AddRow(table, kLatency, Median(latencies), "ms",
           Format("95th percentile %.0f ms; ", p95) + std::to_string(received) + " of " +
               std::to_string(latencyEvents) + " clicks at 20/s; clocks of two processes, 1 ms steps");

    // Loss at 200 a second.
    const int seconds = settings.shortMode ? 10 : 60, burst = 200 * seconds;
    const long long droppedBefore = journal.dropped();
    if (!CallStatic(jvm, pump, L"post", L"(II)I", {mvjava::ArgumentI4(burst), mvjava::ArgumentI4(200)}, answer))
        throw mvjava::Failure(mvjava::ExitCode::kCallFailed, "EventPump.post failed");
    ReadClicks(journal, burst, static_cast<DWORD>(seconds) * 1000 + 30000, received);
    AddRow(table, kLoss, static_cast<double>(burst - received), "events",
           std::to_string(received) + " of " + std::to_string(burst) + " read in " + std::to_string(seconds) +
               " s; the journal dropped " + std::to_string(journal.dropped() - droppedBefore));

    // The event thread's cost per event, journal on and off in turns, the hook listening both times.
    std::vector<double> on, off;
    const int dispatches = settings.shortMode ? 500 : 2000;
    for (int run = 0; run < settings.runs; ++run) {
        for (const bool journalOn : {true, false}) {
            if (!CallStatic(jvm, hook, L"setJournal", L"(Z)V", {mvjava::ArgumentBool(journalOn)}, answer) ||
                !CallStatic(jvm, pump, L"dispatchNanos", L"(I)J", {mvjava::ArgumentI4(dispatches)}, answer))
                throw mvjava::Failure(mvjava::ExitCode::kCallFailed, "EventPump.dispatchNanos failed");
            (journalOn ? on : off).push_back(static_cast<double>(answer));
        }
    }
    while (!journal.Next(0).empty()) {  // what the dispatches recorded, read so that it does not pile up
    }
    const double withJournal = Median(on), without = Median(off);
    AddRow(table, kWith, withJournal, "ns",
           Format("%+.1f%% against off; ", 100 * (withJournal - without) / without) + std::to_string(dispatches) +
               " clicks dispatched per run");
    AddRow(table, kWithout, without, "ns", "the hook counts the event only");
}

}  // namespace

void MeasureJournal(const BenchSettings& settings, ResultTable& table) {
    BenchHost host("samples.LoginApp", {}, 1);
    const auto fail = [&](const std::string& problem) {
        for (const char* figure : {kLatency, kLoss, kWith, kWithout}) table.AddProblem(kSection, figure, problem);
    };
    if (!host.ready()) return fail(host.problem());
    try {
        Measure(settings, host, table);
    } catch (const mvjava::Failure& failure) {
        fail(failure.what());
    }
}

}  // namespace mv::bench
