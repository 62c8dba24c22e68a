// Objects and classes: NewDefJavaObject, GetClassByName, ObjectToString, GetJavaClassName,
// IsSameJavaObject, IsInstanceOf.

#include "bridge/client_handles.h"
#include "bridge/java_class_lookup.h"
#include "bridge/java_strings.h"
#include "bridge/member_results.h"
#include "common/jni/local_ref.h"
#include "jvm/mv_java_cpp.h"

namespace mv {
namespace {

VARIANT_BOOL ToVariantBool(jboolean b) noexcept { return b ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

STDMETHODIMP CMvJavaCpp::NewDefJavaObject(BSTR className, UINT64* hObject) noexcept {
    if (!hObject) return E_POINTER;
    return RunJavaOperation([&](JNIEnv* env) -> HRESULT {
        const local_ref<jclass> cls = FindClassWithDottedName(env, className);
        if (!cls) {
            env->ExceptionClear();
            return E_FAIL;
        }
        const jmethodID init = env->GetMethodID(cls.get(), "<init>", "()V");
        if (!init) {
            env->ExceptionClear();
            return E_FAIL;
        }
        const local_ref<jobject> object(env, env->NewObject(cls.get(), init));
        if (!object) {  // a constructor that threw included
            env->ExceptionClear();
            return E_FAIL;
        }
        const UINT64 handle = NewClientHandle(env, object.get());
        if (!handle) return E_FAIL;
        *hObject = handle;
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::GetClassByName(BSTR bstrClassName, UINT64* phObj) noexcept {
    if (!phObj) return E_INVALIDARG;
    // A null name would reach FindClass as a null pointer.
    if (!bstrClassName) return E_FAIL;
    return RunJavaOperation([&](JNIEnv* env) -> HRESULT {
        // The name is used as given (slash form). The class's local reference is handed out as it
        // is: it lives as long as this thread's current JNI frame. A failed lookup leaves the
        // JVM's error pending for the caller.
        const utf8_name name(bstrClassName);
        const jclass cls = FindClassByUtf8Name(env, name.get());
        if (!cls) return E_FAIL;
        *phObj = JObjectToHandle(cls);
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::ObjectToString(UINT64 hjObject, BSTR* stringValue) noexcept {
    if (!stringValue) return E_POINTER;
    if (IsNullHandle(hjObject)) return E_FAIL;
    return RunJavaOperation({hjObject}, [&](JNIEnv* env) -> HRESULT {
        const jobject object = HandleToJObject(hjObject);
        const local_ref<jclass> cls(env, env->GetObjectClass(object));
        if (!cls) return E_FAIL;
        const jmethodID toString = env->GetMethodID(cls.get(), "toString", "()Ljava/lang/String;");
        if (!toString) {
            env->ExceptionClear();
            return E_FAIL;
        }
        const local_ref<jstring> text(env, static_cast<jstring>(env->CallObjectMethod(object, toString)));
        // An exception that toString threw stays pending for the caller; the check only tells
        // the JVM that it was looked at.
        env->ExceptionCheck();
        // A null answer leaves the output as the caller passed it.
        if (!text) return S_OK;
        return HandOutString(env, text.get(), stringValue);
    });
}

STDMETHODIMP CMvJavaCpp::GetJavaClassName(UINT64 hjObject, BSTR* className) noexcept {
    if (!className) return E_POINTER;
    if (IsNullHandle(hjObject)) return E_FAIL;
    return RunJavaOperation({hjObject}, [&](JNIEnv* env) -> HRESULT {
        const jobject object = HandleToJObject(hjObject);
        local_ref<jclass> cls(env, env->GetObjectClass(object));
        if (!cls) return E_FAIL;
        const jmethodID getClass = env->GetMethodID(cls.get(), "getClass", "()Ljava/lang/Class;");
        if (!getClass) {
            env->ExceptionClear();
            return E_FAIL;
        }
        // Exceptions of the two calls stay pending; the checks only tell the JVM they were seen.
        const local_ref<jobject> classObject(env, env->CallObjectMethod(object, getClass));
        env->ExceptionCheck();
        if (!classObject) return E_FAIL;
        cls.reset();

        const local_ref<jclass> classClass(env, env->GetObjectClass(classObject.get()));
        if (!classClass) return E_FAIL;
        const jmethodID getName = env->GetMethodID(classClass.get(), "getName", "()Ljava/lang/String;");
        if (!getName) {
            env->ExceptionClear();
            return E_FAIL;
        }
        const local_ref<jstring> name(env, static_cast<jstring>(env->CallObjectMethod(classObject.get(), getName)));
        env->ExceptionCheck();
        if (!name) return S_OK;  // the output stays as the caller passed it
        return HandOutString(env, name.get(), className);
    });
}

STDMETHODIMP CMvJavaCpp::IsSameJavaObject(UINT64 hjObject1, UINT64 hjObject2, VARIANT_BOOL* b) noexcept {
    if (!b) return E_POINTER;
    // No handle check: two handles that name no object are the same.
    return RunJavaOperation({hjObject1, hjObject2}, [&](JNIEnv* env) -> HRESULT {
        *b = ToVariantBool(env->IsSameObject(HandleToJObject(hjObject1), HandleToJObject(hjObject2)));
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::IsInstanceOf(UINT64 hjObject, BSTR className, VARIANT_BOOL* b) noexcept {
    if (!b) return E_POINTER;
    if (IsNullHandle(hjObject)) return E_FAIL;
    return RunJavaOperation({hjObject}, [&](JNIEnv* env) -> HRESULT {
        const local_ref<jclass> cls = FindClassWithDottedName(env, className);
        if (!cls) {
            env->ExceptionClear();
            return E_FAIL;
        }
        *b = ToVariantBool(env->IsInstanceOf(HandleToJObject(hjObject), cls.get()));
        return S_OK;
    });
}

}  // namespace mv
