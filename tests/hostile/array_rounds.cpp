#include "hostile_rounds.h"

#include <gtest/gtest.h>

#include "argument_model.h"

namespace mv::test {

std::vector<unsigned char> HostileRounds::ReadJavaArray(UINT64 array, long type, bool& ok) {
    unique_variant out;
    const HRESULT hr = m_bridge->GetJavaPrimitiveArray(array, static_cast<JavaTypes>(type), out.put());
    m_tally.Record("GetJavaPrimitiveArray", hr, kArrayCodes);
    ok = hr == S_OK && (out.type() & VT_ARRAY) && V_ARRAY(&out.get());
    if (!ok) return {};
    const SAFEARRAY* a = V_ARRAY(&out.get());
    return JavaBytesOf(a->pvData, type, a->rgsabound[0].cElements);  // booleans come back as VT_I2 -1 or 0
}

// A new primitive array of random type and size, then random writes and reads of it.
void HostileRounds::ArrayRound() {
    const long javaType = static_cast<long>(m_random.Between(-2, 10));
    const long length = m_random.Chance(10) ? static_cast<long>(m_random.Between(-0x7FFFFFFF, -1)) : static_cast<long>(m_random.Between(0, 6));
    UINT64 array = 0;
    HRESULT hr = m_bridge->NewJavaPrimitiveArray(static_cast<JavaTypes>(javaType), length, &array);
    EXPECT_TRUE(m_tally.Record("NewJavaPrimitiveArray", hr, kArrayCodes));
    const bool valid = javaType >= 0 && javaType <= 7 && length >= 0;
    EXPECT_EQ(hr, valid ? S_OK : E_FAIL) << "type " << javaType << " length " << length;
    if (!valid) {
        EXPECT_EQ(array, 0u);
        array = m_targets.ints;  // write into a real array of another kind instead
    }
    const long realType = valid ? javaType : 4;
    const long realLength = valid ? length : 3;
    bool ok = false;
    std::vector<unsigned char> content = ReadJavaArray(array, realType, ok);
    EXPECT_TRUE(ok);

    for (int write = 0; write < 3; ++write) {
        VariantArena arena;
        unique_variant in;
        long type = m_random.Chance(70) ? realType : static_cast<long>(m_random.Between(-1, 9));
        if (m_random.Chance(60) && ElementTypeOf(type) != VT_EMPTY) {
            const int dims = static_cast<int>(m_random.Between(1, 3));
            V_VT(in.get_mutable()) = static_cast<VARTYPE>(VT_ARRAY | ElementTypeOf(type));
            V_ARRAY(in.get_mutable()) = m_random.Chance(3) ? nullptr : m_generator.Array(ElementTypeOf(type), dims, dims == 1 ? 9 : 4, arena, 0);
        } else {
            m_generator.Any(*in.get_mutable(), arena, 1);
        }
        if (!valid && type == 4 && m_random.Chance(90)) type = 5;  // never overwrite the shared int[] with success
        const ArrayWriteModel model = ModelArrayWrite(type, in.get(), realType, realLength);
        hr = m_bridge->SetJavaPrimitiveArray(array, static_cast<JavaTypes>(type), in.get());
        EXPECT_TRUE(m_tally.Record("SetJavaPrimitiveArray", hr, kArrayCodes));
        EXPECT_EQ(hr, model.hr) << "SetJavaPrimitiveArray type " << type << " into type " << realType << " length "
                                << realLength << ", VARIANT 0x" << std::hex << in.type();
        if (hr == S_OK && model.hr == S_OK) content = model.bytes;
        const std::vector<unsigned char> now = ReadJavaArray(array, realType, ok);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(now == content) << "array content after SetJavaPrimitiveArray answered 0x" << std::hex << hr;
    }

    const long readType = static_cast<long>(m_random.Between(-1, 9));
    unique_variant out;
    hr = m_bridge->GetJavaPrimitiveArray(array, static_cast<JavaTypes>(readType), out.put());
    EXPECT_TRUE(m_tally.Record("GetJavaPrimitiveArray", hr, kArrayCodes));
    if (readType == realType) {
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(out.type(), VT_ARRAY | (readType == 0 ? static_cast<VARTYPE>(VT_I2) : ElementTypeOf(readType)));
    } else if (readType < 0 || readType > 7) {
        EXPECT_TRUE(hr == E_FAIL || (hr == S_OK && out.type() == VT_EMPTY)) << std::hex << hr;
    } else {
        EXPECT_EQ(hr, E_FAIL) << "read type " << readType << " of a type " << realType << " array";
        EXPECT_EQ(out.type(), VT_EMPTY);
    }

    LONG size = 0;
    hr = m_bridge->GetJavaArrayLength(array, &size);
    EXPECT_TRUE(m_tally.Record("GetJavaArrayLength", hr, kHandleCodes));
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(size, realLength);

    // Object arrays: only an Object[] without nulls gives its elements.
    const UINT64 candidate = m_random.Chance(50) ? array : m_generator.Handle();
    unique_variant elements;
    hr = m_bridge->GetJavaObjectArray(candidate, elements.put());
    EXPECT_TRUE(m_tally.Record("GetJavaObjectArray", hr, kArrayCodes));
    if (candidate == m_targets.objects && candidate) {
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(elements.type(), VT_ARRAY | VT_UI8);
        if (hr == S_OK && elements.type() == (VT_ARRAY | VT_UI8)) {
            const auto* handles = static_cast<const UINT64*>(V_ARRAY(&elements.get())->pvData);
            for (ULONG i = 0; i < V_ARRAY(&elements.get())->rgsabound[0].cElements; ++i) Delete(handles[i]);
        }
    } else {
        EXPECT_EQ(hr, E_FAIL) << "GetJavaObjectArray of 0x" << std::hex << candidate;
        EXPECT_EQ(elements.type(), VT_EMPTY);
    }
    if (valid) Delete(array);
}

}  // namespace mv::test
