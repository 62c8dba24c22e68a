#include "awt/java_calls.h"

#include "common/com/safearray.h"

namespace mv {

HRESULT GetJavaIntField(IMvJavaCpp* bridge, UINT64 object, const wchar_t* field, LONG* value) noexcept {
    const unique_bstr name(::SysAllocString(field));
    if (!name) return E_OUTOFMEMORY;
    return bridge->GetIntField(object, name.get(), value);
}

bool IsJavaInstance(IMvJavaCpp* bridge, UINT64 object, const wchar_t* dottedName) noexcept {
    if (!bridge || object == 0) return false;
    const unique_bstr name(::SysAllocString(dottedName));
    if (!name) return false;
    VARIANT_BOOL answer = VARIANT_FALSE;
    return SUCCEEDED(bridge->IsInstanceOf(object, name.get(), &answer)) && answer == VARIANT_TRUE;
}

VARIANT ArgumentI4(LONG value) noexcept {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT ArgumentHandle(UINT64 handle) noexcept {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_UI8;
    V_UI8(&v) = handle;
    return v;
}

VARIANT ArgumentBstr(BSTR text) noexcept {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}

HRESULT MakeArgumentArray(std::initializer_list<VARIANT> elements, unique_variant& args) noexcept {
    unique_safearray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size())));
    if (!array) return E_OUTOFMEMORY;
    LONG index = 0;
    for (const VARIANT& element : elements) {
        // SafeArrayPutElement copies a VARIANT element with VariantCopy.
        HRESULT hr = ::SafeArrayPutElement(array.get(), &index, const_cast<VARIANT*>(&element));
        if (FAILED(hr)) return hr;
        ++index;
    }
    VARIANT* out = args.put();
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = array.release();
    return S_OK;
}

}  // namespace mv
