#include "variant_generator.h"

#include <cstring>

namespace mv::test {
namespace {

// An automation object with nothing to call: enough to travel as VT_DISPATCH or VT_UNKNOWN,
// also across processes (standard marshalling of IDispatch).
class PlainObject final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ~PlainObject() = default;
    LONG m_refs = 1;
};

}  // namespace

const VARTYPE VariantGenerator::kScalarTypes[] = {
    VT_EMPTY, VT_NULL, VT_I2,  VT_I4,      VT_R4, VT_R8,  VT_CY,  VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR,
    VT_BOOL,  VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8,   VT_UI8,  VT_INT,      VT_UINT,
};
const std::size_t VariantGenerator::kScalarTypeCount = sizeof(kScalarTypes) / sizeof(kScalarTypes[0]);

VariantArena::VariantArena() { m_object.attach(new PlainObject()); }

BSTR* VariantArena::NewBstrSlot(BSTR value) {
    BSTR* slot = m_bstrs.emplace_back().put();
    *slot = value;
    return slot;
}

SAFEARRAY** VariantArena::NewArraySlot(SAFEARRAY* array) {
    SAFEARRAY** slot = m_arrays.emplace_back().put();
    *slot = array;
    return slot;
}

IDispatch** VariantArena::NewObjectSlot(IDispatch* object) {
    IDispatch** slot = m_objects.emplace_back().put();
    if (object) object->AddRef();
    *slot = object;
    return slot;
}

void* VariantArena::NewCell() {
    DECIMAL& cell = m_cells.emplace_back();
    std::memset(&cell, 0, sizeof(cell));
    return &cell;
}

UINT64 VariantGenerator::Handle() {
    if (m_handles.empty() || m_random.Chance(15)) return 0;
    return m_handles[static_cast<std::size_t>(m_random.Between(0, static_cast<long long>(m_handles.size()) - 1))];
}

void VariantGenerator::Scalar(VARIANT& out, VARTYPE vt) {
    ::VariantInit(&out);
    V_VT(&out) = vt;
    const std::uint64_t bits = m_random.Bits();
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_I2: V_I2(&out) = static_cast<SHORT>(bits); break;
    case VT_I4: V_I4(&out) = static_cast<LONG>(bits); break;
    case VT_R4: { const auto b = static_cast<std::uint32_t>(bits); std::memcpy(&V_R4(&out), &b, 4); break; }
    case VT_R8: std::memcpy(&V_R8(&out), &bits, 8); break;
    case VT_CY: V_CY(&out).int64 = static_cast<LONGLONG>(bits); break;
    case VT_DATE: V_DATE(&out) = static_cast<double>(static_cast<LONG>(bits)) / 7.0; break;
    case VT_BSTR: {
        const std::wstring text = m_random.Text(m_random.Chance(3) ? 20000 : 40);
        V_BSTR(&out) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: V_UNKNOWN(&out) = nullptr; break;  // Any() gives the object
    case VT_ERROR: V_ERROR(&out) = static_cast<SCODE>(bits); break;
    case VT_BOOL: V_BOOL(&out) = m_random.Chance(50) ? static_cast<VARIANT_BOOL>(bits) : (bits & 1 ? VARIANT_TRUE : VARIANT_FALSE); break;
    case VT_DECIMAL: {
        DECIMAL d{};
        d.scale = static_cast<BYTE>(bits % 29);
        d.sign = (bits >> 8) & 1 ? DECIMAL_NEG : 0;
        d.Hi32 = static_cast<ULONG>(bits >> 32);
        d.Lo64 = m_random.Bits();
        V_DECIMAL(&out) = d;
        V_VT(&out) = VT_DECIMAL;  // DECIMAL overlays the type field
        break;
    }
    case VT_I1: V_I1(&out) = static_cast<CHAR>(bits); break;
    case VT_UI1: V_UI1(&out) = static_cast<BYTE>(bits); break;
    case VT_UI2: V_UI2(&out) = static_cast<USHORT>(bits); break;
    case VT_UI4: V_UI4(&out) = static_cast<ULONG>(bits); break;
    case VT_I8: V_I8(&out) = static_cast<LONGLONG>(bits); break;
    case VT_UI8: V_UI8(&out) = Handle(); break;
    case VT_INT: V_INT(&out) = static_cast<INT>(bits); break;
    case VT_UINT: V_UINT(&out) = static_cast<UINT>(bits); break;
    default: V_VT(&out) = VT_EMPTY; break;
    }
}

void VariantGenerator::FillElement(VARTYPE vt, void* element, VariantArena& arena, int depth) {
    if (vt == VT_VARIANT) {
        auto* v = static_cast<VARIANT*>(element);
        ::VariantInit(v);
        Any(*v, arena, depth - 1);
        return;
    }
    unique_variant value;
    Scalar(*value.get_mutable(), vt);
    VARIANT& v = *value.get_mutable();
    switch (vt) {
    case VT_BSTR: *static_cast<BSTR*>(element) = V_BSTR(&v); V_VT(&v) = VT_EMPTY; break;  // the array owns it
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IDispatch* object = m_random.Chance(50) ? arena.object() : nullptr;
        if (object) object->AddRef();  // the array releases it
        *static_cast<IDispatch**>(element) = object;
        break;
    }
    case VT_DECIMAL: std::memcpy(element, &V_DECIMAL(&v), sizeof(DECIMAL)); break;
    default: {
        const UINT size = [vt] {
            switch (vt) {
            case VT_I1: case VT_UI1: return 1u;
            case VT_I2: case VT_UI2: case VT_BOOL: return 2u;
            case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8u;
            default: return 4u;
            }
        }();
        std::memcpy(element, &V_UI8(&v), size);  // the value sits at the start of the union
        break;
    }
    }
}

SAFEARRAY* VariantGenerator::Array(VARTYPE vt, int dims, int maxPerDim, VariantArena& arena, int depth) {
    SAFEARRAYBOUND bounds[4]{};
    for (int d = 0; d < dims; ++d) {
        bounds[d].cElements = static_cast<ULONG>(m_random.Between(0, maxPerDim));
        bounds[d].lLbound = m_random.Chance(10) ? static_cast<LONG>(0x7FFFFFF0 - m_random.Between(0, 8))
                          : m_random.Chance(10)  ? static_cast<LONG>(-0x7FFFFFFF + m_random.Between(0, 8))
                                                 : static_cast<LONG>(m_random.Between(-6, 6));
    }
    SAFEARRAY* array = ::SafeArrayCreate(vt, static_cast<UINT>(dims), bounds);
    if (!array) return nullptr;
    ULONG total = 1;
    for (int d = 0; d < dims; ++d) total *= bounds[d].cElements;
    if (total) {
        const safearray_lock lock(array);
        auto* data = static_cast<unsigned char*>(lock.data());
        const UINT size = ::SafeArrayGetElemsize(array);
        for (ULONG i = 0; data && i < total; ++i) FillElement(vt, data + i * size, arena, depth);
    }
    return array;
}

void VariantGenerator::ByRef(VARIANT& out, VariantArena& arena, int depth) {
    const int kind = static_cast<int>(m_random.Between(0, 9));
    if (kind == 0 && depth > 0) {  // a VARIANT by reference, holding a plain value or an array
        VARIANT& target = arena.NewVariant();
        do {
            ::VariantClear(&target);
            Any(target, arena, depth - 1);
        } while (V_VT(&target) & VT_BYREF);
        V_VT(&out) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&out) = &target;
        return;
    }
    if (kind == 1) {  // an array by reference
        static const VARTYPE kElements[] = {VT_I4, VT_BOOL, VT_UI2, VT_I1, VT_R8, VT_VARIANT, VT_BSTR, VT_I8};
        const VARTYPE vt = m_random.Pick(kElements);
        SAFEARRAY** slot = arena.NewArraySlot(Array(vt, static_cast<int>(m_random.Between(1, 2)), 4, arena, depth));
        V_VT(&out) = static_cast<VARTYPE>(VT_BYREF | VT_ARRAY | vt);
        V_ARRAYREF(&out) = slot;
        return;
    }
    VARTYPE vt = VT_EMPTY;
    while (vt == VT_EMPTY || vt == VT_NULL) vt = kScalarTypes[m_random.Between(0, static_cast<long long>(kScalarTypeCount) - 1)];
    V_VT(&out) = static_cast<VARTYPE>(VT_BYREF | vt);
    switch (vt) {
    case VT_BSTR: {
        unique_variant value;
        Scalar(*value.get_mutable(), VT_BSTR);
        V_BSTRREF(&out) = arena.NewBstrSlot(V_BSTR(value.get_mutable()));
        V_VT(value.get_mutable()) = VT_EMPTY;
        break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: V_DISPATCHREF(&out) = arena.NewObjectSlot(m_random.Chance(50) ? arena.object() : nullptr); break;
    default: {
        void* cell = arena.NewCell();
        FillElement(vt, cell, arena, depth);
        V_BYREF(&out) = cell;
        break;
    }
    }
}

void VariantGenerator::Any(VARIANT& out, VariantArena& arena, int depth) {
    ::VariantInit(&out);
    const int form = static_cast<int>(m_random.Between(0, 9));
    if (form <= 4) {  // a scalar
        const VARTYPE vt = kScalarTypes[m_random.Between(0, static_cast<long long>(kScalarTypeCount) - 1)];
        Scalar(out, vt);
        if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && m_random.Chance(50)) {
            V_DISPATCH(&out) = arena.object();
            arena.object()->AddRef();
        }
        return;
    }
    if (form <= 7) {  // an array, of VARIANTs more often than not
        static const int kMaxPerDim[] = {0, 8, 4, 3, 2};
        const int dims = static_cast<int>(m_random.Between(1, 4));
        VARTYPE vt = VT_VARIANT;
        if (depth <= 0 || m_random.Chance(40)) {
            do {
                vt = kScalarTypes[m_random.Between(0, static_cast<long long>(kScalarTypeCount) - 1)];
            } while (vt == VT_EMPTY || vt == VT_NULL);
        }
        V_VT(&out) = static_cast<VARTYPE>(VT_ARRAY | vt);
        V_ARRAY(&out) = m_random.Chance(5) ? nullptr : Array(vt, dims, kMaxPerDim[dims], arena, depth);
        return;
    }
    ByRef(out, arena, depth);
}

}  // namespace mv::test
