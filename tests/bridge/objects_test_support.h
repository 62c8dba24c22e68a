#pragma once
// Helpers shared by the object, string and array member tests: the proxy's trace and reference
// counters, SAFEARRAY builders and readers, and Java strings made and read through raw JNI.

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jni.h>

#include "common/com/bstr.h"
#include "common/com/safearray.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {

inline std::string ReadTrace() {
    std::string text(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(text.data(), text.size());
    return text;
}

inline MvJniProxyCounters Counters() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return counters;
}

// The text of a BSTR, embedded NULs included.
inline std::wstring TextOf(BSTR s) { return std::wstring(s ? s : L"", ::SysStringLen(s)); }

// A Java string of exactly these UTF-16 units (a local reference).
inline jstring JavaString(JNIEnv* env, const std::u16string& units) {
    return env->NewString(reinterpret_cast<const jchar*>(units.data()), static_cast<jsize>(units.size()));
}

// A one-dimensional SAFEARRAY of `vt` with these elements, from `lower` on.
template <typename Element>
unique_safearray MakeSafeArray(VARTYPE vt, const std::vector<Element>& elements, LONG lower = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), lower};
    unique_safearray array(::SafeArrayCreate(vt, 1, &bound));
    EXPECT_TRUE(array);
    if (!array) return array;
    EXPECT_EQ(::SafeArrayGetElemsize(array.get()), sizeof(Element));
    const safearray_lock lock(array.get());
    if (lock.ok() && !elements.empty()) std::memcpy(lock.data(), elements.data(), elements.size() * sizeof(Element));
    return array;
}

// A VARIANT of type VT_ARRAY|vt that borrows `array` (the test keeps owning it).
inline VARIANT ArrayVariant(VARTYPE vt, SAFEARRAY* array) {
    VARIANT var;
    ::VariantInit(&var);
    V_VT(&var) = static_cast<VARTYPE>(VT_ARRAY | vt);
    V_ARRAY(&var) = array;
    return var;
}

// The elements of a VT_ARRAY result; adds a failure unless it is one-dimensional with elements
// of `vt` from lower bound 0.
template <typename Element>
std::vector<Element> ElementsOf(const VARIANT& var, VARTYPE vt) {
    EXPECT_EQ(V_VT(&var), VT_ARRAY | vt);
    if (V_VT(&var) != (VT_ARRAY | vt) || !V_ARRAY(&var)) return {};
    SAFEARRAY* array = V_ARRAY(&var);
    VARTYPE stored = VT_EMPTY;
    EXPECT_EQ(::SafeArrayGetVartype(array, &stored), S_OK);
    EXPECT_EQ(stored, vt);
    EXPECT_EQ(::SafeArrayGetDim(array), 1u);
    LONG lower = -1, upper = -2;
    EXPECT_EQ(::SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(::SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    std::vector<Element> elements(static_cast<std::size_t>(upper - lower + 1));
    const safearray_lock lock(array);
    if (lock.ok() && !elements.empty()) std::memcpy(elements.data(), lock.data(), elements.size() * sizeof(Element));
    return elements;
}

}  // namespace mv::test
