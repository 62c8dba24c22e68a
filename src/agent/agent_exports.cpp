// The library's exports: the JVM's entry points, by which it is loaded into a Java process, and
// the two functions the module imports by name.

#include <jni.h>

#include "agent_log.h"
#include "jvm_events.h"
#include "publisher.h"

using namespace mv::agent;

// System.load from Java (the hook's jar loads it so): the JVM runs.
extern "C" JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void*) {
    ServeJavaVM(vm);
    FollowJvmLife(vm, false);
    StartPublishing(vm);
    return JNI_VERSION_1_6;
}

// java -agentpath:...\MvJavaJni.dll: the JVM has not started; it is published once it has.
// Whatever fails, the answer lets the JVM start.
extern "C" JNIEXPORT jint JNICALL Agent_OnLoad(JavaVM* vm, char*, void*) {
    ServeJavaVM(vm);
    if (!FollowJvmLife(vm, true)) Log(L"Agent_OnLoad", L"not published: the JVM will not say when it has started");
    return JNI_OK;
}

// jcmd PID JVMTI.agent_load ...\MvJavaJni.dll: loaded into a running JVM.
extern "C" JNIEXPORT jint JNICALL Agent_OnAttach(JavaVM* vm, char*, void*) {
    ServeJavaVM(vm);
    FollowJvmLife(vm, false);
    StartPublishing(vm);
    return JNI_OK;
}

extern "C" JNIEXPORT void JNICALL Agent_OnUnload(JavaVM*) { Withdraw(); }

// The running JVM's major release (8, 11, 17...): above 4, so the module attaches its calling
// threads itself. 0 until the publishing thread has read it.
extern "C" __declspec(dllexport) int GetJavaVersion(void) { return ServedJavaRelease(); }

// The calling thread's environment when the thread is attached to the JVM, else null.
extern "C" __declspec(dllexport) JNIEnv* GetJNIEnv(void) {
    JavaVM* vm = ServedJavaVM();
    JNIEnv* env = nullptr;
    if (!vm || vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6) != JNI_OK) return nullptr;
    return env;
}
