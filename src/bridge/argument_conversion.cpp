#include "bridge/argument_conversion.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>

#include "bridge/java_handles.h"

namespace mv {
namespace {

// A whole number of any automation type, as a sign and a magnitude: the unsigned 64-bit ones
// above INT64_MAX included.
struct whole_number {
    bool negative;
    std::uint64_t magnitude;
};

whole_number Signed(std::int64_t v) noexcept {
    return {v < 0, v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v)};
}

std::optional<whole_number> WholeOfReal(double d) noexcept {
    // NaN fails the first test; the magnitude's cast is defined below 2^64.
    if (!(std::fabs(d) < 18446744073709551616.0) || d != std::trunc(d)) return std::nullopt;
    return whole_number{d < 0, static_cast<std::uint64_t>(std::fabs(d))};
}

std::optional<whole_number> WholeOf(const VARIANT& v) noexcept {
    switch (V_VT(&v)) {
    case VT_I1: return Signed(V_I1(&v));
    case VT_UI1: return whole_number{false, V_UI1(&v)};
    case VT_I2: return Signed(V_I2(&v));
    case VT_UI2: return whole_number{false, V_UI2(&v)};
    case VT_I4: return Signed(V_I4(&v));
    case VT_INT: return Signed(V_INT(&v));
    case VT_I8: return Signed(V_I8(&v));
    case VT_UI8: return whole_number{false, V_UI8(&v)};
    case VT_R4: return WholeOfReal(V_R4(&v));
    case VT_R8: return WholeOfReal(V_R8(&v));
    default: return std::nullopt;
    }
}

bool InRange(const whole_number& w, std::int64_t low, std::uint64_t high) noexcept {
    return w.negative ? w.magnitude <= 0 - static_cast<std::uint64_t>(low) : w.magnitude <= high;
}

// The value modulo 2^64, which is the value itself for any that fits a Java integral type.
std::int64_t Bits(const whole_number& w) noexcept {
    return static_cast<std::int64_t>(w.negative ? 0 - w.magnitude : w.magnitude);
}

// Whether a floating type with `digits` bits of mantissa holds the number exactly (its exponent
// range covers every 64-bit magnitude).
bool Exact(const whole_number& w, int digits) noexcept {
    std::uint64_t m = w.magnitude;
    if (m == 0) return true;
    while (!(m & 1)) m >>= 1;
    int bits = 0;
    for (; m; m >>= 1) ++bits;
    return bits <= digits;
}

template <typename Real>
Real RealOf(const whole_number& w) noexcept {  // for an exact one only
    const Real magnitude = static_cast<Real>(w.magnitude);
    return w.negative ? -magnitude : magnitude;
}

// Java's (float) cast: round to nearest, ties to even. The cast of a finite double beyond
// float's range is left undefined by C++, so those are rounded here: from FLT_MAX plus half its
// last unit (2^128 - 2^103) on to infinity, below that to FLT_MAX.
float JavaFloatOf(double d) noexcept {
    if (!std::isfinite(d) || std::fabs(d) <= FLT_MAX) return static_cast<float>(d);
    const float edge = std::fabs(d) >= 0x1.ffffffp127 ? HUGE_VALF : FLT_MAX;
    return d < 0 ? -edge : edge;
}

constexpr std::uint64_t kExactHandles = std::uint64_t{1} << 53;

argument_conversion ToReference(const VARIANT& e, jvalue& slot) noexcept {
    switch (V_VT(&e)) {
    case VT_BSTR: return argument_conversion::new_string;
    case VT_UI8: slot.l = HandleToJObject(V_UI8(&e)); return argument_conversion::value;
    case VT_NULL: slot.l = nullptr; return argument_conversion::value;
    case VT_I4:
    case VT_I8:
    case VT_R8: {
        const auto w = WholeOf(e);
        if (!w || w->negative || w->magnitude >= kExactHandles) return argument_conversion::refused;
        slot.l = HandleToJObject(w->magnitude);
        return argument_conversion::value;
    }
    // A zero of the narrower integral types is null (VBScript's Array(0) holds a VT_I2); no other
    // value of theirs names an object.
    case VT_UI4: case VT_UINT:
        if (V_UI4(&e) != 0) return argument_conversion::refused;
        slot.l = nullptr;
        return argument_conversion::value;
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_INT: {
        const auto w = WholeOf(e);
        if (!w || w->magnitude != 0) return argument_conversion::refused;
        slot.l = nullptr;
        return argument_conversion::value;
    }
    default: return argument_conversion::refused;
    }
}

// An element of the parameter's own type, bit for bit (a boolean as 1 or 0); false for another.
bool OwnType(const VARIANT& e, char parameter, jvalue& slot) noexcept {
    const VARTYPE vt = V_VT(&e);
    switch (parameter) {
    case 'Z': if (vt == VT_BOOL) return slot.z = V_BOOL(&e) ? JNI_TRUE : JNI_FALSE, true; break;
    case 'B': if (vt == VT_I1 || vt == VT_UI1) return slot.b = static_cast<jbyte>(V_UI1(&e)), true; break;
    case 'C': if (vt == VT_UI2) return slot.c = V_UI2(&e), true; break;
    case 'S': if (vt == VT_I2) return slot.s = V_I2(&e), true; break;
    case 'I': if (vt == VT_I4) return slot.i = V_I4(&e), true; break;
    case 'J': if (vt == VT_I8) return slot.j = V_I8(&e), true; break;
    case 'F': if (vt == VT_R4) return slot.f = V_R4(&e), true; break;
    case 'D': if (vt == VT_R8) return slot.d = V_R8(&e), true; break;
    default: break;
    }
    return false;
}

}  // namespace

argument_conversion ConvertArgument(const VARIANT& e, char parameter, jvalue& slot) noexcept {
    if (parameter == 'L') return ToReference(e, slot);
    if (OwnType(e, parameter, slot)) return argument_conversion::value;
    const VARTYPE vt = V_VT(&e);
    if (parameter == 'Z' || vt == VT_BOOL) return argument_conversion::refused;
    if (parameter == 'F' && vt == VT_R8) return slot.f = JavaFloatOf(V_R8(&e)), argument_conversion::value;
    if (parameter == 'D' && vt == VT_R4) return slot.d = V_R4(&e), argument_conversion::value;

    const auto w = WholeOf(e);
    if (!w) return argument_conversion::refused;
    bool fits = false;
    switch (parameter) {
    case 'B': fits = InRange(*w, -128, 255), slot.b = static_cast<jbyte>(static_cast<std::uint8_t>(Bits(*w))); break;
    case 'C': fits = InRange(*w, 0, 0xFFFF), slot.c = static_cast<jchar>(Bits(*w)); break;
    case 'S': fits = InRange(*w, INT16_MIN, INT16_MAX), slot.s = static_cast<jshort>(Bits(*w)); break;
    case 'I': fits = InRange(*w, INT32_MIN, INT32_MAX), slot.i = static_cast<jint>(Bits(*w)); break;
    case 'J': fits = InRange(*w, INT64_MIN, INT64_MAX), slot.j = Bits(*w); break;
    // Floats and doubles reach here from the integral types only.
    case 'F': fits = Exact(*w, FLT_MANT_DIG), slot.f = RealOf<float>(*w); break;
    case 'D': fits = Exact(*w, DBL_MANT_DIG), slot.d = RealOf<double>(*w); break;
    default: break;
    }
    return fits ? argument_conversion::value : argument_conversion::refused;
}

}  // namespace mv
