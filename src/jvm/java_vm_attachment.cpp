#include "jvm/java_vm_attachment.h"

#include "jvm/mv_java_jni_library.h"
#include "log/log.h"

namespace mv {

CJavaVM::CJavaVM(JavaVM* vm, bool logFailure) noexcept {
    if (!vm) return;
    m_vm = vm;

    // Old Java versions: the sibling library owns the thread's environment.
    const MvJavaJniFunctions& lib = GetMvJavaJniFunctions();
    if (lib.getJavaVersion && lib.getJavaVersion() <= 4) {
        if (JNIEnv* env = lib.getJNIEnv()) {
            m_env = env;
            return;
        }
    }

    // A thread that is already attached (a Java thread calling in, or one another component
    // attached) keeps its attachment: detaching it here would pull it from under its owner.
    void* existing = nullptr;
    if (vm->GetEnv(&existing, JNI_VERSION_1_2) == JNI_OK && existing) {
        m_env = static_cast<JNIEnv*>(existing);
        return;
    }

    void* env = nullptr;
    if (vm->AttachCurrentThread(&env, nullptr) == JNI_OK && env) {
        m_env = static_cast<JNIEnv*>(env);
        m_bAttached = true;
        return;
    }
    if (logFailure) LogLine(L"CJavaVM", L"c'tor", L"Could not attach to JVM");
}

CJavaVM::~CJavaVM() {
    if (m_bAttached && m_vm) m_vm->DetachCurrentThread();
}

}  // namespace mv
