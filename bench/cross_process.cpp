// The bridge call from another process: CallIntMethod on fixtures.Base.intResult() in a host,
// by vtable through the type library's proxy (early-bound) and by IDispatch::Invoke with its
// DISPID (late-bound). Its module floor: a no-op cross-process call, the same JNI requests at the
// harness's price, and the one attach a call from a thread no Java code attached requires. The
// early-bound call also goes, in the same turns, to a second host whose module has its handle and
// argument checks switched off (MVJAVA_BRIDGE_CHECKS=off in its environment): what they cost.

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "bench_host.h"
#include "common/com/bstr.h"
#include "measure.h"
#include "sections.h"

namespace mv::bench {
namespace {

constexpr char kSection[] = "cross process";
constexpr int kIntResult = 5;  // what fixtures.Base.intResult() answers

DISPID DispidOf(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) != S_OK) return DISPID_UNKNOWN;
    return id;
}

// The counts per call of `calls` calls of `call` in the host; false when the host did not answer.
template <typename Call>
bool CountCalls(test::HostProcess& host, int calls, Counts& counts, Call&& call) {
    ProxyCount before, after;
    if (!HostProxyCount(host, before)) return false;
    for (int i = 0; i < calls; ++i) call();
    if (!HostProxyCount(host, after)) return false;
    counts = CountsBetween(before, after, 1, calls);
    return true;
}

void Measure(const BenchSettings& settings, BenchHost& host, UINT64 handle, BenchHost& unchecked,
             UINT64 uncheckedHandle, ResultTable& table) {
    IMvJavaCpp* jvm = host.jvm();
    const unique_bstr name(::SysAllocString(L"intResult"));
    const unique_bstr signature(::SysAllocString(L"()I"));
    VARIANT none;
    ::VariantInit(&none);
    auto earlyBound = [&] {
        LONG value = 0;
        return jvm->CallIntMethod(handle, name.get(), signature.get(), none, &value) == S_OK && value == kIntResult;
    };
    const DISPID callInt = DispidOf(jvm, L"CallIntMethod");
    auto lateBound = [&] {
        // Arguments right to left: paramArray, methodsig, methodname, hjObject.
        VARIANT args[4];
        for (VARIANT& arg : args) ::VariantInit(&arg);
        V_VT(&args[1]) = VT_BSTR;
        V_BSTR(&args[1]) = signature.get();
        V_VT(&args[2]) = VT_BSTR;
        V_BSTR(&args[2]) = name.get();
        V_VT(&args[3]) = VT_UI8;
        V_UI8(&args[3]) = handle;
        DISPPARAMS params{args, nullptr, 4, 0};
        VARIANT result;
        ::VariantInit(&result);
        const HRESULT hr =
            jvm->Invoke(callInt, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        const bool ok = hr == S_OK && V_VT(&result) == VT_I4 && V_I4(&result) == kIntResult;
        ::VariantClear(&result);  // the arguments stay owned by the BSTRs above
        return ok;
    };

    // The no-op call and both calls in turns, one batch of each per run, each run after a reading
    // of the host's prices (the floor's parts then see the same load as the calls).
    std::vector<double> attachUs, requestUs;
    bool pricesOk = true;
    const auto readPrices = [&] {
        HarnessPrices reading;
        pricesOk = HostPrices(host.process(), 1, reading);
        attachUs.push_back(reading.attachUs);
        requestUs.push_back(reading.requestUs);
        return pricesOk;
    };
    const std::vector<std::function<bool()>> operations = {
        [&] {
            VARIANT_BOOL complete = VARIANT_FALSE;
            return jvm->IsDisconnectObserverComplete(&complete) == S_OK;
        },
        earlyBound, lateBound,
        [&] {
            LONG value = 0;
            return unchecked.jvm()->CallIntMethod(uncheckedHandle, name.get(), signature.get(), none, &value) == S_OK &&
                   value == kIntResult;
        }};
    bool ok = false;
    const std::vector<double> medians =
        InterleavedMedians(settings.runs, settings.callsPerRun, ok, operations, readPrices);
    if (!pricesOk || !ok || medians.size() < 4) {
        const char* problem = !pricesOk ? "the host did not answer its prices" : "a call failed";
        table.AddProblem(kSection, "CallIntMethod early-bound (vtable)", problem);
        table.AddProblem(kSection, "CallIntMethod late-bound (Invoke by DISPID)", problem);
        return;
    }
    const HarnessPrices prices{Median(requestUs), Median(attachUs)};
    const double floor = medians[0], early = medians[1], late = medians[2];
    const std::string notes = "no-op call " + Format("%.1f us", floor) + ", " + PricesText(prices) + "; " +
                              std::to_string(settings.callsPerRun) + " calls/run";
    Counts earlyCounts, lateCounts;
    const bool earlyOk = CountCalls(host.process(), settings.callsPerRun, earlyCounts, earlyBound);
    const bool lateOk = CountCalls(host.process(), settings.callsPerRun, lateCounts, lateBound);
    Row row;
    row.section = kSection;
    row.unit = "us";
    row.notes = notes;
    row.figure = "CallIntMethod early-bound (vtable)";
    row.value = early;
    row.counts = earlyCounts;
    row.SetFloors(prices, floor, 1);
    if (earlyOk) table.Add(row);
    else table.AddProblem(kSection, row.figure, "CallIntMethod failed or was not counted");
    row.figure = "CallIntMethod late-bound (Invoke by DISPID)";
    row.value = late;
    row.counts = lateCounts;
    row.SetFloors(prices, floor, 1);
    row.notes = notes + "; DISPID " + std::to_string(callInt) + " looked up once";
    if (lateOk) table.Add(row);
    else table.AddProblem(kSection, row.figure, "Invoke of CallIntMethod failed or was not counted");
    row.figure = "CallIntMethod early-bound, checks off";
    row.value = medians[3];
    row.counts = earlyCounts;
    row.SetFloors(prices, floor, 1);
    row.notes = Format("a host with MVJAVA_BRIDGE_CHECKS=off; %+.1f%% with the checks", 100.0 * (early - medians[3]) / medians[3]);
    if (earlyOk) table.Add(row);
}

// Sets a variable of this process's environment, which the processes it starts inherit, for the scope.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value) : m_name(name) {
        ::SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironmentVariable() { ::SetEnvironmentVariableW(m_name, nullptr); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    const wchar_t* m_name;
};

std::unique_ptr<BenchHost> StartUncheckedHost() {
    const ScopedEnvironmentVariable off(L"MVJAVA_BRIDGE_CHECKS", L"off");
    return std::make_unique<BenchHost>(std::string(), std::vector<std::string>(), 0);
}

}  // namespace

void MeasureCrossProcess(const BenchSettings& settings, ResultTable& table) {
    const char* const figures[] = {"CallIntMethod early-bound (vtable)", "CallIntMethod late-bound (Invoke by DISPID)",
                                   "CallIntMethod early-bound, checks off"};
    const auto fail = [&](const std::string& problem) {
        for (const char* figure : figures) table.AddProblem(kSection, figure, problem);
    };
    BenchHost host({}, {}, 0);
    const std::unique_ptr<BenchHost> unchecked = StartUncheckedHost();
    if (!host.ready() || !unchecked->ready()) return fail(host.ready() ? unchecked->problem() : host.problem());
    const unique_bstr className(::SysAllocString(L"fixtures.Base"));
    UINT64 handle = 0, uncheckedHandle = 0;
    if (host.jvm()->NewDefJavaObject(className.get(), &handle) != S_OK || !handle ||
        unchecked->jvm()->NewDefJavaObject(className.get(), &uncheckedHandle) != S_OK || !uncheckedHandle)
        return fail("no fixtures.Base object in a host");
    Measure(settings, host, handle, *unchecked, uncheckedHandle, table);
    host.jvm()->DeleteJavaObject(handle);
    unchecked->jvm()->DeleteJavaObject(uncheckedHandle);
}

}  // namespace mv::bench
