#include "bridge/argument_types.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "bridge/bridge_call.h"
#include "common/jni/local_ref.h"

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

// The result of the no-argument method `name` of the reflection object `reflected`.
local_ref<jobject> CallReflection(JNIEnv* env, jobject reflected, const char* name, const char* signature) noexcept {
    const local_ref<jclass> cls(env, env->GetObjectClass(reflected));
    const jmethodID method = cls ? env->GetMethodID(cls.get(), name, signature) : nullptr;
    local_ref<jobject> result(env, method ? env->CallObjectMethod(reflected, method) : nullptr);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        result.reset();
    }
    return result;
}

}  // namespace

HRESULT CheckArgumentTypes(JNIEnv* env, jclass cls, jmethodID method, bool isStatic, const jni_arguments& args) {
    if (!BridgeChecksOn()) return S_OK;
    std::vector<std::size_t> checked;
    for (std::size_t i = 0; i < args.slots.size(); ++i)
        if (NeedsCheck(args, i)) checked.push_back(i);
    if (checked.empty()) return S_OK;

    const local_ref<jobject> reflected(env, env->ToReflectedMethod(cls, method, isStatic ? JNI_TRUE : JNI_FALSE));
    const local_ref<jobject> types =
        reflected ? CallReflection(env, reflected.get(), "getParameterTypes", "()[Ljava/lang/Class;")
                  : local_ref<jobject>(env, nullptr);
    if (!types) {
        env->ExceptionClear();
        return E_FAIL;
    }
    for (std::size_t i : checked) {
        const local_ref<jclass> type(
            env, static_cast<jclass>(env->GetObjectArrayElement(static_cast<jobjectArray>(types.get()),
                                                                static_cast<jsize>(i))));
        if (!type || !env->IsInstanceOf(args.slots[i].l, type.get())) {
            env->ExceptionClear();
            return E_FAIL;
        }
    }
    return S_OK;
}

bool FieldTakes(JNIEnv* env, jclass cls, jfieldID field, bool isStatic, const char* signature, jobject value) noexcept {
    if (!BridgeChecksOn() || (signature && kObject == signature)) return true;
    const local_ref<jobject> reflected(env, env->ToReflectedField(cls, field, isStatic ? JNI_TRUE : JNI_FALSE));
    const local_ref<jobject> type = reflected ? CallReflection(env, reflected.get(), "getType", "()Ljava/lang/Class;")
                                              : local_ref<jobject>(env, nullptr);
    if (!type) {
        env->ExceptionClear();
        return false;
    }
    return env->IsInstanceOf(value, static_cast<jclass>(type.get())) == JNI_TRUE;
}

}  // namespace mv
