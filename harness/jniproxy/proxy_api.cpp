// The exported controls of jniproxy.dll (see mv_jni_proxy.h).

#include "mv_jni_proxy.h"

#include <cstring>
#include <string>

#include "counters.h"
#include "faults.h"
#include "jvmti_stand_in.h"
#include "proxy_env.h"
#include "proxy_vm.h"
#include "server_process.h"
#include "trace.h"

using namespace mv::proxy;

MV_JNI_PROXY_API JavaVM* MvJniProxy_StartServer(const MvJniServerConfig* config, char* error,
                                                size_t errorSize) {
    std::string message;
    bool started = false;
    if (config == nullptr) message = "no configuration";
    else started = StartServer(*config, message);
    if (!started && error != nullptr && errorSize > 0) {
        std::size_t n = message.size() < errorSize - 1 ? message.size() : errorSize - 1;
        std::memcpy(error, message.data(), n);
        error[n] = '\0';
    }
    return started ? ProxyJavaVM() : nullptr;
}

MV_JNI_PROXY_API int MvJniProxy_StopServer(void) { return StopServer() ? 1 : 0; }

MV_JNI_PROXY_API JavaVM* MvJniProxy_GetJavaVM(void) {
    ServerInfo info;
    return CurrentServer(info) ? ProxyJavaVM() : nullptr;
}

MV_JNI_PROXY_API int MvJniProxy_ServerPort(void) {
    ServerInfo info;
    return CurrentServer(info) ? info.port : 0;
}

MV_JNI_PROXY_API unsigned MvJniProxy_ServerPid(void) {
    ServerInfo info;
    return CurrentServer(info) ? info.pid : 0;
}

MV_JNI_PROXY_API void MvJniProxy_SetTracing(int enabled) { SetTraceEnabled(enabled != 0); }

MV_JNI_PROXY_API size_t MvJniProxy_ReadTrace(char* buffer, size_t size) {
    std::string text = TraceText();
    if (buffer != nullptr && size > text.size()) std::memcpy(buffer, text.c_str(), text.size() + 1);
    return text.size() + 1;
}

MV_JNI_PROXY_API void MvJniProxy_ClearTrace(void) { ClearTrace(); }

MV_JNI_PROXY_API void MvJniProxy_GetCounters(MvJniProxyCounters* counters) {
    if (counters == nullptr) return;
    const ProxyCounters& c = Counters();
    counters->globalRefsMade = c.globalRefsMade;
    counters->globalRefsDeleted = c.globalRefsDeleted;
    counters->weakRefsMade = c.weakRefsMade;
    counters->weakRefsDeleted = c.weakRefsDeleted;
    counters->attaches = c.attaches;
    counters->detaches = c.detaches;
    counters->calls = c.calls;
}

MV_JNI_PROXY_API void MvJniProxy_ResetCounters(void) {
    ProxyCounters& c = Counters();
    c.globalRefsMade = 0;
    c.globalRefsDeleted = 0;
    c.weakRefsMade = 0;
    c.weakRefsDeleted = 0;
    c.attaches = 0;
    c.detaches = 0;
    c.calls = 0;
}

MV_JNI_PROXY_API int MvJniProxy_FailNext(const char* function, int count) {
    return ArmFault(function, count) ? 1 : 0;
}

MV_JNI_PROXY_API void MvJniProxy_ClearFaults(void) { ClearFaults(); }

MV_JNI_PROXY_API void MvJniProxy_SetReferenceOffset(unsigned long long offset) { SetReferenceOffset(offset); }

MV_JNI_PROXY_API int MvJniProxy_PostVmEvent(const char* event) { return event ? PostVmEvent(event) : -1; }
