#include "argument_model.h"

#include <cstring>

namespace mv::test {
namespace {

ULONGLONG TotalElements(const SAFEARRAY* array) {
    ULONGLONG total = 1;
    for (USHORT d = 0; d < array->cDims; ++d) total *= array->rgsabound[d].cElements;
    return total;
}

char KindOf(VARTYPE vt) {
    switch (vt) {
    case VT_I2: return 'S';
    case VT_I4: return 'I';
    case VT_R4: return 'F';
    case VT_R8: return 'D';
    case VT_BSTR: return 'L';
    case VT_BOOL: return 'Z';
    case VT_I1:
    case VT_UI1: return 'B';
    case VT_UI2: return 'C';
    case VT_I8: return 'J';
    case VT_UI8: return 'L';
    default: return 0;
    }
}

// The bounds of dimension 1 as the OLE functions report them; the count it implies.
HRESULT FirstDimension(SAFEARRAY* array, LONGLONG& count) {
    LONG lower = 0, upper = 0;
    HRESULT hr = ::SafeArrayGetLBound(array, 1, &lower);
    if (SUCCEEDED(hr)) hr = ::SafeArrayGetUBound(array, 1, &upper);
    if (FAILED(hr)) return hr;
    count = static_cast<LONGLONG>(static_cast<LONG>(static_cast<ULONG>(upper) - static_cast<ULONG>(lower))) + 1;
    return S_OK;
}

}  // namespace

ArgumentsModel ModelArguments(const VARIANT& paramArray) {
    ArgumentsModel model;
    if (V_VT(&paramArray) == VT_EMPTY) return model;
    if (V_VT(&paramArray) != (VT_ARRAY | VT_VARIANT)) {
        model.hr = E_FAIL;
        return model;
    }
    SAFEARRAY* array = V_ARRAY(&paramArray);
    LONGLONG count = 0;
    model.hr = FirstDimension(array, count);
    if (FAILED(model.hr) || count <= 0) return model;
    if (TotalElements(array) < static_cast<ULONGLONG>(count)) {
        model.hr = E_FAIL;
        return model;
    }
    const auto* elements = static_cast<const VARIANT*>(array->pvData);
    for (LONGLONG i = 0; i < count; ++i) {
        const char kind = KindOf(V_VT(&elements[i]));
        if (!kind) {
            model.hr = E_FAIL;
            model.kinds.clear();
            model.values.clear();
            return model;
        }
        model.kinds += kind;
        model.values.push_back(elements[i]);
    }
    return model;
}

std::string SignatureKinds(const std::wstring& signature) {
    std::string kinds;
    std::size_t i = 1;  // after '('
    while (i < signature.size() && signature[i] != L')') {
        while (signature[i] == L'[') ++i;
        if (signature[i] == L'L') {
            i = signature.find(L';', i) + 1;
            kinds += 'L';
            continue;
        }
        kinds += signature[i - 1] == L'[' ? 'L' : static_cast<char>(signature[i]);
        ++i;
    }
    return kinds;
}

VARTYPE ElementTypeOf(long type) {
    static const VARTYPE kTypes[] = {VT_BOOL, VT_I1, VT_UI2, VT_I2, VT_I4, VT_I8, VT_R4, VT_R8};
    return type >= 0 && type < 8 ? kTypes[type] : static_cast<VARTYPE>(VT_EMPTY);
}

std::size_t JavaElementSize(long type) {
    static const std::size_t kSizes[] = {1, 1, 2, 2, 4, 8, 4, 8};
    return type >= 0 && type < 8 ? kSizes[type] : 0;
}

std::vector<unsigned char> JavaBytesOf(const void* data, long type, std::size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> java;
    if (type == 0) {
        for (std::size_t i = 0; i < count; ++i) {
            SHORT b = 0;
            std::memcpy(&b, bytes + i * 2, 2);
            java.push_back(b ? 1 : 0);
        }
    } else {
        java.assign(bytes, bytes + count * JavaElementSize(type));
    }
    return java;
}

ArrayWriteModel ModelArrayWrite(long type, const VARIANT& inArray, long javaType, long length) {
    ArrayWriteModel model;
    if (type < 0 || type > 7 || V_VT(&inArray) != (VT_ARRAY | ElementTypeOf(type))) {
        model.hr = E_FAIL;
        return model;
    }
    SAFEARRAY* array = V_ARRAY(&inArray);
    LONGLONG count = 0;
    model.hr = FirstDimension(array, count);
    if (FAILED(model.hr)) return model;
    if (javaType != type || count < length || TotalElements(array) < static_cast<ULONGLONG>(length)) {
        model.hr = E_FAIL;
        return model;
    }
    model.bytes = JavaBytesOf(array->pvData, type, static_cast<std::size_t>(length));
    return model;
}

}  // namespace mv::test
