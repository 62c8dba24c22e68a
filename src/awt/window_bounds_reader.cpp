#include "awt/window_bounds_reader.h"

#include "bridge/java_handles.h"
#include "common/jni/local_ref.h"

namespace mv {
namespace {

// A class by its JNI name; null (nothing pending) when it cannot be had.
local_ref<jclass> FindJavaClass(JNIEnv* env, const char* name) noexcept {
    local_ref<jclass> cls(env, env->FindClass(name));
    if (!cls) env->ExceptionClear();
    return cls;
}

}  // namespace

window_bounds_reader::window_bounds_reader(JNIEnv* env) noexcept : m_env(env) {
    if (!env) return;
    const local_ref<jclass> component = FindJavaClass(env, "java/awt/Component");
    const local_ref<jclass> rectangle = FindJavaClass(env, "java/awt/Rectangle");
    if (!component || !rectangle) return;
    // Each lookup that fails leaves its error pending: cleared before the next JNI call.
    const auto field = [&](const char* name) noexcept {
        const jfieldID id = env->GetFieldID(rectangle.get(), name, "I");
        if (!id) env->ExceptionClear();
        return id;
    };
    if (!(m_x = field("x")) || !(m_y = field("y")) || !(m_width = field("width")) || !(m_height = field("height")))
        return;
    m_getBounds = env->GetMethodID(component.get(), "getBounds", "()Ljava/awt/Rectangle;");
    if (!m_getBounds) env->ExceptionClear();
}

bool window_bounds_reader::Read(UINT64 window, java_bounds& bounds) const noexcept {
    if (!m_getBounds || window == 0) return false;
    const local_ref<jobject> rectangle(m_env, m_env->CallObjectMethodA(HandleToJObject(window), m_getBounds, nullptr));
    if (m_env->ExceptionCheck()) {
        m_env->ExceptionClear();
        return false;
    }
    if (!rectangle) return false;
    const jobject r = rectangle.get();
    bounds = {m_env->GetIntField(r, m_x), m_env->GetIntField(r, m_y), m_env->GetIntField(r, m_width),
              m_env->GetIntField(r, m_height)};
    return true;
}

}  // namespace mv
