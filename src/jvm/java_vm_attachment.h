#pragma once
// CJavaVM: the JNI environment of the calling thread for the length of one operation. It
// takes the environment from MvJavaJni when the library reports Java 4 or older and has one;
// otherwise it uses the thread's existing attachment or attaches the thread, and detaches on
// destruction only a thread it attached itself. It lives on one operation's stack, on one
// thread, and is never copied. An operation made of many Java operations holds one for its whole
// length, so that those inside find the thread attached.

#include <jni.h>

namespace mv {

class CJavaVM {
public:
    // `logFailure`: whether a failed attach writes its log line (an attachment held around other
    // Java operations leaves that line to the first of them, so that it is written once).
    explicit CJavaVM(JavaVM* vm, bool logFailure = true) noexcept;
    ~CJavaVM();
    CJavaVM(const CJavaVM&) = delete;
    CJavaVM& operator=(const CJavaVM&) = delete;

    // The environment for this thread; null when none could be had.
    JNIEnv* env() const noexcept { return m_env; }
    // True when this attachment attached the thread and will detach it.
    bool attached() const noexcept { return m_bAttached; }

private:
    bool m_bAttached = false;
    JNIEnv* m_env = nullptr;
    JavaVM* m_vm = nullptr;
};

}  // namespace mv
