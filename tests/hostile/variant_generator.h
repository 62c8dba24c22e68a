#pragma once
// Random, well-formed VARIANTs: every scalar type, VT_DISPATCH/VT_UNKNOWN (a small real object or
// null), SAFEARRAYs of 1 to 4 dimensions with random (also negative) lower bounds and 0 to n
// elements per dimension, VARIANT arrays holding nested arrays, and VT_BYREF forms that point at
// storage the arena owns. VT_RECORD is left out: it needs an IRecordInfo of a record type.
//
// Every pointer inside a generated VARIANT is valid for the arena's life. A VT_UI8 value is
// always 0 or one of the handles the caller lists: a VT_UI8 argument reaches JNI as a reference,
// and a reference JNI did not make is a wild pointer to the JVM, which no JNI bridge can detect.

#include <windows.h>
#include <oleauto.h>

#include <deque>
#include <vector>

#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/safearray.h"
#include "common/com/variant.h"
#include "random_source.h"

namespace mv::test {

// Owns everything generated VARIANTs point at; clear it only after the VARIANTs are gone.
class VariantArena {
public:
    VariantArena();
    VARIANT& NewVariant() { return *m_variants.emplace_back().get_mutable(); }
    // Stable slots for VT_BYREF targets; the arena owns what they hold.
    BSTR* NewBstrSlot(BSTR value);
    SAFEARRAY** NewArraySlot(SAFEARRAY* array);
    IDispatch** NewObjectSlot(IDispatch* object);
    void* NewCell();  // 16 zeroed bytes, aligned for any scalar
    // The small real object that VT_DISPATCH and VT_UNKNOWN values carry.
    IDispatch* object() const { return m_object.get(); }

private:
    std::deque<unique_variant> m_variants;
    std::deque<unique_bstr> m_bstrs;
    std::deque<unique_safearray> m_arrays;
    std::deque<com_ptr<IDispatch>> m_objects;
    std::deque<DECIMAL> m_cells;
    com_ptr<IDispatch> m_object;
};

class VariantGenerator {
public:
    VariantGenerator(RandomSource& random, std::vector<UINT64> handles) : m_random(random), m_handles(std::move(handles)) {}

    // Fills `out` (VT_EMPTY on entry) with a random VARIANT of any form; `depth` bounds nesting.
    void Any(VARIANT& out, VariantArena& arena, int depth = 2);
    // A scalar of type `vt` with a random value (vt is a plain scalar type).
    void Scalar(VARIANT& out, VARTYPE vt);
    // A SAFEARRAY of `vt` elements with `dims` dimensions (random bounds), elements random.
    SAFEARRAY* Array(VARTYPE vt, int dims, int maxPerDim, VariantArena& arena, int depth);
    // A random value for a handle argument: 0 or one of the listed handles.
    UINT64 Handle();

    static const VARTYPE kScalarTypes[];
    static const std::size_t kScalarTypeCount;

private:
    void FillElement(VARTYPE vt, void* element, VariantArena& arena, int depth);
    void ByRef(VARIANT& out, VariantArena& arena, int depth);

    RandomSource& m_random;
    std::vector<UINT64> m_handles;
};

}  // namespace mv::test
