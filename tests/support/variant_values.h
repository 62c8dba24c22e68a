#pragma once
// Single VARIANT values for argument arrays and DISPPARAMS. The receiver owns what they hold
// (a BSTR from ArgBstr is freed with the array or by VariantClear).

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "common/com/variant.h"

namespace mv::test {

template <typename Set>
VARIANT MakeVariant(VARTYPE vt, Set set) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = vt;
    set(v);
    return v;
}

inline VARIANT ArgI4(LONG value) { return MakeVariant(VT_I4, [&](VARIANT& v) { V_I4(&v) = value; }); }
inline VARIANT ArgUI4(ULONG value) { return MakeVariant(VT_UI4, [&](VARIANT& v) { V_UI4(&v) = value; }); }
inline VARIANT ArgI8(LONGLONG value) { return MakeVariant(VT_I8, [&](VARIANT& v) { V_I8(&v) = value; }); }
inline VARIANT ArgUI8(ULONGLONG value) { return MakeVariant(VT_UI8, [&](VARIANT& v) { V_UI8(&v) = value; }); }
inline VARIANT ArgBool(bool value) {
    return MakeVariant(VT_BOOL, [&](VARIANT& v) { V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE; });
}
inline VARIANT ArgBstr(const wchar_t* text) {
    return MakeVariant(VT_BSTR, [&](VARIANT& v) { V_BSTR(&v) = ::SysAllocString(text); });
}
// A zero value of any type (for types a member must refuse).
inline VARIANT ArgOf(VARTYPE vt) { return MakeVariant(vt, [](VARIANT& v) { V_UI8(&v) = 0; }); }

// An argument array (VT_ARRAY | VT_VARIANT, lower bound 0) of `elements`, which it takes over.
inline void MakeArgumentArray(unique_variant& out, std::vector<VARIANT> elements) {
    out.reset();
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size()));
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        if (array) ::SafeArrayPutElement(array, &i, &elements[static_cast<std::size_t>(i)]);
        ::VariantClear(&elements[static_cast<std::size_t>(i)]);
    }
    if (!array) return;
    V_VT(out.get_mutable()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out.get_mutable()) = array;
}

}  // namespace mv::test
