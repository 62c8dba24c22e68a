// How a 64-bit automation value carries a pointer or JNI reference on each target width.

#include <gtest/gtest.h>

#include "common/jni/pointer_bits.h"

namespace {

using mv::CarrierFromPointer;
using mv::PointerFromCarrier;

TEST(PointerBits, ThirtyTwoBitBuildReadsOnlyTheLowHalf) {
    EXPECT_EQ(PointerFromCarrier<32>(0xDEADBEEF12345678ull), 0x12345678ull);
    EXPECT_EQ(PointerFromCarrier<32>(0xFFFFFFFF80000000ull), 0x80000000ull);
    EXPECT_EQ(PointerFromCarrier<32>(0x0000000100000000ull), 0u) << "high bits alone mean null";
}

TEST(PointerBits, ThirtyTwoBitBuildHandsOutSignExtended) {
    EXPECT_EQ(CarrierFromPointer<32>(0x7FFFFFFFull), 0x000000007FFFFFFFull);
    EXPECT_EQ(CarrierFromPointer<32>(0x80000000ull), 0xFFFFFFFF80000000ull);
    // A handed-out value comes back to the same pointer.
    for (std::uint64_t p : {0x1ull, 0x7FFFFFFFull, 0x80000000ull, 0xFFFFFFFFull})
        EXPECT_EQ(PointerFromCarrier<32>(CarrierFromPointer<32>(p)), p);
}

TEST(PointerBits, SixtyFourBitBuildCarriesTheWholeValue) {
    EXPECT_EQ(PointerFromCarrier<64>(0xDEADBEEF12345678ull), 0xDEADBEEF12345678ull);
    EXPECT_EQ(CarrierFromPointer<64>(0x0000000180000000ull), 0x0000000180000000ull);
}

}  // namespace
