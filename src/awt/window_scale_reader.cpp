#include "awt/window_scale_reader.h"

#include "bridge/java_handles.h"
#include "common/jni/local_ref.h"

namespace mv {
namespace {

// A method of the class `className`; null (nothing pending) when it cannot be had.
jmethodID FindMethod(JNIEnv* env, const char* className, const char* name, const char* signature) noexcept {
    const local_ref<jclass> cls(env, env->FindClass(className));
    const jmethodID method = cls ? env->GetMethodID(cls.get(), name, signature) : nullptr;
    if (!method) env->ExceptionClear();
    return method;
}

}  // namespace

window_scale_reader::window_scale_reader(JNIEnv* env) noexcept : m_env(env) {
    if (!env) return;
    m_getConfiguration =
        FindMethod(env, "java/awt/Component", "getGraphicsConfiguration", "()Ljava/awt/GraphicsConfiguration;");
    m_getTransform =
        FindMethod(env, "java/awt/GraphicsConfiguration", "getDefaultTransform", "()Ljava/awt/geom/AffineTransform;");
    m_scaleX = FindMethod(env, "java/awt/geom/AffineTransform", "getScaleX", "()D");
    m_scaleY = FindMethod(env, "java/awt/geom/AffineTransform", "getScaleY", "()D");
}

bool window_scale_reader::Read(UINT64 window, window_scale& scale) const noexcept {
    if (!m_getConfiguration || !m_getTransform || !m_scaleX || !m_scaleY || window == 0) return false;
    const auto failed = [this] {
        if (!m_env->ExceptionCheck()) return false;
        m_env->ExceptionClear();
        return true;
    };
    const local_ref<jobject> configuration(
        m_env, m_env->CallObjectMethodA(HandleToJObject(window), m_getConfiguration, nullptr));
    if (failed() || !configuration) return false;
    const local_ref<jobject> transform(m_env, m_env->CallObjectMethodA(configuration.get(), m_getTransform, nullptr));
    if (failed() || !transform) return false;
    const double x = m_env->CallDoubleMethodA(transform.get(), m_scaleX, nullptr);
    if (failed()) return false;
    const double y = m_env->CallDoubleMethodA(transform.get(), m_scaleY, nullptr);
    if (failed()) return false;
    scale = {x, y};
    return true;
}

}  // namespace mv
