#include "bridge/argument_types.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "bridge/bridge_call.h"

namespace mv {
namespace {

constexpr std::string_view kObject = "Ljava/lang/Object;";
// java.lang.String, its superclass and its interfaces (Java 8 and later).
constexpr std::string_view kTypesOfEveryString[] = {
    "Ljava/lang/String;", kObject, "Ljava/lang/CharSequence;", "Ljava/io/Serializable;", "Ljava/lang/Comparable;",
    "Ljava/lang/constant/Constable;", "Ljava/lang/constant/ConstantDesc;"};

bool NeedsCheck(const jni_arguments& args, std::size_t i) {
    const std::string_view type = args.parameters[i];
    if (type[0] != 'L' && type[0] != '[') return false;
    if (!args.slots[i].l || type == kObject) return false;
    return !(args.IsMadeString(i) && std::find(std::begin(kTypesOfEveryString), std::end(kTypesOfEveryString), type) !=
                                         std::end(kTypesOfEveryString));
}

// The result of the no-argument method `name` of the reflection object `reflected`, a local
// reference of the caller's frame; null when there is none (a Java error is cleared).
jobject CallReflection(JNIEnv* env, jobject reflected, const char* name, const char* signature) noexcept {
    const jclass cls = reflected ? env->GetObjectClass(reflected) : nullptr;
    const jmethodID method = cls ? env->GetMethodID(cls, name, signature) : nullptr;
    const jobject result = method ? env->CallObjectMethod(reflected, method) : nullptr;
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return nullptr;
    }
    return result;
}

// The local references a check makes, all let go at once when it ends: one request instead of
// one per reference.
class local_frame {
public:
    explicit local_frame(JNIEnv* env) noexcept : m_env(env), m_pushed(env->PushLocalFrame(8) == JNI_OK) {
        if (!m_pushed) env->ExceptionClear();
    }
    ~local_frame() {
        if (m_pushed) m_env->PopLocalFrame(nullptr);
    }
    local_frame(const local_frame&) = delete;
    local_frame& operator=(const local_frame&) = delete;
    explicit operator bool() const noexcept { return m_pushed; }

private:
    JNIEnv* m_env;
    bool m_pushed;
};

}  // namespace

HRESULT CheckArgumentTypes(JNIEnv* env, jclass cls, jmethodID method, bool isStatic, const jni_arguments& args) {
    if (!BridgeChecksOn()) return S_OK;
    std::vector<std::size_t> checked;
    for (std::size_t i = 0; i < args.slots.size(); ++i)
        if (NeedsCheck(args, i)) checked.push_back(i);
    if (checked.empty()) return S_OK;

    const local_frame frame(env);
    if (!frame) return E_FAIL;
    const jobject reflected = env->ToReflectedMethod(cls, method, isStatic ? JNI_TRUE : JNI_FALSE);
    const auto types = static_cast<jobjectArray>(
        CallReflection(env, reflected, "getParameterTypes", "()[Ljava/lang/Class;"));
    if (!types) {
        env->ExceptionClear();
        return E_FAIL;
    }
    for (std::size_t i : checked) {
        const auto type = static_cast<jclass>(env->GetObjectArrayElement(types, static_cast<jsize>(i)));
        if (!type || !env->IsInstanceOf(args.slots[i].l, type)) {
            env->ExceptionClear();
            return E_FAIL;
        }
    }
    return S_OK;
}

bool FieldTakes(JNIEnv* env, jclass cls, jfieldID field, bool isStatic, const char* signature, jobject value) noexcept {
    if (!BridgeChecksOn() || (signature && kObject == signature)) return true;
    const local_frame frame(env);
    if (!frame) return false;
    const jobject reflected = env->ToReflectedField(cls, field, isStatic ? JNI_TRUE : JNI_FALSE);
    const auto type = static_cast<jclass>(CallReflection(env, reflected, "getType", "()Ljava/lang/Class;"));
    if (!type) {
        env->ExceptionClear();
        return false;
    }
    return env->IsInstanceOf(value, type) == JNI_TRUE;
}

}  // namespace mv
