#include "bridge/java_class_lookup.h"

#include "bridge/java_strings.h"
#include <new>

#include "common/com/bstr.h"

namespace mv {

local_ref<jclass> FindClassWithDottedName(JNIEnv* env, BSTR className) {
    // ToJniClassName turns a null name into an empty one, which no class has.
    const unique_bstr slashed = unique_bstr::copy_of(ToJniClassName(className));
    if (!slashed) throw std::bad_alloc();
    const utf8_name name(slashed.get());
    return local_ref<jclass>(env, env->FindClass(name.get()));
}

bool IsInstanceOfClass(JNIEnv* env, jobject object, const char* descriptor) noexcept {
    const local_ref<jclass> cls(env, env->FindClass(descriptor));
    if (!cls) {
        env->ExceptionClear();
        return false;
    }
    return env->IsInstanceOf(object, cls.get()) == JNI_TRUE;
}

}  // namespace mv
