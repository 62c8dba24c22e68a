#pragma once
// Helpers of the field and method member tests: the proxy's trace, the text of BSTRs and Java
// strings unit by unit, and the bits of a value (so that -0.0 and denormals compare exactly).

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include <jni.h>

#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {

inline std::string ReadTrace() {
    std::string text(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(text.data(), text.size());
    text.resize(std::strlen(text.c_str()));
    return text;
}

// The UTF-16 units of a BSTR, embedded NULs included ("<null>" never equals a real text).
inline std::u16string UnitsOf(BSTR s) {
    if (!s) return u"<null>";
    return std::u16string(reinterpret_cast<const char16_t*>(s), ::SysStringLen(s));
}

// The UTF-16 units of a Java string, read through raw JNI.
inline std::u16string UnitsOf(JNIEnv* env, jstring s) {
    if (!s) return u"<null>";
    const jsize length = env->GetStringLength(s);
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    env->GetStringRegion(s, 0, length, reinterpret_cast<jchar*>(units.data()));
    return units;
}

// A BSTR of exactly these units (embedded NULs kept).
inline BSTR AllocUnits(const std::u16string& units) {
    return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<UINT>(units.size()));
}

// The bits of a value: floating-point values as same-sized integers, others unchanged.
template <typename T>
auto Bits(T value) {
    if constexpr (std::is_same_v<T, float>) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    } else if constexpr (std::is_same_v<T, double>) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    } else {
        return value;
    }
}

// A float or double with exactly these bits.
template <typename T, typename B>
T FromBits(B bits) {
    static_assert(sizeof(T) == sizeof(B));
    T value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace mv::test
