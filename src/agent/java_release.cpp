#include "java_release.h"

#include <cstdlib>
#include <cstring>

#include "common/jni/local_ref.h"

namespace mv::agent {
namespace {

// "1.8" (releases up to 8) and "9", "17", "25" (later ones).
int MajorOf(const char* version) {
    if (std::strncmp(version, "1.", 2) == 0) version += 2;
    return std::atoi(version);
}

}  // namespace

int ReadJavaRelease(JNIEnv* env) noexcept {
    const local_ref<jclass> system(env, env->FindClass("java/lang/System"));
    if (!system) return env->ExceptionClear(), 0;
    const jmethodID getProperty =
        env->GetStaticMethodID(system.get(), "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    if (!getProperty) return env->ExceptionClear(), 0;
    const local_ref<jstring> name(env, env->NewStringUTF("java.specification.version"));
    if (!name) return env->ExceptionClear(), 0;
    const local_ref<jstring> value(
        env, static_cast<jstring>(env->CallStaticObjectMethod(system.get(), getProperty, name.get())));
    if (env->ExceptionCheck() || !value) return env->ExceptionClear(), 0;
    const char* text = env->GetStringUTFChars(value.get(), nullptr);
    if (!text) return env->ExceptionClear(), 0;
    const int release = MajorOf(text);
    env->ReleaseStringUTFChars(value.get(), text);
    return release;
}

}  // namespace mv::agent
