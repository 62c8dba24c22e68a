#pragma once
// Values for calls: BSTR arguments, and single VARIANT values for argument arrays and DISPPARAMS. The receiver
// owns what the VARIANTs hold (a BSTR from ArgBstr is freed with the array or by VariantClear).

#include <windows.h>
#include <oleauto.h>

#include <string_view>
#include <utility>
#include <vector>

#include "common/com/bstr.h"
#include "common/com/variant.h"

namespace mv::test {

// An owned BSTR of exactly `text` (embedded NULs kept); null only when memory ran out.
inline unique_bstr Bstr(std::wstring_view text) { return unique_bstr::copy_of(text); }

// A zero value of any type (also for types a member must refuse).
inline VARIANT ArgOf(VARTYPE vt) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = vt;
    V_UI8(&v) = 0;
    return v;
}
inline VARIANT ArgI4(LONG value) { VARIANT v = ArgOf(VT_I4); V_I4(&v) = value; return v; }
inline VARIANT ArgI8(LONGLONG value) { VARIANT v = ArgOf(VT_I8); V_I8(&v) = value; return v; }
inline VARIANT ArgUI8(ULONGLONG value) { VARIANT v = ArgOf(VT_UI8); V_UI8(&v) = value; return v; }
inline VARIANT ArgBool(bool value) {
    VARIANT v = ArgOf(VT_BOOL); V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE; return v;
}
inline VARIANT ArgBstr(const wchar_t* text) {
    VARIANT v = ArgOf(VT_BSTR); V_BSTR(&v) = ::SysAllocString(text); return v;
}

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
// The same held by an object, so that a call can take one made in place: ArgumentArray({...}).get().
struct ArgumentArray : unique_variant {
    explicit ArgumentArray(std::vector<VARIANT> elements) { MakeArgumentArray(*this, std::move(elements)); }
};

}  // namespace mv::test
