// The module's own overhead per call: CallIntMethod on fixtures.Base.intResult() through the main
// object, against the JNI calls a caller would make for the same result (GetObjectClass,
// GetMethodID, CallIntMethodA, ExceptionCheck, DeleteLocalRef), both through the harness proxy.
// The same call with the module's handle and argument checks switched off, and a call with one
// object parameter (fixtures.Echo.nameOf(fixtures.Base)) with them and without, in the same turns.
// Also the harness's prices that every floor is computed with: a JNI request (the direct work's
// time over its requests) and an attach with its detach.

#include <windows.h>

#include <string>
#include <utility>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "java_arguments.h"
#include "jni_server.h"
#include "jniproxy/mv_jni_proxy.h"
#include "bridge/bridge_call.h"
#include "jvm/mv_java_cpp.h"
#include "measure.h"
#include "sections.h"

namespace mv::bench {
namespace {

constexpr char kSection[] = "in process";
constexpr char kFigure[] = "CallIntMethod (bridge)";
constexpr char kBedSection[] = "test bed";
constexpr char kRequestFigure[] = "one JNI request (loopback round trip)";
constexpr char kAttachFigure[] = "attach and detach a thread";
constexpr int kAttachesPerRun = 20;
constexpr int kIntResult = 5;  // what fixtures.Base.intResult() answers

// The calling thread attached to the server's JVM for the section's life.
class Attachment {
public:
    explicit Attachment(JavaVM* vm) : m_vm(vm) {
        if (m_vm->AttachCurrentThread(reinterpret_cast<void**>(&m_env), nullptr) != JNI_OK) m_env = nullptr;
    }
    ~Attachment() {
        if (m_env) m_vm->DetachCurrentThread();
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    JNIEnv* env() const { return m_env; }

private:
    JavaVM* m_vm;
    JNIEnv* m_env = nullptr;
};

// A row of the test bed's prices: one attach or one JNI request, whose floors hold only that price.
Row PriceRow(const char* figure, double us, const Counts& counts, const HarnessPrices& prices, std::string notes) {
    Row row;
    row.section = kBedSection;
    row.figure = figure;
    row.value = us;
    row.unit = "us";
    row.counts = counts;
    row.SetFloors(prices, 0, 0);
    row.notes = std::move(notes);
    return row;
}

// An attach and its detach of this (detached) thread, as every operation of a thread that no
// Java code attached pays once.
bool MeasureAttach(const BenchSettings& settings, JavaVM* vm, HarnessPrices& prices, ResultTable& table) {
    bool ok = false;
    prices.attachUs = MedianMicrosecondsPer(settings.runs, kAttachesPerRun, ok, [vm] {
        void* env = nullptr;
        return vm->AttachCurrentThread(&env, nullptr) == JNI_OK && vm->DetachCurrentThread() == JNI_OK;
    });
    if (!ok) {
        table.AddProblem(kBedSection, kAttachFigure, "the thread could not attach");
        return false;
    }
    Counts one;
    one.attaches = 1;
    table.Add(PriceRow(kAttachFigure, prices.attachUs, one, prices,
                       "a new connection and JVM thread each; " + std::to_string(kAttachesPerRun) + "/run"));
    return true;
}

// `call` with the module's checks switched off for its length.
template <typename Call>
bool Unchecked(Call& call) {
    SetBridgeChecks(false);
    const bool ok = call();
    SetBridgeChecks(true);
    return ok;
}

// The counts per call of `calls` calls of `call` in this process.
template <typename Call>
Counts CountOf(int calls, Call&& call) {
    const ProxyCount before = LocalProxyCount();
    for (int i = 0; i < calls; ++i) call();
    return CountsBetween(before, LocalProxyCount(), 1, calls);
}

// A call with one object parameter: Echo.nameOf(Base), an application class the method's loader
// resolves.
struct ObjectParameterCall {
    IMvJavaCpp* bridge;
    UINT64 echo, base;
    bool operator()() const {
        const unique_bstr name(::SysAllocString(L"nameOf"));
        const unique_bstr signature(::SysAllocString(L"(Lfixtures/Base;)Ljava/lang/String;"));
        unique_variant args;
        if (!mvjava::MakeArgumentArray(args, {mvjava::ArgumentUI8(base)})) return false;
        unique_bstr answer;
        return bridge->CallStaticStringMethod(echo, name.get(), signature.get(), args.get(), answer.put()) == S_OK &&
               answer.view() == L"fixtures.Base";
    }
};

void Measure(const BenchSettings& settings, JNIEnv* env, IMvJavaCpp* bridge, UINT64 handle,
             const ObjectParameterCall& objectCall, HarnessPrices& prices, ResultTable& table) {
    const unique_bstr name(::SysAllocString(L"intResult"));
    const unique_bstr signature(::SysAllocString(L"()I"));
    VARIANT none;
    ::VariantInit(&none);
    auto bridgeCall = [&] {
        LONG value = 0;
        return bridge->CallIntMethod(handle, name.get(), signature.get(), none, &value) == S_OK && value == kIntResult;
    };
    const jobject object = reinterpret_cast<jobject>(static_cast<UINT_PTR>(handle));
    auto directCall = [&] {
        jclass cls = env->GetObjectClass(object);
        if (!cls) return false;
        const jmethodID method = env->GetMethodID(cls, "intResult", "()I");
        const jint value = method ? env->CallIntMethodA(object, method, nullptr) : 0;
        const bool thrown = env->ExceptionCheck() == JNI_TRUE;
        if (thrown) env->ExceptionClear();
        env->DeleteLocalRef(cls);
        return method && !thrown && value == kIntResult;
    };
    auto noOpCall = [&] {
        VARIANT_BOOL complete = VARIANT_FALSE;
        return bridge->IsDisconnectObserverComplete(&complete) == S_OK;
    };

    auto uncheckedCall = [&] { return Unchecked(bridgeCall); };
    auto uncheckedObjectCall = [&] { return Unchecked(objectCall); };

    bool ok = false;
    const std::vector<double> medians =
        InterleavedMedians(settings.runs, settings.callsPerRun, ok,
                           {directCall, bridgeCall, noOpCall, uncheckedCall, objectCall, uncheckedObjectCall});
    const double direct = medians[0], viaBridge = medians[1], noOp = medians[2];
    ProxyCount before = LocalProxyCount();
    directCall();
    const Counts directCounts = CountsBetween(before, LocalProxyCount(), 0, 1);
    before = LocalProxyCount();
    for (int i = 0; i < settings.callsPerRun; ++i) bridgeCall();
    const Counts bridgeCounts = CountsBetween(before, LocalProxyCount(), 1, settings.callsPerRun);
    if (!ok || directCounts.jniRequests <= 0) {
        const char* problem = "the bridge call, the direct JNI calls or the no-op call failed";
        table.AddProblem(kBedSection, kRequestFigure, problem);
        table.AddProblem(kSection, kFigure, problem);
        return;
    }
    prices.requestUs = direct / directCounts.jniRequests;
    Counts one;
    one.jniRequests = 1;
    table.Add(PriceRow(kRequestFigure, prices.requestUs, one, prices,
                       "the direct work's time over its " + CountText(directCounts.jniRequests) + " requests"));

    Row row;
    row.section = kSection;
    row.figure = kFigure;
    row.value = viaBridge;
    row.unit = "us";
    row.counts = bridgeCounts;
    // This thread stays attached for the section, so the module's rules require no attach here.
    row.SetFloors(prices, noOp, 0);
    row.notes = "no-op call " + Format("%.1f us", noOp) + "; direct work " + Format("%.1f us", direct) + "; " +
                std::to_string(settings.callsPerRun) + " calls/run";
    table.Add(row);

    // The checks' share: the same calls with the checks off, in the same turns.
    const auto checksRow = [&](const char* figure, double value, const Counts& counts, std::string notes) {
        Row r;
        r.section = kSection;
        r.figure = figure;
        r.value = value;
        r.unit = "us";
        r.counts = counts;
        r.SetFloors(prices, noOp, 0);
        r.notes = std::move(notes);
        table.Add(r);
    };
    const auto share = [](double on, double off) { return Format("%+.1f%% with the checks", 100.0 * (on - off) / off); };
    checksRow("CallIntMethod (bridge), checks off", medians[3], CountOf(settings.callsPerRun, uncheckedCall),
              share(viaBridge, medians[3]));
    checksRow("CallStaticStringMethod, one object parameter", medians[4], CountOf(settings.callsPerRun, objectCall),
              "Echo.nameOf(Base): the parameter's type from the reflected method");
    checksRow("CallStaticStringMethod, one object parameter, checks off", medians[5],
              CountOf(settings.callsPerRun, uncheckedObjectCall), share(medians[4], medians[5]));
}

}  // namespace

void MeasureInProcess(const BenchSettings& settings, ResultTable& table) {
    HarnessPrices prices;
    MvJniProxy_SetTracing(0);
    test::JniServerSettings serverSettings;
    serverSettings.checkJni = false;  // its checks would be part of both figures
    test::JniServer server(serverSettings);
    if (!server.started()) {
        table.AddProblem(kSection, kFigure, "no JNI server: " + server.error());
        return;
    }
    if (!MeasureAttach(settings, server.vm(), prices, table)) return;
    Attachment attachment(server.vm());
    if (!attachment.env()) {
        table.AddProblem(kSection, kFigure, "the thread could not attach to the JVM");
        return;
    }
    com_ptr<IMvJavaCpp> bridge;
    if (CreateMvJavaCpp(IID_IMvJavaCpp, bridge.put_void()) != S_OK ||
        bridge->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()),
                                   reinterpret_cast<UINT64>(server.vm())) != S_OK) {
        table.AddProblem(kSection, kFigure, "the main object could not be made with the JVM");
        return;
    }
    const unique_bstr className(::SysAllocString(L"fixtures.Base"));
    UINT64 handle = 0;
    if (bridge->NewDefJavaObject(className.get(), &handle) != S_OK || !handle) {
        table.AddProblem(kSection, kFigure, "no fixtures.Base object");
        return;
    }
    UINT64 echo = 0;
    const unique_bstr echoName(::SysAllocString(L"fixtures.Echo"));
    if (bridge->NewDefJavaObject(echoName.get(), &echo) != S_OK || !echo) {
        table.AddProblem(kSection, kFigure, "no fixtures.Echo object");
        return;
    }
    Measure(settings, attachment.env(), bridge.get(), handle, ObjectParameterCall{bridge.get(), echo, handle}, prices,
            table);
    bridge->DeleteJavaObject(echo);
    bridge->DeleteJavaObject(handle);
}

}  // namespace mv::bench
