#include "proxy_vm.h"

#include <memory>
#include <string>

#include "counters.h"
#include "custom_functions.h"
#include "faults.h"
#include "jvmti_stand_in.h"
#include "proxy_env.h"
#include "server_process.h"
#include "trace.h"

namespace mv::proxy {

namespace {

void Trace(std::string line) {
    if (TraceEnabled()) AddTraceLine(std::move(line));
}

// The versions the JVM's GetEnv accepts (JNI 1.1 up to what the JVM reports).
bool IsSupportedVersion(jint version, jint jvmVersion) {
    switch (version) {
    case JNI_VERSION_1_1: case JNI_VERSION_1_2: case JNI_VERSION_1_4: case JNI_VERSION_1_6:
    case JNI_VERSION_1_8: case JNI_VERSION_9: case JNI_VERSION_10:
        return version <= jvmVersion;
    default:
        return false;
    }
}

jint Attach(void** penv, void* args, bool daemon) {
    const char* name = daemon ? "AttachCurrentThreadAsDaemon" : "AttachCurrentThread";
    if (ProxyEnv* session = CurrentSession()) {  // attaching an attached thread changes nothing
        *penv = session->env();
        Trace(std::string(name) + "() -> 0 (already attached)");
        return JNI_OK;
    }
    ServerInfo server;
    if (!CurrentServer(server)) return JNI_ERR;
    if (TakeFault(name)) {
        Trace(std::string(name) + "() -> -1 (injected fault)");
        return JNI_ERR;
    }
    // Every attach is a new loopback connection, and a JVM's attach does not fail for want of one:
    // a connect that fails under load is tried again for a few seconds.
    unique_socket connection = ConnectToLoopback(server.port);
    for (int retry = 0; !connection && retry < 100; ++retry) {
        ::Sleep(50);
        connection = ConnectToLoopback(server.port);
    }
    if (!connection) {
        Trace(std::string(name) + "() -> -1 (no connection to the JNI server)");
        return JNI_ERR;
    }
    auto session = std::make_unique<ProxyEnv>(std::move(connection), server.generation);
    auto* attachArgs = static_cast<JavaVMAttachArgs*>(args);
    wire::Writer& request = session->Request();
    request.Put(server.token);
    request.Put<std::uint8_t>(daemon);
    request.Put<std::uint8_t>(attachArgs != nullptr);
    request.Put(attachArgs != nullptr ? attachArgs->version : 0);
    request.PutString(attachArgs != nullptr ? attachArgs->name : nullptr);
    request.Put(attachArgs != nullptr ? attachArgs->group : nullptr);
    wire::Reader reply(nullptr, 0);
    jint result = JNI_ERR;
    if (session->TryTransact(wire::kOpAttach, reply)) result = reply.Get<jint>();
    Trace(std::string(name) + "() -> " + std::to_string(result));
    if (result != JNI_OK) return result;
    Counters().attaches++;
    *penv = session->env();
    SetCurrentSession(session.release());
    return JNI_OK;
}

jint JNICALL DestroyJavaVM(JavaVM*) {
    Trace("DestroyJavaVM()");
    return StopServer() ? JNI_OK : JNI_ERR;
}

jint JNICALL AttachCurrentThread(JavaVM*, void** penv, void* args) { return Attach(penv, args, false); }

jint JNICALL AttachCurrentThreadAsDaemon(JavaVM*, void** penv, void* args) {
    return Attach(penv, args, true);
}

jint JNICALL DetachCurrentThread(JavaVM*) {
    std::unique_ptr<ProxyEnv> session(CurrentSession());
    if (!session) {  // as in the JVM: detaching a detached thread is a no-op
        Trace("DetachCurrentThread() -> 0 (not attached)");
        return JNI_OK;
    }
    SetCurrentSession(nullptr);
    wire::Reader reply(nullptr, 0);
    session->Request();
    jint result = session->TryTransact(wire::kOpDetach, reply) ? reply.Get<jint>() : JNI_ERR;
    Counters().detaches++;
    Trace("DetachCurrentThread() -> " + std::to_string(result));
    return result;
}

jint JNICALL GetEnv(JavaVM*, void** penv, jint version) {
    if (IsJvmtiVersion(version)) return NewJvmtiEnv(penv);  // any thread may ask, as agents do while loading
    ProxyEnv* session = CurrentSession();
    ServerInfo server;
    if (session == nullptr || !CurrentServer(server)) {
        *penv = nullptr;
        return JNI_EDETACHED;
    }
    if (!IsSupportedVersion(version, server.jniVersion)) {
        *penv = nullptr;
        return JNI_EVERSION;
    }
    *penv = session->env();
    return JNI_OK;
}

const JNIInvokeInterface_ kInvokeInterface = {
    nullptr, nullptr, nullptr, &DestroyJavaVM, &AttachCurrentThread, &DetachCurrentThread, &GetEnv,
    &AttachCurrentThreadAsDaemon};

JavaVM g_vm{&kInvokeInterface};

}  // namespace

JavaVM* ProxyJavaVM() { return &g_vm; }

namespace functions {

jint JNICALL GetJavaVM(JNIEnv* env, JavaVM** vm) {
    SessionOf(env, MV_JNI_SLOT(GetJavaVM));
    *vm = ProxyJavaVM();
    Trace("GetJavaVM()");
    return JNI_OK;
}

}  // namespace functions
}  // namespace mv::proxy
