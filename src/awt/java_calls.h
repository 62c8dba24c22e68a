#pragma once
// How the component model talks to Java: every step is one call on the bridge's IMvJavaCpp
// interface, with member names and signatures as BSTRs built here from wide literals. A name
// that cannot be allocated fails the step with E_OUTOFMEMORY before the bridge is called.

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"
#include "common/com/variant.h"

namespace mv {

// A Java method as JNI names it.
struct java_method {
    const wchar_t* name;
    const wchar_t* signature;
};

// Calls `member` of the bridge (one of the Call...Method families) on `object` with `method`
// and the argument array `args`; `out` is the member's result pointer, if it has one.
template <typename... Out>
HRESULT CallJava(IMvJavaCpp* bridge,
                 HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*member)(UINT64, BSTR, BSTR, VARIANT, Out...),
                 UINT64 object, const java_method& method, const VARIANT& args, Out... out) noexcept {
    const unique_bstr name(::SysAllocString(method.name));
    const unique_bstr signature(::SysAllocString(method.signature));
    if (!name || !signature) return E_OUTOFMEMORY;
    return (bridge->*member)(object, name.get(), signature.get(), args, out...);
}

// The `int` field `field` of `object` through the bridge's GetIntField.
HRESULT GetJavaIntField(IMvJavaCpp* bridge, UINT64 object, const wchar_t* field, LONG* value) noexcept;

// True when `object` is an instance of the class `dottedName` ("java.awt.Container"): the
// bridge's IsInstanceOf succeeded and answered VARIANT_TRUE. False without a call when the
// bridge is null or the handle 0; a failed call counts as false.
bool IsJavaInstance(IMvJavaCpp* bridge, UINT64 object, const wchar_t* dottedName) noexcept;

// The empty VARIANT that stands for "no arguments".
inline VARIANT NoArguments() noexcept {
    VARIANT none;
    ::VariantInit(&none);
    return none;
}

// Element values of argument arrays. They borrow nothing and own nothing.
VARIANT ArgumentI4(LONG value) noexcept;
VARIANT ArgumentHandle(UINT64 handle) noexcept;
// Borrows `text`: the array made from it holds its own copy.
VARIANT ArgumentBstr(BSTR text) noexcept;

// Makes `args` a VT_ARRAY|VT_VARIANT array with lower bound 0 holding copies of `elements`
// (a BSTR element is copied with its byte length, embedded nulls kept).
HRESULT MakeArgumentArray(std::initializer_list<VARIANT> elements, unique_variant& args) noexcept;

}  // namespace mv
