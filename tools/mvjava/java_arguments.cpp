#include "java_arguments.h"

namespace mvjava {

VARIANT ArgumentI4(LONG value) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT ArgumentUI8(ULONGLONG value) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_UI8;
    V_UI8(&v) = value;
    return v;
}

VARIANT ArgumentBstr(const std::wstring& text) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

bool MakeArgumentArray(mv::unique_variant& out, std::vector<VARIANT> elements) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size()));
    bool complete = array != nullptr;
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        VARIANT& element = elements[static_cast<std::size_t>(i)];
        if (array && FAILED(::SafeArrayPutElement(array, &i, &element))) complete = false;
        ::VariantClear(&element);
    }
    if (!array) return false;
    VARIANT* target = out.put();
    V_VT(target) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(target) = array;
    return complete;
}

}  // namespace mvjava
