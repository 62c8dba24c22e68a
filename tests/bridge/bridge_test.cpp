// The generic Java members of the main object against a real JVM, each family from one table walked
// in one loop. Values are compared as a client sees them: the bits of a primitive at its own width,
// the UTF-16 units of a text, kUntouched when a failed member left its output as it was.

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "bridge/java_arrays.h"
#include "bridge_test.h"
#include "common/com/safearray.h"
#include "debug_output_capture.h"
#include "handle_families.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

using Value = std::variant<std::uint64_t, std::u16string>;
const Value kUntouched = std::u16string(u"untouched");
const std::u16string kNullBstr = u"<null BSTR>";  // a text handed in as a null BSTR
const std::u16string kNonBmp = u"G clef \U0001D11E, grin \U0001F600";  // fixtures.Texts.NON_BMP

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
template <typename T> T Sentinel() { return FromBits<T>(0x5A5A5A5A5A5A5A5Aull); }  // an output before a call

unique_bstr Name(const std::string& ascii) { return Bstr(std::wstring(ascii.begin(), ascii.end())); }
unique_bstr BstrOf(const std::u16string& u) {
    return u == kNullBstr ? unique_bstr() : Bstr({reinterpret_cast<const wchar_t*>(u.data()), u.size()});
}
std::u16string UnitsOf(BSTR s) {
    return s ? std::u16string(reinterpret_cast<const char16_t*>(s), ::SysStringLen(s)) : kNullBstr;
}
jstring JavaString(JNIEnv* env, const std::u16string& u) {
    return env->NewString(reinterpret_cast<const jchar*>(u.data()), static_cast<jsize>(u.size()));
}
std::u16string UnitsOf(JNIEnv* env, jobject object) {  // the units of its toString(), through raw JNI
    if (!object) return u"<null>";
    LocalFrame frame(env, 4);
    const jmethodID toString = env->GetMethodID(env->FindClass("java/lang/Object"), "toString", "()Ljava/lang/String;");
    auto s = static_cast<jstring>(env->CallObjectMethod(object, toString));
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
        EXPECT_EQ(env->GetObjectRefType(ObjectOf(out)), JNIGlobalRefType);
        const std::u16string text = UnitsOf(env, ObjectOf(out));
        env->DeleteGlobalRef(ObjectOf(out));
        return text;
    } else return BitsOf(out);
}

// Every test runs in one local frame of 64: a member that left a local reference per call would
// exceed it within the tables' hundreds of calls, which -Xcheck:jni reports (a failure of JniTest).
// A test that leaves a global reference fails too (JniTest fails one that leaves an exception pending).
class BridgeCase : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (!HasFatalFailure()) m_frame = std::make_unique<LocalFrame>(env(), 64);
    }
    void TearDown() override {
        m_frame.reset();
        EXPECT_EQ(LiveGlobalRefs(), 0) << "global references left by the test";
        BridgeTest::TearDown();
    }
    jint StaticInt(const char* className, const char* name, jint value = -1) {  // sets (value >= 0) and reads
        LocalFrame frame(env(), 4);
        jclass cls = FindClass(className);
        const jfieldID id = StaticFieldId(cls, name, "I");
        if (value >= 0) env()->SetStaticIntField(cls, id, value);
        return env()->GetStaticIntField(cls, id);
    }
    std::unique_ptr<LocalFrame> m_frame;
    const VARIANT m_none{};  // VT_EMPTY: no arguments
};

template <typename... P> using Last = std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>;
template <typename... P> using Member = HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*)(UINT64, P...);

// A value to hand in: the bits of a primitive, a BSTR of a text, or for a handle either the
// number itself or a global reference the client holds to a Java string of the text.
template <typename In, typename Call> HRESULT HandIn(JNIEnv* e, const Value& v, Call call) {
    if constexpr (std::is_same_v<In, BSTR>) return call(BstrOf(std::get<std::u16string>(v)).get());
    else if constexpr (!std::is_same_v<In, UINT64>) return call(FromBits<In>(std::get<std::uint64_t>(v)));
    else {
        if (auto* handle = std::get_if<std::uint64_t>(&v)) return call(*handle);
        LocalFrame frame(e, 4);
        const jobject mine = e->NewGlobalRef(JavaString(e, std::get<std::u16string>(v)));
        const HRESULT hr = call(static_cast<UINT64>(reinterpret_cast<std::uintptr_t>(mine)));
        EXPECT_EQ(e->GetObjectRefType(mine), JNIGlobalRefType) << "the client's handle stays its own";
        e->DeleteGlobalRef(mine);
        return hr;
    }
}

using Getter = std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR name, Value& out)>;
using Setter = std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR name, const Value& in)>;
struct FieldRow {
    std::string members, field, sig, nullField;  // nullField: a field of this type that holds null
    bool isStatic;
    Value initial;
    Getter get;
    Setter set;
};
template <typename... G> Getter Get(Member<G...> get, std::string sig) {  // the Object members take a signature
    return [get, sig](IMvJavaCpp& b, JNIEnv* e, UINT64 h, BSTR n, Value& v) {
        auto out = Sentinel<std::remove_pointer_t<Last<G...>>>();
        HRESULT hr;
        if constexpr (sizeof...(G) == 3) hr = (b.*get)(h, n, Name(sig).get(), &out);
        else hr = (b.*get)(h, n, &out);
        v = Observe(e, hr, out);
        return hr;
    };
}
template <typename... S> Setter Set(Member<S...> set, std::string sig) {
    return [set, sig](IMvJavaCpp& b, JNIEnv* e, UINT64 h, BSTR n, const Value& v) {
        return HandIn<Last<S...>>(e, v, [&](auto in) {
            if constexpr (sizeof...(S) == 3) return (b.*set)(h, n, Name(sig).get(), in);
            else return (b.*set)(h, n, in);
        });
    };
}
std::vector<FieldRow> FieldRows() {  // the 40 field members: an instance and a static row per type
    std::vector<FieldRow> rows;
    const auto add = [&rows](std::string type, std::string sig, Getter get, Setter set, Getter getStatic,
                             Setter setStatic, Value initial, Value staticInitial) {
        const bool refs = sig[0] == 'L';
        const std::string field = char(std::tolower(type[0])) + type.substr(1) + "Field";
        rows.push_back({"Get" + type + "Field and its setter", field, sig, refs ? "null" + type + "Field" : "", false,
                        initial, get, set});
        rows.push_back({"GetStatic" + type + "Field and its setter", "static" + type, sig,
                        refs ? "staticNull" + type : "", true, staticInitial, getStatic, setStatic});
    };
    using M = IMvJavaCpp;
#define MV_FIELDS(T, S, sig) #T, sig, Get(&M::Get##T##Field, sig), Set(&M::Set##T##Field, sig), \
                             Get(&M::GetStatic##T##Field, sig), Set(&M::SetStatic##S##Field, sig)
    add(MV_FIELDS(Boolean, Boolen, "Z"), BitsOf(VARIANT_TRUE), BitsOf(VARIANT_TRUE));
    add(MV_FIELDS(Byte, Byte, "B"), std::uint64_t{0xFF}, std::uint64_t{0xFE});
    add(MV_FIELDS(Char, Char, "C"), std::uint64_t{0xE9}, std::uint64_t{0x20AC});
    add(MV_FIELDS(Short, Short, "S"), BitsOf<short>(-12345), BitsOf<short>(32000));
    add(MV_FIELDS(Int, Int, "I"), BitsOf<LONG>(123456789), BitsOf<LONG>(-987654321));
    add(MV_FIELDS(Long, Long, "J"), BitsOf<INT64>(0x0123456789abcdefLL), BitsOf<INT64>(LLONG_MIN + 1));
    add(MV_FIELDS(Float, Float, "F"), BitsOf(1.5f), BitsOf(-0.75f));
    add(MV_FIELDS(Double, Double, "D"), BitsOf(-2.25), BitsOf(6.02214076e23));
    add(MV_FIELDS(Object, Object, "Ljava/lang/Object;"), u"instance object", u"static object");
    add(MV_FIELDS(String, String, "Ljava/lang/String;"), u"instance string", u"static string");
#undef MV_FIELDS
    return rows;
}

struct Trip { Value given, inJava, readBack; };  // a value set, what Java then holds, what the getter answers
template <typename T> Trip Same(T v) {
    if constexpr (std::is_same_v<T, const char16_t*>) return {std::u16string(v), std::u16string(v), std::u16string(v)};
    else return {BitsOf(v), BitsOf(v), BitsOf(v)};
}
// Every value but a boolean crosses bit for bit: one value per type with its top and bottom bits set
// (a float and a double denormal and negative). Booleans: false, and a true other than VARIANT_TRUE.
std::vector<Trip> ValuesFor(const std::string& sig) {
    switch (sig[0]) {
    case 'Z': return {{BitsOf<VARIANT_BOOL>(0), BitsOf<jboolean>(0), BitsOf<VARIANT_BOOL>(0)},
                      {BitsOf<VARIANT_BOOL>(2), BitsOf<jboolean>(1), BitsOf(VARIANT_TRUE)}};
    case 'B': return {Same<unsigned char>(0x81)};
    case 'C': return {Same<unsigned short>(0xD835)};
    case 'S': return {Same<short>(SHRT_MIN + 1)};
    case 'I': return {Same<LONG>(LONG_MIN + 1)};
    case 'J': return {Same(FromBits<INT64>(0x8000000180000001ull))};
    case 'F': return {Same(FromBits<float>(0x80000001u))};
    case 'D': return {Same(FromBits<double>(0x8000000000000001ull))};
    default: return {Same(kNonBmp.c_str())};  // texts reach Java as NewJavaString makes them (see Texts)
    }
}

class Fields : public BridgeCase {
protected:
    void SetUp() override {
        BridgeCase::SetUp();
        if (HasFatalFailure()) return;
        m_class = FindClass("fixtures/Fields");
        m_fields = Handle(m_object = NewDefault("fixtures/Fields"));
    }
    void TearDown() override {  // the statics back to their first values
        if (m_class) env()->CallStaticVoidMethod(m_class, StaticMethodId(m_class, "reset", "()V"));
        BridgeCase::TearDown();
    }
    Value JavaField(const FieldRow& r) {  // what Java holds, read through raw JNI
        LocalFrame frame(env(), 4);
        JNIEnv* e = env();
        jclass c = m_class;
        jobject o = m_object;
        const bool s = r.isStatic;
        const char *name = r.field.c_str(), *sig = r.sig.c_str();
        const jfieldID id = s ? StaticFieldId(c, name, sig) : FieldId(c, name, sig);
#define MV_READ(letter, T) case letter: return BitsOf(s ? e->GetStatic##T##Field(c, id) : e->Get##T##Field(o, id));
        switch (r.sig[0]) {
            MV_READ('Z', Boolean) MV_READ('B', Byte) MV_READ('C', Char) MV_READ('S', Short)
            MV_READ('I', Int) MV_READ('J', Long) MV_READ('F', Float) MV_READ('D', Double)
        default: return UnitsOf(e, s ? e->GetStaticObjectField(c, id) : e->GetObjectField(o, id));
        }
#undef MV_READ
    }
    jclass m_class = nullptr;
    jobject m_object = nullptr;
    UINT64 m_fields = 0;  // the test's handle to a fixtures.Fields
};

TEST_F(Fields, EachMemberReadsAndWritesOnlyAFieldOfItsOwnTypeAndKind) {
    const std::vector<FieldRow> rows = FieldRows();
    const UINT64 classObject = Handle(m_class);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const FieldRow& row = rows[i];
        SCOPED_TRACE(row.members);
        const unique_bstr name = Name(row.field);
        Value v;
        EXPECT_EQ(row.get(*bridge(), env(), m_fields, name.get(), v), S_OK);
        EXPECT_EQ(v, row.initial);
        for (const Trip& t : ValuesFor(row.sig)) {
            SCOPED_TRACE(::testing::PrintToString(t.given));
            EXPECT_EQ(row.set(*bridge(), env(), m_fields, name.get(), t.given), S_OK);
            EXPECT_EQ(JavaField(row), t.inJava);
            EXPECT_EQ(row.get(*bridge(), env(), m_fields, name.get(), v), S_OK);
            EXPECT_EQ(v, t.readBack);
        }
        // Refused, with the output and the field untouched and nothing pending: the zero handle, a
        // class object (whose class is java.lang.Class), no such field, a field of another type, the
        // other kind's field of this type, a null field; for the Object members a zero value.
        const Value before = JavaField(row);
        std::vector<std::pair<UINT64, std::string>> refused = {{0, row.field}, {classObject, row.field},
            {m_fields, "noSuchField"}, {m_fields, rows[(i + 2) % rows.size()].field}, {m_fields, rows[i ^ 1].field}};
        if (!row.nullField.empty()) refused.emplace_back(m_fields, row.nullField);
        for (const auto& [handle, field] : refused) {
            SCOPED_TRACE(::testing::Message() << "field " << field << " of handle " << handle);
            EXPECT_EQ(row.get(*bridge(), env(), handle, Name(field).get(), v), E_FAIL);
            EXPECT_EQ(v, kUntouched);
            if (field != row.nullField) {  // braces: EXPECT_ is an if-else
                EXPECT_EQ(row.set(*bridge(), env(), handle, Name(field).get(), ValuesFor(row.sig)[0].given), E_FAIL);
            }
            EXPECT_TRUE(NoException());
        }
        if (row.sig == "Ljava/lang/Object;") {
            EXPECT_EQ(row.set(*bridge(), env(), m_fields, name.get(), Value(std::uint64_t{0})), E_FAIL);
        }
        EXPECT_TRUE(NoException());
        EXPECT_EQ(JavaField(row), before) << "a refused setter wrote";
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

using Call = std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR superclass, BSTR name, BSTR sig,
                                   const VARIANT& args, Value& out)>;

std::u16string TakeLastVoidCall(JNIEnv* e) {  // what a void method did: the text it left in Base.lastVoidCall
    LocalFrame frame(e, 4);
    jclass base = e->FindClass("fixtures/Base");
    const jfieldID id = e->GetStaticFieldID(base, "lastVoidCall", "Ljava/lang/String;");
    const std::u16string text = UnitsOf(e, e->GetStaticObjectField(base, id));
    e->SetStaticObjectField(base, id, e->NewStringUTF(""));
    return text;
}
template <typename... P> Call Adapt(Member<P...> m) {
    return [m](IMvJavaCpp& b, JNIEnv* e, UINT64 h, BSTR super, BSTR n, BSTR s, const VARIANT& a, Value& v) {
        constexpr bool hasResult = !std::is_same_v<Last<P...>, VARIANT>;
        constexpr bool nonvirtual = sizeof...(P) == (hasResult ? 5 : 4);
        const auto call = [&](auto... out) {
            if constexpr (nonvirtual) return (b.*m)(h, super, n, s, a, out...);
            else return (b.*m)(h, n, s, a, out...);
        };
        if constexpr (hasResult) {
            auto out = Sentinel<std::remove_pointer_t<Last<P...>>>();
            const HRESULT hr = call(&out);
            v = Observe(e, hr, out);
            return hr;
        } else {
            TakeLastVoidCall(e);
            const HRESULT hr = call();
            const std::u16string done = TakeLastVoidCall(e);
            v = hr == S_OK ? Value(done) : done.empty() ? kUntouched : Value(u"ran although refused");
            return hr;
        }
    };
}

struct MethodRow {
    std::string member, name, otherGroupsName, sig;
    Value expected;               // on a fixtures.Derived: its override, Base's static, Base's implementation
    std::optional<Value> thrown;  // on a fixtures.ThrowingResults, whose methods throw
    Call call;
};
std::vector<MethodRow> MethodRows() {  // the 33 method members
    std::vector<MethodRow> rows;
    const auto add = [&rows](std::string type, std::string sig, Call v, Call s, Call n, Value derived, Value statics,
                             Value base, Value thrown) {
        const std::string lower = char(std::tolower(type[0])) + type.substr(1) + "Result";
        const std::string upper = "static" + type + "Result";
        const auto staticThrown = type == "Int" ? std::optional(thrown) : std::nullopt;
        rows.push_back({"Call" + type + "Method", lower, upper, sig, derived, thrown, v});
        rows.push_back({"CallStatic" + type + "Method", upper, lower, sig, statics, staticThrown, s});
        rows.push_back({"CallNonvirtual" + type + "Method", lower, upper, sig, base, thrown, n});
    };
    using M = IMvJavaCpp;
    const Value zero = std::uint64_t{0};
#define MV_CALLS(T) Adapt(&M::Call##T##Method), Adapt(&M::CallStatic##T##Method), Adapt(&M::CallNonvirtual##T##Method)
    add("Void", "()V", MV_CALLS(Void), u"Derived.voidResult", u"Base.staticVoidResult", u"Base.voidResult", u"");
    add("Boolean", "()Z", MV_CALLS(Boolean), BitsOf(VARIANT_TRUE), BitsOf(VARIANT_TRUE), BitsOf(VARIANT_FALSE), zero);
    add("Byte", "()B", MV_CALLS(Byte), std::uint64_t{0xFE}, std::uint64_t{0x80}, std::uint64_t{1}, zero);
    add("Char", "()C", MV_CALLS(Char), std::uint64_t{0x20AC}, std::uint64_t{0xFFFF}, std::uint64_t{'b'}, zero);
    add("Short", "()S", MV_CALLS(Short), BitsOf<short>(-4), BitsOf<short>(SHRT_MIN), std::uint64_t{3}, zero);
    add("Int", "()I", MV_CALLS(Int), std::uint64_t{600000}, BitsOf<LONG>(LONG_MAX), std::uint64_t{5}, zero);
    add("Long", "()J", MV_CALLS(Long), std::uint64_t{1} << 40, BitsOf<INT64>(LLONG_MAX), std::uint64_t{7}, zero);
    add("Float", "()F", MV_CALLS(Float), BitsOf(-8.25f), std::uint64_t{1} /* Float.MIN_VALUE */, BitsOf(0.5f), zero);
    add("Double", "()D", MV_CALLS(Double), BitsOf(1e300), BitsOf(-DBL_MAX), BitsOf(0.25), zero);
    add("Object", "()Ljava/lang/Object;", MV_CALLS(Object), u"derived object", u"42", u"base object", kUntouched);
    add("String", "()Ljava/lang/String;", MV_CALLS(String), u"Derived", u"static", u"Base", kUntouched);
#undef MV_CALLS
    return rows;
}

using Methods = BridgeCase;

TEST_F(Methods, EachMemberCallsItsGroupsMethodAndConvertsItsResult) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), thrower = NewObjectHandle("fixtures/ThrowingResults");
    const UINT64 nullToString = NewObjectHandle("fixtures/NullToString");
    const UINT64 classObject = Handle(FindClass("fixtures/Base"));
    StaticInt("fixtures/ThrowingResults", "calls", 0);
    int throwingCalls = 0;
    for (const MethodRow& row : MethodRows()) {
        SCOPED_TRACE(row.member);
        const auto superclass = [&](const char* name) {  // dotted, but slashes for the String member
            std::wstring wide(name, name + std::strlen(name));
            if (row.member != "CallNonvirtualStringMethod") std::replace(wide.begin(), wide.end(), L'/', L'.');
            return Bstr(wide);
        };
        const unique_bstr base = superclass("fixtures/Base"), name = Name(row.name), sig = Name(row.sig);
        Value v;
        const auto run = [&](UINT64 object, BSTR super, BSTR method, BSTR signature) {
            return row.call(*bridge(), env(), object, super, method, signature, m_none, v);
        };
        EXPECT_EQ(run(derived, base.get(), name.get(), sig.get()), S_OK);
        EXPECT_EQ(v, row.expected);
        if (row.thrown) {  // the exception is cleared: primitives give JNI's zero, references fail
            ++throwingCalls;
            const HRESULT expected = *row.thrown == kUntouched ? E_FAIL : S_OK;
            EXPECT_EQ(run(thrower, superclass("fixtures/ThrowingResults").get(), name.get(), sig.get()), expected);
            EXPECT_EQ(v, *row.thrown);
        }
        if (row.sig[2] == 'L') {  // a null result fails
            const bool isStatic = row.member.find("Static") != std::string::npos;
            const unique_bstr method = Name(!isStatic ? "toString" : row.sig[5] == 'S' ? "nullString" : "nullObject");
            const unique_bstr nullSig = Name(isStatic ? row.sig : "()Ljava/lang/String;");
            const unique_bstr super = superclass("fixtures/NullToString");
            EXPECT_EQ(run(isStatic ? derived : nullToString, super.get(), method.get(), nullSig.get()), E_FAIL);
            EXPECT_EQ(v, kUntouched);
        }
        // Refused: the zero handle, a class object (but for non-virtual calls, which name the class
        // themselves), no such method, the other group's method, another signature.
        const bool nonvirtual = row.member.find("Nonvirtual") != std::string::npos;
        const std::tuple<UINT64, std::string, std::string> refused[] = {{0, row.name, row.sig},
            {nonvirtual ? 0 : classObject, row.name, row.sig}, {derived, "noSuchMethod", row.sig},
            {derived, row.otherGroupsName, row.sig}, {derived, row.name, "()Ljava/lang/Thread;"}};
        for (const auto& [handle, other, otherSig] : refused) {
            SCOPED_TRACE(other + otherSig);
            EXPECT_EQ(run(handle, base.get(), Name(other).get(), Name(otherSig).get()), E_FAIL);
            EXPECT_EQ(v, kUntouched);
        }
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
    EXPECT_EQ(StaticInt("fixtures/ThrowingResults", "calls"), throwingCalls) << "every throwing method ran";
}

VARIANT Borrowed(VARTYPE vt, SAFEARRAY* array) {  // a VT_ARRAY VARIANT that the caller keeps owning
    VARIANT v = ArgOf(static_cast<VARTYPE>(VT_ARRAY | vt));
    V_ARRAY(&v) = array;
    return v;
}
VARIANT Element(VARTYPE vt, std::uint64_t bits) {
    VARIANT v = ArgOf(vt);
    std::memcpy(&V_UI1(&v), &bits, sizeof bits);
    return v;
}

std::string TraceOf(const std::function<void()>& run) {  // the JNI calls `run` made
    MvJniProxy_ClearTrace();
    MvJniProxy_SetTracing(1);
    run();
    MvJniProxy_SetTracing(0);
    std::string trace(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(trace.data(), trace.size());
    return trace;
}

// Each kind of element against each Java parameter type: the value Java sees (as it prints it) or
// a refusal before any Java call. An element of the parameter's own type crosses bit for bit;
// others only when their value survives exactly. Columns: boolean byte char short int long float
// double Object String, all parameters of one describe() call, the others given in their own type.
// kHandle stands for the test's handle of a Java string "object", given as a number of that type.
TEST_F(Methods, EachElementTypeConvertsToEachParameterTypeOnlyExactly) {
    constexpr const char *R = nullptr, *W = "";  // refused; not run (a handle of that value: wild)
    constexpr std::uint64_t kHandle = ~0ull;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        VARTYPE vt;
        std::uint64_t bits;
        std::array<const char*, 10> java;
    } rows[] = {
        {VT_I2, 1, {R, "1", "1", "1", "1", "1", "1.0", "1.0", R, R}},
        {VT_I2, 0, {R, "0", "0", "0", "0", "0", "0.0", "0.0", "null", "null"}},  // VBScript's Array(0)
        {VT_I2, BitsOf<short>(-1), {R, "-1", R, "-1", "-1", "-1", "-1.0", "-1.0", R, R}},
        {VT_I4, 255, {R, "-1", "255", "255", "255", "255", "255.0", "255.0", W, W}},
        {VT_I4, BitsOf<LONG>(-129), {R, R, R, "-129", "-129", "-129", "-129.0", "-129.0", R, R}},
        {VT_I4, 65536, {R, R, R, R, "65536", "65536", "65536.0", "65536.0", W, W}},
        {VT_I4, BitsOf<LONG>(LONG_MIN), {R, R, R, R, "-2147483648", "-2147483648", "-2.14748365E9", "-2.147483648E9",
                                         R, R}},
        {VT_I4, (1 << 24) + 1, {R, R, R, R, "16777217", "16777217", R, "1.6777217E7", W, W}},
        {VT_I4, 0, {R, "0", "0", "0", "0", "0", "0.0", "0.0", "null", "null"}},
        {VT_R8, BitsOf(3.0), {R, "3", "3", "3", "3", "3", "3.0", "3.0", W, W}},
        {VT_R8, BitsOf(0.1), {R, R, R, R, R, R, "0.1", "0.1", R, R}},
        {VT_R8, BitsOf(1e300), {R, R, R, R, R, R, "Infinity", "1.0E300", R, R}},
        {VT_R8, BitsOf(9007199254740992.0), {R, R, R, R, R, "9007199254740992", "9.0071993E15", "9.007199254740992E15",
                                             R, R}},
        {VT_R8, BitsOf(nan), {R, R, R, R, R, R, "NaN", "NaN", R, R}},
        {VT_BSTR, 0, {R, R, R, R, R, R, R, R, "7", "7"}}, {VT_NULL, 0, {R, R, R, R, R, R, R, R, "null", "null"}},
        {VT_BOOL, BitsOf(VARIANT_TRUE), {"true", R, R, R, R, R, R, R, R, R}},
        {VT_BOOL, 0, {"false", R, R, R, R, R, R, R, R, R}},
        {VT_UI1, 200, {R, "-56", "200", "200", "200", "200", "200.0", "200.0", R, R}},
        {VT_I8, 1ull << 40, {R, R, R, R, R, "1099511627776", "1.09951163E12", "1.099511627776E12", W, W}},
        {VT_I8, BitsOf<INT64>(LLONG_MIN), {R, R, R, R, R, "-9223372036854775808", "-9.223372E18",
                                           "-9.223372036854776E18", R, R}},
        {VT_I8, (1ull << 53) + 1, {R, R, R, R, R, "9007199254740993", R, R, R, R}},
        {VT_UI8, 1ull << 63, {R, R, R, R, R, R, "9.223372E18", "9.223372036854776E18", W, W}},
        {VT_UI8, 5, {R, "5", "5", "5", "5", "5", "5.0", "5.0", W, W}},
        {VT_I4, kHandle, {W, W, W, W, W, W, W, W, "object", "object"}},
        {VT_R8, kHandle, {W, W, W, W, W, W, W, W, "object", "object"}},
        {VT_I8, kHandle, {W, W, W, W, W, W, W, W, "object", "object"}},
        {VT_UI8, kHandle, {W, W, W, W, W, W, W, W, "object", "object"}},
        // The other types of the type map and the integral VT_INT; VT_EMPTY, VT_UI4 and the rest are refused.
        {VT_I1, 0x80, {R, "-128", R, "-128", "-128", "-128", "-128.0", "-128.0", R, R}},
        {VT_UI2, 0xD834, {R, R, "55348", R, "55348", "55348", "55348.0", "55348.0", R, R}},
        {VT_R4, BitsOf(-0.0f), {R, "0", "0", "0", "0", "0", "-0.0", "-0.0", R, R}},
        {VT_INT, BitsOf<INT>(-7), {R, "-7", R, "-7", "-7", "-7", "-7.0", "-7.0", R, R}},
        {VT_UI4, 0, {R, R, R, R, R, R, R, R, "null", "null"}},
        {VT_EMPTY, 0, {}}, {VT_UI4, 5, {}}, {VT_CY, 5, {}}, {VT_I4 | VT_BYREF, 0, {}},
    };
    jclass argumentsClass = FindClass("fixtures/Arguments");
    const jmethodID init = MethodId(argumentsClass, "<init>", "(Ljava/lang/String;)V");
    const UINT64 arguments = Handle(env()->NewObject(argumentsClass, init, env()->NewStringUTF("")));
    const UINT64 object = Handle(env()->NewStringUTF("object"));
    const unique_bstr describe = Bstr(L"describe");
    const unique_bstr sig = Bstr(L"(ZBCSIJFDLjava/lang/Object;Ljava/lang/String;)Ljava/lang/String;");
    const char* const columns[] = {"boolean", "byte", "char", "short", "int", "long", "float", "double", "Object",
                                   "String"};
    LONG spare = 0;  // what a VT_BYREF element points to
    for (const auto& row : rows) {
        if (row.bits == kHandle && row.vt == VT_I4 && object > LONG_MAX) continue;  // a handle no VT_I4 holds
        for (std::size_t p = 0; p < std::size(columns); ++p) {
            if (row.java[p] && !*row.java[p]) continue;
            SCOPED_TRACE(::testing::Message() << "VT " << row.vt << " bits 0x" << std::hex << row.bits << " to "
                                              << columns[p]);
            VARIANT element = Element(row.vt, row.bits == kHandle ? object : row.bits);
            if (row.bits == kHandle && row.vt == VT_R8) V_R8(&element) = static_cast<double>(object);
            if (row.vt == VT_BSTR) V_BSTR(&element) = ::SysAllocString(L"7");
            if (row.vt & VT_BYREF) V_BYREF(&element) = &spare;
            std::vector<VARIANT> elements = {ArgBool(false), Element(VT_I1, 0), Element(VT_UI2, 0),
                                             Element(VT_I2, 0), ArgI4(0), ArgI8(0), Element(VT_R4, 0),
                                             Element(VT_R8, 0), ArgUI8(0), ArgUI8(0)};
            elements[p] = element;
            const ArgumentArray args(elements);
            unique_bstr text;
            HRESULT hr = E_UNEXPECTED;
            const std::string trace = TraceOf([&] {
                hr = bridge()->CallStaticStringMethod(arguments, describe.get(), sig.get(), args.get(), text.put());
            });
            if (!row.java[p]) {
                EXPECT_EQ(hr, E_FAIL);
                EXPECT_EQ(text.get(), nullptr);
                EXPECT_EQ(trace.find("CallStatic"), std::string::npos) << "refused after a Java call:\n" << trace;
                EXPECT_EQ(trace.find("NewString"), std::string::npos) << "a string made for a refused call";
                continue;
            }
            EXPECT_EQ(hr, S_OK);
            std::u16string field = UnitsOf(text.get());
            for (std::size_t k = 0; k < p; ++k) field.erase(0, field.find(u'|') + 1);
            const std::string expected = row.java[p];
            EXPECT_EQ(field.substr(0, field.find(u'|')), std::u16string(expected.begin(), expected.end()));
        }
    }
}

// Refused before the method runs: more or fewer elements than parameters,
// no argument array, and malformed SAFEARRAYs, whose descriptors the client gets back unlocked.
TEST_F(Methods, RefusedArgumentsFailBeforeTheMethodRuns) {
    const UINT64 counted = NewObjectHandle("fixtures/Counted");  // its methods count the calls that ran
    StaticInt("fixtures/Counted", "calls", 0);
    const unique_bstr recordName = Bstr(L"record"), recordSig = Bstr(L"(ILjava/lang/String;)V");
    const auto record = [&](const VARIANT& args) {
        return bridge()->CallStaticVoidMethod(counted, recordName.get(), recordSig.get(), args);
    };
    ASSERT_EQ(record(ArgumentArray({ArgI4(1), ArgBstr(L"one")}).get()), S_OK);
    ASSERT_EQ(StaticInt("fixtures/Counted", "calls"), 1);
    const std::pair<const char*, std::vector<VARIANT>> mismatches[] = {
        {"one missing", {ArgI4(2)}}, {"one too many", {ArgI4(2), ArgBstr(L"two"), ArgI4(3)}}};
    for (const auto& [name, list] : mismatches) EXPECT_EQ(record(ArgumentArray(list).get()), E_FAIL) << name;
    const ArgumentArray good({ArgI4(2), ArgBstr(L"two")});
    SAFEARRAY* array = V_ARRAY(&good.get());
    VARIANT byRef = ArgOf(VT_BYREF | VT_ARRAY | VT_VARIANT);
    V_ARRAYREF(&byRef) = &array;
    for (const VARIANT& notAnArray : {byRef, ArgOf(VT_NULL), ArgI4(2)}) EXPECT_EQ(record(notAnArray), E_FAIL);
    LONG lower = 0;
    EXPECT_EQ(record(ArgOf(VT_ARRAY | VT_VARIANT)), ::SafeArrayGetLBound(nullptr, 1, &lower)) << "no SAFEARRAY";

    // Each descriptor lies over two VARIANTs that a careless reader would pass to recordHere(long, long).
    const unique_bstr here = Bstr(L"recordHere"), hereSig = Bstr(L"(JJ)I");
    const struct { const char* what; VARTYPE vt; ULONG size; LONG lower; bool hasData; } shapes[] = {
        {"ints labelled as VARIANTs", VT_I4, 0, 0, true}, {"handles labelled as VARIANTs", VT_UI8, 0, 0, true},
        {"VARIANTs of 4 bytes", VT_VARIANT, 4, 0, true}, {"untyped", VT_EMPTY, sizeof(VARIANT), 0, true},
        {"no data", VT_VARIANT, 0, 0, false}, {"bounds beyond LONG's range", VT_VARIANT, 0, 0x7FFFFFFF, true}};
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.what);
        VARIANT data[2] = {ArgI8(42), ArgI8(43)};  // afresh: destroying a static array zeroes its data
        SAFEARRAY* malformed = nullptr;
        const HRESULT made = shape.vt == VT_EMPTY ? ::SafeArrayAllocDescriptor(1, &malformed)
                                                  : ::SafeArrayAllocDescriptorEx(shape.vt, 1, &malformed);
        ASSERT_EQ(made, S_OK);
        if (shape.size) malformed->cbElements = shape.size;
        malformed->rgsabound[0] = {2, shape.lower};
        if (shape.hasData) {
            malformed->pvData = data;
            malformed->fFeatures |= FADF_STATIC;  // the client's own memory: destroying does not free it
        }
        LONG result = -1;
        EXPECT_EQ(bridge()->CallIntMethod(counted, here.get(), hereSig.get(), Borrowed(VT_VARIANT, malformed), &result),
                  E_FAIL);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(malformed->cLocks, 0u);
        EXPECT_EQ(::SafeArrayDestroy(malformed), S_OK);
    }
    EXPECT_EQ(StaticInt("fixtures/Counted", "calls"), 1) << "a refused call ran";
}

using Objects = BridgeCase;

// The elements of a one-dimensional SAFEARRAY as bits, after checking its type and lower bound 0.
std::vector<std::uint64_t> ElementsOf(const VARIANT& v, VARTYPE vt) {
    EXPECT_EQ(V_VT(&v), VT_ARRAY | vt);
    LONG lower = -1, upper = -2;
    if (V_VT(&v) != (VT_ARRAY | vt) || ::SafeArrayGetLBound(V_ARRAY(&v), 1, &lower) != S_OK ||
        ::SafeArrayGetUBound(V_ARRAY(&v), 1, &upper) != S_OK)
        return {};
    EXPECT_EQ(lower, 0);
    std::vector<std::uint64_t> bits(static_cast<std::size_t>(upper - lower + 1));
    const UINT size = ::SafeArrayGetElemsize(V_ARRAY(&v));
    const safearray_lock lock(V_ARRAY(&v));
    const auto* data = static_cast<const char*>(lock.data());
    for (std::size_t k = 0; k < bits.size(); ++k) std::memcpy(&bits[k], data + k * size, size);
    return bits;
}
unique_safearray SafeArrayOf(VARTYPE vt, const std::vector<std::uint64_t>& bits, LONG lower) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bits.size()), lower};
    unique_safearray array(::SafeArrayCreate(vt, 1, &bound));
    const UINT size = ::SafeArrayGetElemsize(array.get());
    const safearray_lock lock(array.get());
    auto* data = static_cast<char*>(lock.data());
    for (std::size_t k = 0; k < bits.size(); ++k) std::memcpy(data + k * size, &bits[k], size);
    return array;
}

// The object, string and array members, refusals and refusals of the JVM (a harness fault makes the named JNI
// function fail once), each row checked by the loop below. A row with several calls walks members sharing a rule.
TEST_F(Objects, EachMemberAnswersRefusesAndSurvivesJvmFaults) {
    com_ptr<IMvJavaCpp> fresh;  // no JVM saved
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, fresh.put_void()), S_OK);
    IMvJavaCpp &b = *bridge(), &f = *fresh.get();
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), fields = NewObjectHandle("fixtures/Fields");
    const UINT64 echo = NewObjectHandle("fixtures/Echo"), text = Handle(env()->NewStringUTF("text"));
    const UINT64 nullToString = NewObjectHandle("fixtures/NullToString");
    const UINT64 throwingToString = NewObjectHandle("fixtures/ThrowingToString");
    jclass arrays = FindClass("fixtures/ArrayFields"), fieldsClass = FindClass("fixtures/Fields");
    const auto arrayField = [&](const char* name, const char* sig) {
        return Handle(env()->GetStaticObjectField(arrays, StaticFieldId(arrays, name, sig)));
    };
    const UINT64 array = arrayField("objects", "[Ljava/lang/Object;"), ints = arrayField("ints", "[I");
    const UINT64 strings = arrayField("strings", "[Ljava/lang/String;");
    const UINT64 withNull = arrayField("objectsWithNull", "[Ljava/lang/Object;");
    const UINT64 empty = Handle(env()->NewObjectArray(0, FindClass("java/lang/Object"), nullptr));
    const unique_bstr baseName = Bstr(L"fixtures.Base"), intResult = Bstr(L"intResult"), intSig = Bstr(L"()I");
    const BSTR n = baseName.get(), m = intResult.get(), s = intSig.get();
    const unique_bstr objectFieldName = Bstr(L"objectField"), objectSigName = Bstr(L"Ljava/lang/Object;");
    const BSTR objectField = objectFieldName.get(), objectSig = objectSigName.get();
    const unique_bstr stringSig = Bstr(L"()Ljava/lang/String;");
    const unique_bstr stringField = Bstr(L"stringField"), staticInt = Bstr(L"staticIntResult");
    const std::string ck = "[CMvJavaCpp::CallStaticIntMethod] ", about = ck + "About to call the integer method",
                      called = ck + "called", notFound = ck + "failed to get the method id";
    UINT64 h = Sentinel<UINT64>();
    LONG i = 17;
    VARIANT_BOOL is = 7;
    BSTR t = nullptr;
    unique_variant out;
    VARIANT* v = out.get_mutable();
    INT64 j = 0;
    const unique_safearray twoInts(::SafeArrayCreateVector(VT_I4, 0, 2));
    const VARIANT intArray = Borrowed(VT_I4, twoInts.get());
    const auto B = [](const wchar_t* w) { return w ? Bstr(w) : unique_bstr(); };
    const auto taken = [&] { return UnitsOf(unique_bstr(std::exchange(t, nullptr)).get()); };
    const auto newDef = [&](const wchar_t* name) { return b.NewDefJavaObject(B(name).get(), &h); };
    const auto instanceOf = [&](UINT64 object, const wchar_t* name, VARIANT_BOOL answer = VARIANT_TRUE) {
        const HRESULT hr = b.IsInstanceOf(object, B(name).get(), &is);
        return hr == S_OK && is != answer ? E_UNEXPECTED : hr;
    };
    const auto handedOut = [&](HRESULT hr, std::wstring_view className) {  // a global reference, of the class, deleted
        unique_bstr name;
        const bool global = hr == S_OK && env()->GetObjectRefType(ObjectOf(h)) == JNIGlobalRefType;
        const bool named = b.GetJavaClassName(h, name.put()) == S_OK && name.view() == className;
        return b.DeleteJavaObject(std::exchange(h, Sentinel<UINT64>())) == S_OK && global && named ? hr : E_UNEXPECTED;
    };
    const auto elementTexts = [&](UINT64 objects, std::vector<std::u16string> expected) {  // one new handle each
        unique_variant elements;
        const HRESULT hr = b.GetJavaObjectArray(objects, elements.get_mutable());
        std::vector<std::u16string> texts;
        for (std::uint64_t handle : hr == S_OK ? ElementsOf(elements.get(), VT_UI8) : std::vector<std::uint64_t>{})
            texts.push_back(std::get<std::u16string>(Observe(env(), S_OK, UINT64{handle})));
        return texts == expected ? hr : E_UNEXPECTED;
    };
    const auto toStringKeepsOutput = [&](UINT64 object) {
        const HRESULT hr = b.ObjectToString(object, &t);
        return taken() == kNullBstr ? hr : E_UNEXPECTED;
    };
    const auto Common = [](std::initializer_list<HRESULT> results) {  // their common answer
        const HRESULT first = *results.begin();
        const bool alike = std::all_of(results.begin(), results.end(), [&](HRESULT hr) { return hr == first; });
        return alike ? first : E_UNEXPECTED;
    };
    const char *const noClass = "java/lang/NoClassDefFoundError", *const noMemory = "java/lang/OutOfMemoryError";
    const struct {
        const char* name;
        std::vector<const char*> faults;  // a run of the row with each, or one run without
        std::function<HRESULT()> call;
        HRESULT hr;
        bool beforeJava = false;  // refused before any JNI call
        const char* pending = nullptr;  // a dotted name left as given finds no class
        std::vector<std::string> debugger = {};  // the module's lines
    } rows[] = {
        {"a null output: E_POINTER", {}, [&] {
             return Common({b.NewDefJavaObject(n, nullptr), b.ObjectToString(derived, nullptr),
                            b.GetJavaClassName(derived, nullptr), b.IsSameJavaObject(derived, derived, nullptr),
                            b.IsInstanceOf(derived, n, nullptr), b.NewJavaString(n, nullptr),
                            b.GetJavaString(text, nullptr), b.NewJavaPrimitiveArray(Int, 2, nullptr),
                            b.GetJavaPrimitiveArray(array, Int, nullptr), b.GetJavaObjectArray(array, nullptr),
                            b.GetJavaArrayLength(array, nullptr), b.GetIntField(fields, m, nullptr),
                            b.CallIntMethod(derived, m, s, m_none, nullptr)});
         }, E_POINTER, true},
        {"a null output of GetClassByName or NewGlobalRef, NewGlobalRef of zero", {}, [&] {
             return Common({b.GetClassByName(n, nullptr), b.NewGlobalRef(derived, nullptr), b.NewGlobalRef(0, &h)});
         }, E_INVALIDARG, true},
        {"a null output is checked before the zero handle", {}, [&] {
             return Common({b.GetStaticIntField(0, m, nullptr), b.CallStaticStringMethod(0, m, s, m_none, nullptr)});
         }, E_POINTER, true},
        {"the zero handle", {}, [&] {
             return Common({b.ObjectToString(0, &t), b.DeleteJavaObject(0), b.SetJavaPrimitiveArray(0, Int, intArray)});
         }, E_FAIL, true},
        {"a null name, signature or class", {}, [&] {
             return Common({b.GetIntField(fields, nullptr, &i), b.SetDoubleField(fields, nullptr, 1.0),
                            b.GetObjectField(fields, m, nullptr, &h), b.CallIntMethod(derived, nullptr, s, m_none, &i),
                            b.CallStaticVoidMethod(derived, m, nullptr, m_none), b.GetClassByName(nullptr, &h),
                            b.CallNonvirtualStringMethod(derived, nullptr, m, s, m_none, &t)});
         }, E_FAIL, true},
        {"no saved JVM", {}, [&] {
             return Common({f.NewDefJavaObject(n, &h), f.GetJavaObjectArray(array, v), f.GetIntField(fields, m, &i)});
         }, E_FAIL, true},
        {"NewDefJavaObject dotted and slashed", {}, [&] {
             return Common({handedOut(newDef(L"fixtures.Derived"), L"fixtures.Derived"),
                            handedOut(newDef(L"fixtures/Derived"), L"fixtures.Derived")});
         }, S_OK},
        {"NewJavaString", {}, [&] { return handedOut(b.NewJavaString(n, &h), L"java.lang.String"); }, S_OK},
        {"NewJavaPrimitiveArray", {}, [&] { return handedOut(b.NewJavaPrimitiveArray(Int, 2, &h), L"[I"); }, S_OK},
        {"NewGlobalRef of the same object", {}, [&] {
             const HRESULT hr = b.NewGlobalRef(derived, &h);
             const bool same = b.IsSameJavaObject(h, derived, &is) == S_OK && is == VARIANT_TRUE;
             return same ? handedOut(hr, L"fixtures.Derived") : E_UNEXPECTED;
         }, S_OK},
        {"NewDefJavaObject of no class, none with ()V, a throwing ()V, null", {}, [&] {
             return Common({newDef(L"fixtures.NoSuchClass"), newDef(L"fixtures.NoDefaultConstructor"),
                            newDef(L"fixtures.Throwing"), newDef(nullptr)});
         }, E_FAIL},
        {"NewDefJavaObject", {"NewGlobalRef"}, [&] { return newDef(L"fixtures.Base"); }, E_FAIL},
        {"IsInstanceOf a superclass, dotted, and another class", {}, [&] {
             return Common({instanceOf(derived, n), instanceOf(derived, L"java.lang.String", VARIANT_FALSE)});
         }, S_OK},
        {"IsInstanceOf of no class, null", {}, [&] {
             return Common({instanceOf(derived, L"fixtures.NoSuchClass"), instanceOf(derived, nullptr)});
         }, E_FAIL},
        {"ObjectToString of a null toString()", {}, [&] { return toStringKeepsOutput(nullToString); }, S_OK},
        {"ObjectToString of a throwing toString()", {}, [&] { return toStringKeepsOutput(throwingToString); }, S_OK,
         false, "java/lang/IllegalStateException"},
        {"CallNonvirtualIntMethod of null", {}, [&] {
             return b.CallNonvirtualIntMethod(derived, nullptr, m, s, m_none, &i);
         }, E_FAIL, false, noClass},
        {"CallNonvirtualStringMethod dotted", {}, [&] {
             return b.CallNonvirtualStringMethod(derived, n, B(L"toString").get(), stringSig.get(), m_none, &t);
         }, E_FAIL, false, noClass},
        {"CallNonvirtualStringMethod of a class the object is not of", {}, [&] {
             const unique_bstr other = B(L"java/lang/Thread");
             return b.CallNonvirtualStringMethod(derived, other.get(), B(L"toString").get(), stringSig.get(), m_none, &t);
         }, E_FAIL},
        {"a VT_BSTR argument", {"NewString"}, [&] {
             const unique_bstr method = B(L"echoString"), sig = B(L"(Ljava/lang/String;)Ljava/lang/String;");
             return b.CallStaticStringMethod(echo, method.get(), sig.get(), ArgumentArray({ArgBstr(L"x")}).get(), &t);
         }, E_FAIL},
        {"GetClassByName dotted", {}, [&] { return b.GetClassByName(n, &h); }, E_FAIL, false, noClass},
        {"GetClassByName gives the class's local reference", {}, [&] {
             const HRESULT hr = b.GetClassByName(B(L"fixtures/Base").get(), &h);
             const bool local = env()->GetObjectRefType(ObjectOf(h)) == JNILocalRefType;
             return local && env()->IsSameObject(ObjectOf(h), FindClass("fixtures/Base")) ? hr : E_UNEXPECTED;
         }, S_OK},
        {"GetObjectField", {"NewGlobalRef"}, [&] { return b.GetObjectField(fields, objectField, objectSig, &h); },
         E_FAIL},
        {"SetObjectField", {"NewGlobalRef"}, [&] { return b.SetObjectField(fields, objectField, objectSig, text); },
         E_FAIL},
        {"SetStringField", {"NewString"}, [&] { return b.SetStringField(fields, stringField.get(), n); }, E_FAIL},
        {"GetStringField gives an empty text", {"GetStringChars"}, [&] {
             const HRESULT hr = b.GetStringField(fields, stringField.get(), &t);
             return taken() == u"" ? hr : E_UNEXPECTED;
         }, S_OK, false, noMemory},
        {"ObjectToString", {"GetMethodID"}, [&] { return b.ObjectToString(derived, &t); }, E_FAIL},
        {"GetJavaClassName", {"GetMethodID"}, [&] { return b.GetJavaClassName(derived, &t); }, E_FAIL},
        {"GetJavaString", {"GetStringChars"}, [&] { return b.GetJavaString(text, &t); }, E_FAIL, false, noMemory},
        // Texts cross unit by unit up to the first NUL, both ways, as in every member that takes or gives one.
        {"texts", {}, [&] {
             const UINT64 own = NewObjectHandle("fixtures/Fields");  // its field changes
             const std::pair<std::u16string, std::u16string> texts[] = {
                 {kNonBmp, kNonBmp}, {std::u16string(u"a\0b", 3), u"a"}, {u"", u""}, {kNullBstr, u""}};
             for (const auto& [given, crossed] : texts) {
                 SCOPED_TRACE(::testing::PrintToString(given));
                 UINT64 made = 0;
                 EXPECT_EQ(b.NewJavaString(BstrOf(given).get(), &made), S_OK);
                 EXPECT_EQ(Observe(env(), S_OK, made), Value(crossed));
                 if (given == kNullBstr) continue;
                 const jstring held = JavaString(env(), given);
                 env()->SetObjectField(ObjectOf(own), FieldId(fieldsClass, "stringField", "Ljava/lang/String;"), held);
                 const UINT64 handle = Handle(held);
                 unique_bstr viaField, viaHandle, viaText;
                 EXPECT_EQ(b.GetStringField(own, stringField.get(), viaField.put()), S_OK);
                 EXPECT_EQ(b.GetJavaString(handle, viaHandle.put()), S_OK);
                 EXPECT_EQ(b.ObjectToString(handle, viaText.put()), S_OK);
                 for (const auto* read : {&viaField, &viaHandle, &viaText}) EXPECT_EQ(UnitsOf(read->get()), crossed);
             }
             return S_OK;
         }, S_OK},
        {"NewJavaString", {"NewString", "NewGlobalRef"}, [&] { return b.NewJavaString(n, &h); }, E_FAIL},
        {"NewGlobalRef, with a zero output", {"NewGlobalRef"}, [&] {
             const HRESULT hr = b.NewGlobalRef(derived, &h);
             return std::exchange(h, Sentinel<UINT64>()) == 0 ? hr : E_UNEXPECTED;
         }, E_FAIL},
        {"NewJavaPrimitiveArray", {"NewGlobalRef"}, [&] { return b.NewJavaPrimitiveArray(Int, 3, &h); }, E_FAIL},
        {"NewJavaPrimitiveArray of a negative size", {}, [&] { return b.NewJavaPrimitiveArray(Int, -1, &h); }, E_FAIL},
        // Only CallStaticIntMethod writes to the debugger: around a call that ran, or that its lookup failed.
        {"CallStaticIntMethod", {}, [&] { return b.CallStaticIntMethod(derived, staticInt.get(), s, m_none, &i); },
         S_OK, false, nullptr, {about, called}},
        {"CallStaticIntMethod not found", {}, [&] { return b.CallStaticIntMethod(derived, m, s, m_none, &i); },
         E_FAIL, false, nullptr, {notFound}},
        {"CallStaticIntMethod of refused arguments", {}, [&] {
             return b.CallStaticIntMethod(derived, staticInt.get(), s, ArgumentArray({ArgI4(1)}).get(), &i);
         }, E_FAIL},
        {"CallIntMethod", {}, [&] { return b.CallIntMethod(derived, m, s, m_none, &i); }, S_OK},
        {"CallStaticLongMethod not found", {}, [&] { return b.CallStaticLongMethod(derived, m, s, m_none, &j); },
         E_FAIL},
        // Object arrays: one new handle per element; refused with every handle made taken back.
        {"GetJavaObjectArray of Object[], String[], an empty one", {}, [&] {
             return Common({elementTexts(array, {u"first", u"2"}), elementTexts(strings, {u"x", u"y", u"z"}),
                            elementTexts(empty, {})});
         }, S_OK},
        {"GetJavaObjectArray with a null third element (two references go), an int[], no array", {}, [&] {
             return Common({b.GetJavaObjectArray(withNull, v), b.GetJavaObjectArray(ints, v),
                            b.GetJavaObjectArray(derived, v)});
         }, E_FAIL},
        {"GetJavaObjectArray", {"NewGlobalRef", "FindClass"}, [&] { return b.GetJavaObjectArray(array, v); }, E_FAIL},
    };
    for (const auto& row : rows) {
        for (const char* fault : row.faults.empty() ? std::vector<const char*>{nullptr} : row.faults) {
            SCOPED_TRACE(::testing::Message() << row.name << (fault ? " with a failing " : "") << (fault ? fault : ""));
            LocalFrame frame(env(), 16);
            if (fault) { ASSERT_EQ(MvJniProxy_FailNext(fault, 1), 1); }
            h = Sentinel<UINT64>();
            i = 17;
            is = 7;
            MvJniProxyCounters before{}, after{};
            MvJniProxy_GetCounters(&before);
            const DebugOutputCapture capture;
            EXPECT_EQ(row.call(), row.hr);
            MvJniProxy_GetCounters(&after);
            std::vector<std::string> lines = capture.Messages();
            const auto notOurs = [](const std::string& line) { return line.rfind("[CMvJavaCpp::", 0) != 0; };
            lines.erase(std::remove_if(lines.begin(), lines.end(), notOurs), lines.end());
            EXPECT_EQ(lines, row.debugger);
            if (row.beforeJava) { EXPECT_EQ(after.calls, before.calls) << "a JNI call was made"; }
            if (row.pending) { EXPECT_TRUE(TakeException(row.pending)); }
            EXPECT_TRUE(NoException());
            if (row.hr != S_OK) { EXPECT_TRUE(h == Sentinel<UINT64>() && t == nullptr && i == 17 && is == 7); }
            EXPECT_EQ(out.type(), VT_EMPTY);
            EXPECT_EQ(LiveGlobalRefs(), 0);
            MvJniProxy_ClearFaults();
        }
    }
    const auto field = [&](const char* name, const char* sig) {
        return UnitsOf(env(), env()->GetObjectField(ObjectOf(fields), FieldId(fieldsClass, name, sig)));
    };
    EXPECT_EQ(field("objectField", "Ljava/lang/Object;"), u"instance object") << "changed by a refused setter";
    EXPECT_EQ(field("stringField", "Ljava/lang/String;"), u"instance string") << "changed by a refused setter";
}

TEST_F(Objects, PrimitiveArraysOfEachType) {
    const struct {
        const char* name;
        JavaTypes type;
        VARTYPE in;
        std::vector<std::uint64_t> given;  // set from lower bound 5
        const char* java;                  // java.util.Arrays.toString of the Java array then
        std::vector<std::uint64_t> back = {};  // what the getter gives (booleans as VT_I2); empty: `given`
    } rows[] = {
        {"Boolean", Boolean, VT_BOOL, {0xFFFF, 0, 5}, "[true, false, true]", {0xFFFF, 0, 0xFFFF}},
        {"Byte", Byte, VT_I1, {0xFF, 0, 0x7F}, "[-1, 0, 127]"},
        {"Char", Char, VT_UI2, {'a', 0xE9, 0xFFFF}, "[a, \xC3\xA9, \xEF\xBF\xBF]"},
        {"Short", Short, VT_I2, {0x8000, 0, 0x7FFF}, "[-32768, 0, 32767]"},
        {"Int", Int, VT_I4, {0x80000000, 0xFFFFFFFE, 0x7FFFFFFF}, "[-2147483648, -2, 2147483647]"},
        {"Long", Long, VT_I8, {1ull << 63, 1ull << 40, 1}, "[-9223372036854775808, 1099511627776, 1]"},
        {"Float", Float, VT_R4, {BitsOf(-8.25f), BitsOf(FLT_MIN), 0x80000000}, "[-8.25, 1.17549435E-38, -0.0]"},
        {"Double", Double, VT_R8, {BitsOf(1e300), BitsOf(-0.5), 1ull << 63}, "[1.0E300, -0.5, -0.0]"},
    };
    IMvJavaCpp& b = *bridge();
    for (std::size_t k = 0; k < std::size(rows); ++k) {
        const auto &row = rows[k], &other = rows[(k + 1) % std::size(rows)];
        SCOPED_TRACE(row.name);
        LocalFrame frame(env(), 8);
        const VARTYPE outType = row.in == VT_BOOL ? VARTYPE{VT_I2} : row.in;
        const std::vector<std::uint64_t>& back = row.back.empty() ? row.given : row.back;
        const auto javaText = [&](UINT64 array) {
            jclass arrays = FindClass("java/util/Arrays");
            const std::string sig = std::string("([") + "ZBCSIJFD"[row.type] + ")Ljava/lang/String;";
            const jmethodID toString = StaticMethodId(arrays, "toString", sig.c_str());
            jobject s = env()->CallStaticObjectMethod(arrays, toString, ObjectOf(array));
            return NoException() ? Utf(env(), static_cast<jstring>(s)) : "<threw>";
        };
        UINT64 array = 0;
        ASSERT_EQ(b.NewJavaPrimitiveArray(row.type, 3, &array), S_OK);
        unique_variant read;
        ASSERT_EQ(b.GetJavaPrimitiveArray(array, row.type, read.get_mutable()), S_OK);
        EXPECT_EQ(ElementsOf(read.get(), outType), std::vector<std::uint64_t>(3, 0)) << "a new array holds zeros";
        const unique_safearray values = SafeArrayOf(row.in, row.given, 5);
        const unique_safearray longer = SafeArrayOf(row.in, {row.given[0], row.given[1], row.given[2], 1}, 0);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, values.get())), S_OK);
        EXPECT_EQ(javaText(array), row.java);
        EXPECT_EQ(b.GetJavaPrimitiveArray(array, row.type, read.get_mutable()), S_OK);
        EXPECT_EQ(ElementsOf(read.get(), outType), back);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, longer.get())), S_OK) << "a longer one";
        // Refused, leaving Java's array and the output unchanged: too few elements, another VARIANT type (also
        // as a label on elements of another size), another element type than the Java array's, a VT_BYREF array.
        const unique_safearray shorter = SafeArrayOf(row.in, {1, 1}, 5), others = SafeArrayOf(other.in, {1, 1, 1}, 0);
        const unique_safearray misfit = SafeArrayOf(row.in == VT_I1 ? VT_I8 : VT_I1, {1, 1, 1}, 0);
        SAFEARRAY* referenced = values.get();
        VARIANT byReference = ArgOf(static_cast<VARTYPE>(VT_BYREF | VT_ARRAY | row.in));
        V_ARRAYREF(&byReference) = &referenced;
        const VARIANT refused[] = {Borrowed(row.in, shorter.get()), Borrowed(other.in, others.get()),
                                   Borrowed(row.in, misfit.get()), byReference};
        for (const VARIANT& wrong : refused)
            EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, wrong), E_FAIL) << "VARIANT type " << V_VT(&wrong);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, other.type, Borrowed(other.in, others.get())), E_FAIL);
        EXPECT_EQ(b.GetJavaPrimitiveArray(array, other.type, read.get_mutable()), E_FAIL);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, nullptr)), E_INVALIDARG) << "no SAFEARRAY";
        EXPECT_EQ(ElementsOf(read.get(), outType), back);
        EXPECT_EQ(javaText(array), row.java);
        LONG length = 0;
        EXPECT_EQ(b.GetJavaArrayLength(array, &length), S_OK);
        EXPECT_EQ(length, 3);
        EXPECT_EQ(b.DeleteJavaObject(array), S_OK);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

// The narrow object-array form (32-bit elements, for when no 64-bit SAFEARRAY can be made) refuses
// references that do not fit rather than cut them (the usual form carries them whole: below).
TEST_F(Objects, NarrowObjectArrayRefusesReferencesBeyond32Bits) {
    if (sizeof(void*) == 4) GTEST_SKIP() << "32-bit references always fit";
    const ShiftedReferences above(1ull << 40);
    LocalFrame frame(env(), 8);
    jclass fields = FindClass("fixtures/ArrayFields");
    const auto array = static_cast<jobjectArray>(
        env()->GetStaticObjectField(fields, StaticFieldId(fields, "objects", "[Ljava/lang/Object;")));
    unique_variant out;
    EXPECT_EQ(ReadObjectArray(env(), array, 2, VT_UI4, out.get_mutable()), E_FAIL);
    EXPECT_EQ(out.type(), VT_EMPTY);
}

// References that a 32-bit pointer does not hold as they are, for every family of members
// (handle_families.h): a 32-bit JVM's with the high bit set go out sign-extended and are read by their
// low 32 bits; a 64-bit JVM's beyond 32 bits go out and are read whole.
TEST_F(Objects, HandlesOfEveryFamilyCarryReferencesThatDoNotFit32Bits) {
    constexpr bool k32Bit = sizeof(void*) == 4;
    const ShiftedReferences shifted(k32Bit ? 0x80000000ull : 1ull << 40);
    CheckHandleFamilies(*bridge(), k32Bit ? 0x1FFFFFFFFull : 1ull << 9, k32Bit);
}

}  // namespace
}  // namespace mv::test
