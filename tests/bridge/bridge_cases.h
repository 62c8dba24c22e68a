#pragma once
// What the bridge tests share: values as a client sees them (the bits of a primitive at its own
// width, the UTF-16 units of a text), the observation of a getter's output, the JNI proxy's
// trace and counters, and a fixture with a local frame for the test and no arguments at hand.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>

#include "bridge_test.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {

using Value = std::variant<std::uint64_t, std::u16string>;
inline const Value kUntouched = std::u16string(u"untouched");  // a failed getter left its output as it was
inline const std::u16string kNonBmp = u"G clef \U0001D11E, grin \U0001F600";  // fixtures.Texts.NON_BMP

template <typename T> std::uint64_t BitsOf(T value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}
template <typename T> T FromBits(std::uint64_t bits) {
    T value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
template <typename T> T Sentinel() { return FromBits<T>(0x5A5A5A5A5A5A5A5Aull); }  // an output's value before a call

inline jobject JObject(UINT64 handle) { return reinterpret_cast<jobject>(static_cast<std::uintptr_t>(handle)); }
inline UINT64 HandleOf(jobject object) { return static_cast<UINT64>(reinterpret_cast<std::uintptr_t>(object)); }
inline unique_bstr Name(const char* ascii) { return Bstr(std::wstring(ascii, ascii + std::strlen(ascii))); }
inline std::u16string UnitsOf(BSTR s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s), ::SysStringLen(s)) : u"<null BSTR>"; }
inline BSTR AllocUnits(const std::u16string& u) { return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(u.data()), static_cast<UINT>(u.size())); }
inline jstring JavaString(JNIEnv* env, const std::u16string& u) { return env->NewString(reinterpret_cast<const jchar*>(u.data()), static_cast<jsize>(u.size())); }
inline std::u16string UnitsOf(JNIEnv* env, jobject object) {  // the units of its toString(), through raw JNI
    if (!object) return u"<null>";
    LocalFrame frame(env, 4);
    auto s = static_cast<jstring>(env->CallObjectMethod(object, env->GetMethodID(env->FindClass("java/lang/Object"), "toString", "()Ljava/lang/String;")));
    if (env->ExceptionCheck() || !s) return u"<toString failed>";
    std::u16string units(static_cast<std::size_t>(env->GetStringLength(s)), u'\0');
    env->GetStringRegion(s, 0, static_cast<jsize>(units.size()), reinterpret_cast<jchar*>(units.data()));
    return units;
}

// What a client sees of a getter's output: kUntouched (or "written on failure") unless it
// succeeded; then the bits of a primitive, the units of a BSTR (freed), or for a handle the text
// of its object, after checking that it is a global reference of the client's, which is deleted.
template <typename T> Value Observe(JNIEnv* env, HRESULT hr, T out) {
    if (hr != S_OK) return BitsOf(out) == BitsOf(Sentinel<T>()) ? kUntouched : Value(u"written on failure");
    if constexpr (std::is_same_v<T, BSTR>) return UnitsOf(unique_bstr(out).get());
    else if constexpr (std::is_same_v<T, UINT64>) {
        EXPECT_EQ(env->GetObjectRefType(JObject(out)), JNIGlobalRefType);
        const std::u16string text = UnitsOf(env, JObject(out));
        env->DeleteGlobalRef(JObject(out));
        return text;
    } else return BitsOf(out);
}

inline std::string ReadTrace() {
    std::string text(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(text.data(), text.size());
    return text.c_str();
}
inline MvJniProxyCounters Counters() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return counters;
}

class BridgeCase : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (!HasFatalFailure()) m_frame = std::make_unique<LocalFrame>(env(), 64);
    }
    void TearDown() override {
        m_frame.reset();
        BridgeTest::TearDown();
    }
    jint StaticInt(const char* className, const char* name, jint value = -1) {  // sets (value >= 0) and reads a static int
        LocalFrame frame(env(), 4);
        jclass cls = FindClass(className);
        const jfieldID id = StaticFieldId(cls, name, "I");
        if (value >= 0) env()->SetStaticIntField(cls, id, value);
        return env()->GetStaticIntField(cls, id);
    }
    std::unique_ptr<LocalFrame> m_frame;
    const VARIANT m_none{};  // VT_EMPTY: no arguments
};

}  // namespace mv::test
