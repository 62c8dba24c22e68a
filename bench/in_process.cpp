// The module's own overhead per call: CallIntMethod on fixtures.Base.intResult() through the main
// object, against the JNI calls a caller would make for the same result (GetObjectClass,
// GetMethodID, CallIntMethodA, ExceptionCheck, DeleteLocalRef), both through the harness proxy.

#include <windows.h>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "jni_server.h"
#include "jniproxy/mv_jni_proxy.h"
#include "jvm/mv_java_cpp.h"
#include "measure.h"
#include "sections.h"

namespace mv::bench {
namespace {

constexpr char kSection[] = "in process";
constexpr char kFigure[] = "CallIntMethod (bridge)";
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

long long ProxyRequests() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return counters.calls;
}

// JNI requests one operation sends to the server.
template <typename Operation>
long long RequestsOf(Operation&& operation) {
    const long long before = ProxyRequests();
    operation();
    return ProxyRequests() - before;
}

void Measure(const BenchSettings& settings, JNIEnv* env, IMvJavaCpp* bridge, UINT64 handle, ResultTable& table) {
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

    bool bridgeOk = false;
    bool directOk = false;
    const double direct = MedianMicrosecondsPer(settings.runs, settings.callsPerRun, directOk, directCall);
    const double viaBridge = MedianMicrosecondsPer(settings.runs, settings.callsPerRun, bridgeOk, bridgeCall);
    if (!bridgeOk || !directOk) {
        table.AddProblem(kSection, kFigure, bridgeOk ? "the direct JNI calls failed" : "CallIntMethod failed");
        return;
    }
    Row row;
    row.section = kSection;
    row.figure = kFigure;
    row.value = viaBridge;
    row.unit = "us";
    row.floorName = "same JNI work direct through the proxy";
    row.floor = direct;
    row.notes = "JNI requests per call: bridge " + std::to_string(RequestsOf(bridgeCall)) + ", direct " +
                std::to_string(RequestsOf(directCall)) + "; " + std::to_string(settings.callsPerRun) + " calls/run";
    table.Add(row);
}

}  // namespace

void MeasureInProcess(const BenchSettings& settings, ResultTable& table) {
    MvJniProxy_SetTracing(0);
    test::JniServerSettings serverSettings;
    serverSettings.checkJni = false;  // its checks would be part of both figures
    test::JniServer server(serverSettings);
    if (!server.started()) {
        table.AddProblem(kSection, kFigure, "no JNI server: " + server.error());
        return;
    }
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
    Measure(settings, attachment.env(), bridge.get(), handle, table);
    bridge->DeleteJavaObject(handle);
}

}  // namespace mv::bench
