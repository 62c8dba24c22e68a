// Arrays: NewJavaPrimitiveArray, SetJavaPrimitiveArray, GetJavaPrimitiveArray,
// GetJavaObjectArray, GetJavaArrayLength. Each array member reads or writes the whole array in
// one region call; the primitive members work from the type's row of the array type table.

#include "bridge/java_arrays.h"

#include <cstdint>
#include <vector>

#include "bridge/client_handles.h"
#include "bridge/java_class_lookup.h"
#include "bridge/primitive_array_types.h"
#include "common/com/error.h"
#include "common/com/safearray.h"
#include "common/jni/local_ref.h"
#include "jvm/mv_java_cpp.h"

namespace mv {
namespace {

// Global references made for a client during one call, deleted again unless handed over.
class client_refs_in_progress {
public:
    client_refs_in_progress(JNIEnv* env, std::size_t expected) : m_env(env) { m_refs.reserve(expected); }
    ~client_refs_in_progress() { discard(); }
    client_refs_in_progress(const client_refs_in_progress&) = delete;
    client_refs_in_progress& operator=(const client_refs_in_progress&) = delete;

    // Within the reserved size: no allocation. False (`ref` deleted) when it cannot be recorded.
    bool add(jobject ref) noexcept {
        if (!RecordHandedOut(ref)) {
            m_env->DeleteGlobalRef(ref);
            return false;
        }
        m_refs.push_back(ref);
        return true;
    }
    std::size_t size() const noexcept { return m_refs.size(); }
    // The client owns them now.
    void hand_over() noexcept { m_refs.clear(); }
    void discard() noexcept {
        for (jobject ref : m_refs) {
            ForgetHandedOut(ref);
            m_env->DeleteGlobalRef(ref);
        }
        m_refs.clear();
    }

private:
    JNIEnv* m_env;
    std::vector<jobject> m_refs;
};

void MoveArrayInto(VARIANT* out, VARTYPE elementType, unique_safearray& array) noexcept {
    ::VariantClear(out);
    V_VT(out) = static_cast<VARTYPE>(VT_ARRAY | elementType);
    V_ARRAY(out) = array.release();
}

// The array members trust no handle to name an array of the right kind: the region and element
// calls have no defined result on another one.
const char kObjectArrayClass[] = "[Ljava/lang/Object;";

}  // namespace

VARTYPE ObjectArrayElementType(ULONG count) noexcept {
    const unique_safearray probe(::SafeArrayCreateVector(VT_UI8, 0, count));
    return probe ? VT_UI8 : VT_UI4;
}

HRESULT ReadObjectArray(JNIEnv* env, jobjectArray array, jsize length, VARTYPE elementType, VARIANT* out) {
    unique_safearray result(::SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(length)));
    if (!result) return E_OUTOFMEMORY;
    client_refs_in_progress made(env, static_cast<std::size_t>(length));
    {
        const safearray_lock lock(result.get());
        if (!lock.ok()) return E_FAIL;
        for (jsize i = 0; i < length; ++i) {
            const local_ref<jobject> element(env, env->GetObjectArrayElement(array, i));
            if (!element) break;  // a null element or an exception
            const jobject global = env->NewGlobalRef(element.get());
            if (!global || !made.add(global)) break;
            const auto reference = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(global));
            if (elementType == VT_UI8)
                static_cast<UINT64*>(lock.data())[i] = JObjectToHandle(global);
            else if (reference <= 0xFFFFFFFFull)  // the narrow form holds the reference itself
                static_cast<ULONG*>(lock.data())[i] = static_cast<ULONG>(reference);
            else
                break;  // cut to 32 bits it would name nothing the client could use or delete
        }
    }
    if (made.size() != static_cast<std::size_t>(length) || env->ExceptionCheck()) {
        made.discard();
        env->ExceptionClear();
        return E_FAIL;
    }
    MoveArrayInto(out, elementType, result);
    made.hand_over();
    return S_OK;
}

STDMETHODIMP CMvJavaCpp::NewJavaPrimitiveArray(JavaTypes type, LONG arraySize, UINT64* hjArray) noexcept {
    if (!hjArray) return E_POINTER;
    return RunJavaOperation([&](JNIEnv* env) -> HRESULT {
        const PrimitiveArrayType* row = FindPrimitiveArrayType(type);
        if (!row) return E_FAIL;
        const local_ref<jarray> array(env, row->newArray(env, arraySize));
        if (!array) {  // a negative size included
            env->ExceptionClear();
            return E_FAIL;
        }
        const UINT64 handle = NewClientHandle(env, array.get());
        if (!handle) return E_FAIL;
        *hjArray = handle;
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::SetJavaPrimitiveArray(UINT64 hjArray, JavaTypes type, VARIANT inArray) noexcept {
    if (IsNullHandle(hjArray)) return E_FAIL;
    return RunJavaOperation({hjArray}, [&](JNIEnv* env) -> HRESULT {
        const PrimitiveArrayType* row = FindPrimitiveArrayType(type);
        if (!row || V_VT(&inArray) != row->inType) return E_FAIL;

        // Only dimension 1 counts; its elements are taken in memory order from any lower bound.
        SAFEARRAY* elements = V_ARRAY(&inArray);
        LONG lower = 0, upper = 0;
        MV_RETURN_IF_FAILED(::SafeArrayGetLBound(elements, 1, &lower));
        MV_RETURN_IF_FAILED(::SafeArrayGetUBound(elements, 1, &upper));
        if (::SafeArrayGetElemsize(elements) != row->inElementSize) return E_FAIL;

        const auto array = static_cast<jarray>(HandleToJObject(hjArray));
        if (!IsInstanceOfClass(env, array, row->arrayClass)) return E_FAIL;
        const jsize length = env->GetArrayLength(array);
        // Too few elements fail; elements beyond the Java length are ignored.
        const LONGLONG given = static_cast<LONGLONG>(upper) - lower + 1;
        if (given < length || SafeArrayTotalElements(elements) < static_cast<ULONGLONG>(length)) return E_FAIL;
        {
            const safearray_lock lock(elements);
            if (!lock.ok()) return E_FAIL;
            if (!row->write(env, array, length, lock.data())) return E_FAIL;
        }
        if (env->ExceptionCheck()) {
            env->ExceptionClear();
            return E_FAIL;
        }
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::GetJavaPrimitiveArray(UINT64 hjArray, JavaTypes type, VARIANT* outArray) noexcept {
    if (!outArray) return E_POINTER;
    if (IsNullHandle(hjArray)) return E_FAIL;
    return RunJavaOperation({hjArray}, [&](JNIEnv* env) -> HRESULT {
        const PrimitiveArrayType* row = FindPrimitiveArrayType(type);
        if (!row) return E_FAIL;
        const auto array = static_cast<jarray>(HandleToJObject(hjArray));
        if (!IsInstanceOfClass(env, array, row->arrayClass)) return E_FAIL;
        const jsize length = env->GetArrayLength(array);

        unique_safearray result(::SafeArrayCreateVector(row->outElement, 0, static_cast<ULONG>(length)));
        if (!result) return E_OUTOFMEMORY;
        if (length != 0) {
            const safearray_lock lock(result.get());
            if (!lock.ok()) return E_FAIL;
            if (!row->read(env, array, length, lock.data())) return E_FAIL;
        }
        if (env->ExceptionCheck()) {  // the output stays untouched
            env->ExceptionClear();
            return E_FAIL;
        }
        MoveArrayInto(outArray, row->outElement, result);
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::GetJavaObjectArray(UINT64 hjArray, VARIANT* outArray) noexcept {
    if (!outArray) return E_POINTER;
    if (IsNullHandle(hjArray)) return E_FAIL;
    return RunJavaOperation({hjArray}, [&](JNIEnv* env) -> HRESULT {
        const auto array = static_cast<jobjectArray>(HandleToJObject(hjArray));
        if (!IsInstanceOfClass(env, array, kObjectArrayClass)) return E_FAIL;
        const jsize length = env->GetArrayLength(array);
        return ReadObjectArray(env, array, length, ObjectArrayElementType(static_cast<ULONG>(length)), outArray);
    });
}

STDMETHODIMP CMvJavaCpp::GetJavaArrayLength(UINT64 hjArray, LONG* size) noexcept {
    if (!size) return E_POINTER;
    if (IsNullHandle(hjArray)) return E_FAIL;
    return RunJavaOperation({hjArray}, [&](JNIEnv* env) -> HRESULT {
        const auto array = static_cast<jarray>(HandleToJObject(hjArray));
        if (!IsJavaArray(env, array)) return E_FAIL;
        *size = env->GetArrayLength(array);
        return S_OK;
    });
}

}  // namespace mv
