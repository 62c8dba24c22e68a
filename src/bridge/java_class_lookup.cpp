#include "bridge/java_class_lookup.h"

#include <cstring>
#include <new>

#include "bridge/java_strings.h"
#include "common/com/bstr.h"

namespace mv {

jclass FindClassByUtf8Name(JNIEnv* env, const char* name) noexcept {
    if (name) {
        const std::size_t length = std::strlen(name);
        if (length >= 2 && name[0] == 'L' && name[length - 1] == ';') return nullptr;
        for (const char* c = name; *c; ++c) {
            if (static_cast<unsigned char>(*c) >= 0xF0) return nullptr;
        }
    }
    return env->FindClass(name);
}

local_ref<jclass> FindClassWithDottedName(JNIEnv* env, BSTR className) {
    // ToJniClassName turns a null name into an empty one, which no class has.
    const unique_bstr slashed = unique_bstr::copy_of(ToJniClassName(className));
    if (!slashed) throw std::bad_alloc();
    const utf8_name name(slashed.get());
    return local_ref<jclass>(env, FindClassByUtf8Name(env, name.get()));
}

bool IsInstanceOfClass(JNIEnv* env, jobject object, const char* descriptor) noexcept {
    const local_ref<jclass> cls(env, env->FindClass(descriptor));
    if (!cls) {
        env->ExceptionClear();
        return false;
    }
    return env->IsInstanceOf(object, cls.get()) == JNI_TRUE;
}

bool IsJavaArray(JNIEnv* env, jobject object) noexcept {
    const local_ref<jclass> cls(env, env->GetObjectClass(object));
    const local_ref<jclass> classClass(env, cls ? env->GetObjectClass(cls.get()) : nullptr);
    const jmethodID isArray = classClass ? env->GetMethodID(classClass.get(), "isArray", "()Z") : nullptr;
    const bool array = isArray && env->CallBooleanMethod(cls.get(), isArray) == JNI_TRUE;
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return false;
    }
    return array;
}

}  // namespace mv
