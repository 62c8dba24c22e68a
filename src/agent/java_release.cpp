#include "java_release.h"

#include <cstdlib>

#include "common/jni/local_ref.h"

namespace mv::agent {
namespace {

// Each release raises the class-file version by one: 52 is Java 8, 61 Java 17.
int ReleaseOfClassVersion(const char* version) {
    const int major = std::atoi(version);
    return major > 44 ? major - 44 : 0;
}

}  // namespace

int ReadJavaRelease(JNIEnv* env) noexcept {
    const local_ref<jclass> system(env, env->FindClass("java/lang/System"));
    if (!system) return env->ExceptionClear(), 0;
    const jmethodID getProperty =
        env->GetStaticMethodID(system.get(), "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    if (!getProperty) return env->ExceptionClear(), 0;
    const local_ref<jstring> name(env, env->NewStringUTF("java.class.version"));
    if (!name) return env->ExceptionClear(), 0;
    const local_ref<jstring> value(
        env, static_cast<jstring>(env->CallStaticObjectMethod(system.get(), getProperty, name.get())));
    if (env->ExceptionCheck() || !value) return env->ExceptionClear(), 0;
    const char* text = env->GetStringUTFChars(value.get(), nullptr);
    if (!text) return env->ExceptionClear(), 0;
    const int release = ReleaseOfClassVersion(text);
    env->ReleaseStringUTFChars(value.get(), text);
    return release;
}

}  // namespace mv::agent
