#include "java_arguments.h"

#include "common/com/bstr.h"

namespace mvjava {

namespace {

// An empty VARIANT labelled `vt`, for the caller to fill in the member of that type.
VARIANT Typed(VARTYPE vt) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = vt;
    return v;
}

}  // namespace

VARIANT ArgumentI4(LONG value) {
    VARIANT v = Typed(VT_I4);
    V_I4(&v) = value;
    return v;
}

VARIANT ArgumentI8(LONGLONG value) {
    VARIANT v = Typed(VT_I8);
    V_I8(&v) = value;
    return v;
}

VARIANT ArgumentBool(bool value) {
    VARIANT v = Typed(VT_BOOL);
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT ArgumentUI8(ULONGLONG value) {
    VARIANT v = Typed(VT_UI8);
    V_UI8(&v) = value;
    return v;
}

VARIANT ArgumentBstr(const std::wstring& text) {
    VARIANT v = Typed(VT_BSTR);
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

JavaRef CallObject(IMvJavaCpp* jvm, UINT64 object, const wchar_t* method, const wchar_t* signature,
                   std::vector<VARIANT> args) {
    mv::unique_variant arguments;
    UINT64 result = 0;
    // No arguments: an empty VARIANT, as the bridge expects.
    if ((!args.empty() && !MakeArgumentArray(arguments, std::move(args))) ||
        FAILED(jvm->CallObjectMethod(object, mv::unique_bstr::copy_of(method).get(),
                                     mv::unique_bstr::copy_of(signature).get(), arguments.get(), &result)))
        return {};
    return JavaRef(jvm, result);
}

}  // namespace mvjava
