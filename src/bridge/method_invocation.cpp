// Method invocation: virtual, static and non-virtual calls of Java methods by name and signature,
// with an argument array, for every result kind (none, the eight primitive types, Object,
// String).
//
// Every member checks its arguments, runs as a Java operation, finds the class (the object's
// run-time class, or the named class of a non-virtual call) and the method, turns the argument
// array into JNI slots, calls, clears whatever the method threw, and hands the result back. A
// method that throws still succeeds: a primitive output holds what JNI answered (zero or false),
// while Object and String members fail as for a null result.

#include <string>
#include <type_traits>

#include "bridge/bridge_lookup.h"
#include "bridge/java_handles.h"
#include "bridge/java_strings.h"
#include "bridge/java_type_traits.h"
#include "bridge/jni_arguments.h"
#include "bridge/member_results.h"
#include "common/com/error.h"
#include "common/jni/local_ref.h"
#include "jvm/mv_java_cpp.h"

namespace mv {
namespace {

// What one call names.
struct method_call {
    call_group group;
    UINT64 hjObject;
    BSTR superclass;  // non-virtual calls only
    class_name_form form;
    BSTR methodname;
    BSTR methodsig;
    const VARIANT* paramArray;
};

method_call Virtual(UINT64 hjObject, BSTR methodname, BSTR methodsig, const VARIANT& paramArray) {
    return {call_group::virtual_call, hjObject, nullptr, class_name_form::dots_or_slashes, methodname, methodsig, &paramArray};
}

method_call Static(UINT64 hjObject, BSTR methodname, BSTR methodsig, const VARIANT& paramArray) {
    return {call_group::static_call, hjObject, nullptr, class_name_form::dots_or_slashes, methodname, methodsig, &paramArray};
}

// "java.awt.Component" and "java/awt/Component" name the same class.
method_call Nonvirtual(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, const VARIANT& paramArray) {
    return {call_group::nonvirtual_call, hjObject, superclass, class_name_form::dots_or_slashes, methodname, methodsig, &paramArray};
}

// The class name reaches FindClass as given, so it must be in slash form.
method_call NonvirtualSlashed(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, const VARIANT& paramArray) {
    return {call_group::nonvirtual_call, hjObject, superclass, class_name_form::slashes_only, methodname, methodsig, &paramArray};
}

// How each result kind is handed back; `Take` runs after the method's exception was cleared.

struct no_result {
    using java_type = java_void;
};

template <typename T>
struct primitive_result {
    using java_type = T;
    typename T::com_type* out;
    HRESULT Take(JNIEnv*, typename T::jni_type result) const noexcept {
        *out = T::to_com(result);
        return S_OK;
    }
};

struct object_result {
    using java_type = java_object;
    UINT64* out;
    HRESULT Take(JNIEnv* env, jobject result) const noexcept {
        const local_ref<jobject> owned(env, result);
        if (!owned) return E_FAIL;
        return HandOutReference(env, owned.get(), out);
    }
};

struct string_result {
    using java_type = java_object;
    BSTR* out;
    HRESULT Take(JNIEnv* env, jobject result) const {
        const local_ref<jstring> owned(env, static_cast<jstring>(result));
        if (!owned) return E_FAIL;
        return HandOutString(env, owned.get(), out);
    }
};

// Debugger messages around the call: none, except for CallStaticIntMethod.
struct silent_call {
    static void MethodNotFound() noexcept {}
    static void BeforeCall() noexcept {}
    static void AfterCall() noexcept {}
};

struct static_int_call_messages {
    static void MethodNotFound() noexcept {
        ::OutputDebugStringA("[CMvJavaCpp::CallStaticIntMethod] failed to get the method id");
    }
    static void BeforeCall() noexcept {
        ::OutputDebugStringA("[CMvJavaCpp::CallStaticIntMethod] About to call the integer method");
    }
    static void AfterCall() noexcept { ::OutputDebugStringA("[CMvJavaCpp::CallStaticIntMethod] called"); }
};

// Runs one member's call on `bridge`. The argument array is converted before any JNI call, so that
// its handles are checked with the object's; a conversion that failed answers only once the method
// has been found, as a missing method comes first.
template <typename Messages = silent_call, typename Result>
HRESULT RunMethodCall(CMvJavaCpp& bridge, const method_call& call, Result result) noexcept {
    return guard_hresult([&]() -> HRESULT {
        const utf8_name name(call.methodname);
        const utf8_name signature(call.methodsig);
        jni_arguments args;
        const HRESULT converted = ConvertJniArguments(*call.paramArray, signature.get(), args);
        return bridge.RunJavaOperation({call.hjObject}, args.handles, [&](JNIEnv* env) -> HRESULT {
            java_method method(env, HandleToJObject(call.hjObject), call.group);
            if (!method.FindClass(call.superclass, call.form)) return E_FAIL;
            if (!method.FindMethod(name.get(), signature.get())) {
                Messages::MethodNotFound();
                env->ExceptionClear();
                return E_FAIL;
            }
            MV_RETURN_IF_FAILED(converted);
            argument_strings strings;
            MV_RETURN_IF_FAILED(MakeArgumentStrings(env, args, strings));
            MV_RETURN_IF_FAILED(method.CheckArgumentTypes(args));

            using T = typename Result::java_type;
            Messages::BeforeCall();
            if constexpr (std::is_void_v<typename T::jni_type>) {
                method.Call<T>(args.data());
                Messages::AfterCall();
                env->ExceptionClear();
                return S_OK;
            } else {
                const typename T::jni_type returned = method.Call<T>(args.data());
                Messages::AfterCall();
                env->ExceptionClear();
                return result.Take(env, returned);
            }
        });
    });
}

}  // namespace

// Virtual calls.

STDMETHODIMP CMvJavaCpp::CallVoidMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), no_result{});
}

STDMETHODIMP CMvJavaCpp::CallBooleanMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, VARIANT_BOOL* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_boolean>{value});
}

STDMETHODIMP CMvJavaCpp::CallByteMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned char* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_byte>{value});
}

STDMETHODIMP CMvJavaCpp::CallCharMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_char>{value});
}

STDMETHODIMP CMvJavaCpp::CallShortMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_short>{value});
}

STDMETHODIMP CMvJavaCpp::CallIntMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, LONG* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_int>{value});
}

STDMETHODIMP CMvJavaCpp::CallLongMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, INT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_long>{value});
}

STDMETHODIMP CMvJavaCpp::CallFloatMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, float* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_float>{value});
}

STDMETHODIMP CMvJavaCpp::CallDoubleMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, double* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), primitive_result<java_double>{value});
}

STDMETHODIMP CMvJavaCpp::CallObjectMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, UINT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), object_result{value});
}

STDMETHODIMP CMvJavaCpp::CallStringMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, BSTR* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Virtual(hjObject, methodname, methodsig, paramArray), string_result{value});
}

// Static calls, in the run-time class of the object.

STDMETHODIMP CMvJavaCpp::CallStaticVoidMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), no_result{});
}

STDMETHODIMP CMvJavaCpp::CallStaticBooleanMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, VARIANT_BOOL* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_boolean>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticByteMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned char* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_byte>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticCharMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_char>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticShortMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_short>{value});
}

// The one member that reports its progress to the debugger.
STDMETHODIMP CMvJavaCpp::CallStaticIntMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, LONG* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall<static_int_call_messages>(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_int>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticLongMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, INT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_long>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticFloatMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, float* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_float>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticDoubleMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, double* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), primitive_result<java_double>{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticObjectMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, UINT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), object_result{value});
}

STDMETHODIMP CMvJavaCpp::CallStaticStringMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, BSTR* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Static(hjObject, methodname, methodsig, paramArray), string_result{value});
}

// Non-virtual calls: the implementation in the class `superclass`.

STDMETHODIMP CMvJavaCpp::CallNonvirtualVoidMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), no_result{});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualBooleanMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, VARIANT_BOOL* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_boolean>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualByteMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned char* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_byte>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualCharMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_char>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualShortMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_short>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualIntMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, LONG* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_int>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualLongMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, INT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_long>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualFloatMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, float* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_float>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualDoubleMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, double* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), primitive_result<java_double>{value});
}

STDMETHODIMP CMvJavaCpp::CallNonvirtualObjectMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, UINT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {methodname, methodsig}));
    return RunMethodCall(*this, Nonvirtual(hjObject, superclass, methodname, methodsig, paramArray), object_result{value});
}

// Unlike the others, the String member hands `superclass` to FindClass unchanged; a null one is
// refused before it could reach FindClass as a null pointer.
STDMETHODIMP CMvJavaCpp::CallNonvirtualStringMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, BSTR* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {superclass, methodname, methodsig}));
    return RunMethodCall(*this, NonvirtualSlashed(hjObject, superclass, methodname, methodsig, paramArray), string_result{value});
}

}  // namespace mv
