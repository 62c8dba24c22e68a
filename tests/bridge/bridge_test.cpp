// The generic Java members of the main object against a real JVM, each family from one table walked
// in one loop. Values are compared as a client sees them: the bits of a primitive at its own width,
// the UTF-16 units of a text, kUntouched when a failed member left its output as it was.

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include <gmock/gmock.h>

#include "bridge_test.h"
#include "common/com/safearray.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;
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

jobject JObject(UINT64 handle) { return reinterpret_cast<jobject>(static_cast<std::uintptr_t>(handle)); }
unique_bstr Name(const std::string& ascii) { return Bstr(std::wstring(ascii.begin(), ascii.end())); }
std::u16string UnitsOf(BSTR s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s), ::SysStringLen(s)) : kNullBstr; }
BSTR AllocUnits(const std::u16string& u) {
    return u == kNullBstr ? nullptr : ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(u.data()), static_cast<UINT>(u.size()));
}
jstring JavaString(JNIEnv* env, const std::u16string& u) { return env->NewString(reinterpret_cast<const jchar*>(u.data()), static_cast<jsize>(u.size())); }
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
        EXPECT_EQ(env->GetObjectRefType(JObject(out)), JNIGlobalRefType);
        const std::u16string text = UnitsOf(env, JObject(out));
        env->DeleteGlobalRef(JObject(out));
        return text;
    } else return BitsOf(out);
}

std::string ReadTrace() {  // the JNI calls the harness proxy saw since the last MvJniProxy_ClearTrace
    std::string text(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(text.data(), text.size());
    return text.c_str();
}
MvJniProxyCounters Counters() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return counters;
}

// Every test runs in one local frame of 64: a member that left a local reference per call would
// exceed it within the tables' hundreds of calls, which -Xcheck:jni reports (a failure of JniTest).
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
    if constexpr (std::is_same_v<In, BSTR>) return call(unique_bstr(AllocUnits(std::get<std::u16string>(v))).get());
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
        if constexpr (sizeof...(G) == 3) hr = (b.*get)(h, n, Name(sig).get(), &out); else hr = (b.*get)(h, n, &out);
        return v = Observe(e, hr, out), hr;
    };
}
template <typename... S> Setter Set(Member<S...> set, std::string sig) {
    return [set, sig](IMvJavaCpp& b, JNIEnv* e, UINT64 h, BSTR n, const Value& v) {
        return HandIn<Last<S...>>(e, v, [&](auto in) {
            if constexpr (sizeof...(S) == 3) return (b.*set)(h, n, Name(sig).get(), in); else return (b.*set)(h, n, in);
        });
    };
}
std::vector<FieldRow> FieldRows() {  // the 40 field members: an instance and a static row per type
    std::vector<FieldRow> rows;
    const auto add = [&rows](std::string type, std::string sig, Getter get, Setter set, Getter getStatic, Setter setStatic,
                             Value initial, Value staticInitial) {
        const bool refs = sig[0] == 'L';
        const std::string field = char(std::tolower(type[0])) + type.substr(1) + "Field";
        rows.push_back({"Get" + type + "Field and its setter", field, sig, refs ? "null" + type + "Field" : "", false, initial, get, set});
        rows.push_back({"GetStatic" + type + "Field and its setter", "static" + type, sig, refs ? "staticNull" + type : "", true,
                        staticInitial, getStatic, setStatic});
    };
    using M = IMvJavaCpp;
#define MV_FIELDS(T, S, sig) \
    #T, sig, Get(&M::Get##T##Field, sig), Set(&M::Set##T##Field, sig), Get(&M::GetStatic##T##Field, sig), Set(&M::SetStatic##S##Field, sig)
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
std::vector<Trip> ValuesFor(const std::string& sig) {
    switch (sig[0]) {
    case 'Z': return {{BitsOf<VARIANT_BOOL>(0), BitsOf<jboolean>(0), BitsOf<VARIANT_BOOL>(0)},
                      {BitsOf<VARIANT_BOOL>(2), BitsOf<jboolean>(1), BitsOf(VARIANT_TRUE)}, {BitsOf(VARIANT_TRUE), BitsOf<jboolean>(1), BitsOf(VARIANT_TRUE)}};
    case 'B': return {Same<unsigned char>(0xFF), Same<unsigned char>(0x80), Same<unsigned char>(0x7F), Same<unsigned char>(0)};
    case 'C': return {Same<unsigned short>(0xD834), Same<unsigned short>(0xDD1E), Same<unsigned short>(0xFFFF), Same<unsigned short>(0)};
    case 'S': return {Same<short>(SHRT_MIN), Same<short>(SHRT_MAX), Same<short>(-1)};
    case 'I': return {Same<LONG>(LONG_MIN), Same<LONG>(LONG_MAX), Same<LONG>(-1)};
    case 'J': return {Same<INT64>(LLONG_MIN), Same<INT64>(LLONG_MAX), Same<INT64>(0x7FFFFFFF80000000LL), Same<INT64>(-2)};
    case 'F': return {Same(FromBits<float>(0x80000000u)), Same(FromBits<float>(1)), Same(FLT_MAX), Same(FromBits<float>(0xFF800000u))};
    case 'D': return {Same(FromBits<double>(0x8000000000000000ull)), Same(FromBits<double>(0x8000000000000001ull)),
                      Same(FromBits<double>(0x3FF0000000000001ull)), Same(DBL_MAX)};
    case 'L': if (sig == "Ljava/lang/Object;") return {Same(u"set through the bridge"), Same(kNonBmp.c_str())};
        // A text reaches Java up to its first NUL; a null BSTR is the empty text.
        return {Same(u"set through the bridge"), Same(kNonBmp.c_str()), {std::u16string(u"a\0b", 3), u"a", u"a"}, Same(u""), {kNullBstr, u"", u""}};
    default: return {};
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
        EXPECT_TRUE(NoException());
        BridgeCase::TearDown();
    }
    Value JavaField(const FieldRow& r) {  // what Java holds, read through raw JNI
        LocalFrame frame(env(), 4);
        JNIEnv* e = env();
        jclass c = m_class;
        jobject o = m_object;
        const bool s = r.isStatic;
        const jfieldID id = s ? StaticFieldId(c, r.field.c_str(), r.sig.c_str()) : FieldId(c, r.field.c_str(), r.sig.c_str());
#define MV_READ(letter, T) case letter: return BitsOf(s ? e->GetStatic##T##Field(c, id) : e->Get##T##Field(o, id));
        switch (r.sig[0]) {
            MV_READ('Z', Boolean) MV_READ('B', Byte) MV_READ('C', Char) MV_READ('S', Short) MV_READ('I', Int) MV_READ('J', Long) MV_READ('F', Float)
            MV_READ('D', Double)
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
        std::vector<std::pair<UINT64, std::string>> refused = {{0, row.field}, {Handle(m_class), row.field}, {m_fields, "noSuchField"},
                                                               {m_fields, rows[(i + 2) % rows.size()].field}, {m_fields, rows[i ^ 1].field}};
        if (!row.nullField.empty()) refused.emplace_back(m_fields, row.nullField);
        for (const auto& [handle, field] : refused) {
            SCOPED_TRACE(::testing::Message() << "field " << field << " of handle " << handle);
            EXPECT_EQ(row.get(*bridge(), env(), handle, Name(field).get(), v), E_FAIL);
            EXPECT_EQ(v, kUntouched);
            if (field != row.nullField) { EXPECT_EQ(row.set(*bridge(), env(), handle, Name(field).get(), ValuesFor(row.sig)[0].given), E_FAIL); }
            EXPECT_TRUE(NoException());
        }
        if (row.sig == "Ljava/lang/Object;") { EXPECT_EQ(row.set(*bridge(), env(), m_fields, name.get(), Value(std::uint64_t{0})), E_FAIL); }
        EXPECT_TRUE(NoException());
        EXPECT_EQ(JavaField(row), before) << "a refused setter wrote";
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

using Call = std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR superclass, BSTR name, BSTR sig, const VARIANT& args, Value& out)>;

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
        constexpr bool hasResult = !std::is_same_v<Last<P...>, VARIANT>, nonvirtual = sizeof...(P) == (hasResult ? 5 : 4);
        const auto call = [&](auto... out) {
            if constexpr (nonvirtual) return (b.*m)(h, super, n, s, a, out...); else return (b.*m)(h, n, s, a, out...);
        };
        if constexpr (hasResult) {
            auto out = Sentinel<std::remove_pointer_t<Last<P...>>>();
            const HRESULT hr = call(&out);
            return v = Observe(e, hr, out), hr;
        } else {
            TakeLastVoidCall(e);
            const HRESULT hr = call();
            const std::u16string done = TakeLastVoidCall(e);
            return v = hr == S_OK ? Value(done) : done.empty() ? kUntouched : Value(u"ran although refused"), hr;
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
    const auto add = [&rows](std::string type, std::string sig, Call v, Call s, Call n, Value derived, Value statics, Value base, Value thrown) {
        const std::string lower = char(std::tolower(type[0])) + type.substr(1) + "Result", upper = "static" + type + "Result";
        rows.push_back({"Call" + type + "Method", lower, upper, sig, derived, thrown, v});
        rows.push_back({"CallStatic" + type + "Method", upper, lower, sig, statics, type == "Int" ? std::optional(thrown) : std::nullopt, s});
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
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), thrower = NewObjectHandle("fixtures/ThrowingResults"),
                 nullToString = NewObjectHandle("fixtures/NullToString"), baseClass = Handle(FindClass("fixtures/Base"));
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
        EXPECT_EQ(row.call(*bridge(), env(), derived, base.get(), name.get(), sig.get(), m_none, v), S_OK);
        EXPECT_EQ(v, row.expected);
        if (row.thrown) {  // the exception is cleared: primitives give JNI's zero, references fail
            ++throwingCalls;
            const unique_bstr throwing = superclass("fixtures/ThrowingResults");
            EXPECT_EQ(row.call(*bridge(), env(), thrower, throwing.get(), name.get(), sig.get(), m_none, v), *row.thrown == kUntouched ? E_FAIL : S_OK);
            EXPECT_EQ(v, *row.thrown);
        }
        if (row.sig[2] == 'L') {  // a null result fails
            const bool isStatic = row.member.find("Static") != std::string::npos;
            const char* nullName = !isStatic ? "toString" : row.sig == "()Ljava/lang/String;" ? "nullString" : "nullObject";
            const unique_bstr super = superclass("fixtures/NullToString"), method = Name(nullName), nullSig = Name(isStatic ? row.sig : "()Ljava/lang/String;");
            EXPECT_EQ(row.call(*bridge(), env(), isStatic ? derived : nullToString, super.get(), method.get(), nullSig.get(), m_none, v), E_FAIL);
            EXPECT_EQ(v, kUntouched);
        }
        // Refused: the zero handle, a class object (but for non-virtual calls, which name the class
        // themselves), no such method, the other group's method, another signature.
        const bool nonvirtual = row.member.find("Nonvirtual") != std::string::npos;
        const std::tuple<UINT64, std::string, std::string> refused[] = {{0, row.name, row.sig}, {nonvirtual ? 0 : baseClass, row.name, row.sig},
            {derived, "noSuchMethod", row.sig}, {derived, row.otherGroupsName, row.sig}, {derived, row.name, "()Ljava/lang/Thread;"}};
        for (const auto& [handle, other, otherSig] : refused) {
            SCOPED_TRACE(other + otherSig);
            EXPECT_EQ(row.call(*bridge(), env(), handle, base.get(), Name(other).get(), Name(otherSig).get(), m_none, v), E_FAIL);
            EXPECT_EQ(v, kUntouched);
        }
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
    EXPECT_EQ(StaticInt("fixtures/ThrowingResults", "calls"), throwingCalls) << "every throwing method ran";
}

VARIANT Element(VARTYPE vt, std::uint64_t bits) {
    VARIANT v = ArgOf(vt);
    std::memcpy(&V_UI1(&v), &bits, sizeof bits);
    return v;
}
VARIANT BstrArg(const std::u16string& units) {
    VARIANT v = ArgOf(VT_BSTR);
    V_BSTR(&v) = AllocUnits(units);
    return v;
}

// Every element kind in one vector, read in memory order whatever the lower bound, static and virtual.
TEST_F(Methods, EachArgumentElementTypeReachesJavaAsItsType) {
    jclass argumentsClass = FindClass("fixtures/Arguments");
    const jmethodID init = MethodId(argumentsClass, "<init>", "(Ljava/lang/String;)V");
    const UINT64 arguments = Handle(env()->NewObject(argumentsClass, init, env()->NewStringUTF("here:"))), object = Handle(env()->NewStringUTF("object"));
    const struct { const char* name; LONG lower; std::vector<VARIANT> elements; std::u16string described; } rows[] = {
        {"limits, VT_BOOL -1, VT_I1, R4 -0, R8 denormal, lower bound 1", 1,
         {ArgBool(true), Element(VT_I1, 0x80), Element(VT_UI2, 0xD834), Element(VT_I2, BitsOf<short>(SHRT_MIN)), ArgI4(LONG_MIN), ArgI8(LLONG_MIN),
          Element(VT_R4, 0x80000000u), Element(VT_R8, 0x8000000000000001ull), ArgUI8(object), ArgBstr(L"G clef \U0001D11E, grin \U0001F600")},
         u"true|-128|55348|-32768|-2147483648|-9223372036854775808|-0.0|-4.9E-324|object|" + kNonBmp},
        {"VT_BOOL 2, VT_UI1, a NUL in the text, virtual", 0, {Element(VT_BOOL, 2), Element(VT_UI1, 0xFB), Element(VT_UI2, 0x20AC), Element(VT_I2, BitsOf<short>(-300)), ArgI4(123456),
                                            ArgI8(-9876543210LL), Element(VT_R4, BitsOf(1.5f)), Element(VT_R8, BitsOf(-2.25)), ArgUI8(object), BstrArg(u"a\0b")},
         u"here:true|-5|8364|-300|123456|-9876543210|1.5|-2.25|object|a"},
        {"VT_BOOL 0, a null BSTR, lower bound 5", 5, {Element(VT_BOOL, 0), Element(VT_I1, 1), Element(VT_UI2, 'c'), Element(VT_I2, 2), ArgI4(3), ArgI8(4),
                                         Element(VT_R4, BitsOf(0.5f)), Element(VT_R8, BitsOf(0.25)), ArgUI8(object), ArgOf(VT_BSTR)},
         u"false|1|99|2|3|4|0.5|0.25|object|"},
    };
    const unique_bstr sig = Bstr(L"(ZBCSIJFDLjava/lang/Object;Ljava/lang/String;)Ljava/lang/String;");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        unique_bstr text;
        const ArgumentArray args(row.elements, row.lower);
        if (row.described[0] == u'h') { EXPECT_EQ(bridge()->CallStringMethod(arguments, Bstr(L"describeHere").get(), sig.get(), args.get(), text.put()), S_OK); }
        else { EXPECT_EQ(bridge()->CallStaticStringMethod(arguments, Bstr(L"describe").get(), sig.get(), args.get(), text.put()), S_OK); }
        EXPECT_EQ(UnitsOf(text.get()), row.described);
    }
    const UINT64 base = NewObjectHandle("fixtures/Base");
    for (LONG lower : {0, 7}) {  // no arguments: VT_EMPTY (in every other test) or an array without elements
        LONG i = 0;
        EXPECT_EQ(bridge()->CallIntMethod(base, Bstr(L"intResult").get(), Bstr(L"()I").get(), ArgumentArray({}, lower).get(), &i), S_OK);
        EXPECT_EQ(i, 5);
    }
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Methods, RefusedArgumentsFailBeforeTheMethodRuns) {
    const UINT64 counted = NewObjectHandle("fixtures/Counted");
    StaticInt("fixtures/Counted", "calls", 0);
    const auto record = [&](const VARIANT& args) {
        return bridge()->CallStaticVoidMethod(counted, Bstr(L"record").get(), Bstr(L"(ILjava/lang/String;)V").get(), args);
    };
    ASSERT_EQ(record(ArgumentArray({ArgI4(1), ArgBstr(L"one")}).get()), S_OK);
    ASSERT_EQ(StaticInt("fixtures/Counted", "calls"), 1);
    const VARTYPE unsupported[] = {VT_UI4, VT_EMPTY, VT_NULL, VT_CY, VT_DATE, VT_ERROR, VT_INT, VT_UI8 | VT_BYREF};
    for (VARTYPE vt : unsupported) EXPECT_EQ(record(ArgumentArray({ArgI4(2), ArgOf(vt)}).get()), E_FAIL) << "element type " << vt;
    const std::pair<const char*, std::vector<VARIANT>> mismatches[] = {
        {"VT_BYREF|VT_I4 for the int", {ArgOf(VT_I4 | VT_BYREF), ArgBstr(L"two")}}, {"an int for the String", {ArgI4(2), ArgI4(3)}},
        {"a long for the int", {ArgI8(2), ArgBstr(L"two")}}, {"one missing", {ArgI4(2)}}, {"one too many", {ArgI4(2), ArgBstr(L"two"), ArgI4(3)}}};
    for (const auto& [name, list] : mismatches) EXPECT_EQ(record(ArgumentArray(list).get()), E_FAIL) << name;
    const ArgumentArray good({ArgI4(2), ArgBstr(L"two")});
    SAFEARRAY* array = V_ARRAY(&good.get());
    VARIANT byRef = ArgOf(VT_BYREF | VT_ARRAY | VT_VARIANT);
    V_ARRAYREF(&byRef) = &array;
    LONG lower = 0;
    EXPECT_EQ(record(byRef), E_FAIL);
    EXPECT_EQ(record(ArgOf(VT_NULL)), E_FAIL);
    EXPECT_EQ(record(ArgI4(2)), E_FAIL);
    EXPECT_EQ(record(ArgOf(VT_ARRAY | VT_VARIANT)), ::SafeArrayGetLBound(nullptr, 1, &lower)) << "no SAFEARRAY: the bounds query's answer";
    EXPECT_TRUE(NoException());
    EXPECT_EQ(StaticInt("fixtures/Counted", "calls"), 1) << "a refused call ran";
}

std::vector<std::pair<std::string, std::size_t>> g_messages;  // the test thread's, with the trace's size then
DWORD g_thread = 0;
LONG CALLBACK OnDebugPrint(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    if (r->ExceptionCode == 0x40010006 /* DBG_PRINTEXCEPTION_C */ && r->NumberParameters >= 2 && ::GetCurrentThreadId() == g_thread) {
        const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        g_messages.emplace_back(std::string(text, ::strnlen(text, r->ExceptionInformation[0])), MvJniProxy_ReadTrace(nullptr, 0));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST_F(Methods, OnlyCallStaticIntMethodWritesToTheDebuggerAroundItsLookupAndCall) {
    struct Message { const char *text, *after, *before; };  // written between these JNI calls
    const Message about{"About to call the integer method", "GetStaticMethodID(", "CallStaticIntMethodA("},
        called{"called", "CallStaticIntMethodA(", "ExceptionClear("}, notFound{"failed to get the method id", "\"noSuchMethod\"", "ExceptionClear("};
    const UINT64 base = NewObjectHandle("fixtures/Base"), thrower = NewObjectHandle("fixtures/ThrowingResults");
    IMvJavaCpp& b = *bridge();
    const unique_bstr intSig = Bstr(L"()I"), intResult = Bstr(L"intResult"), noSuchMethod = Bstr(L"noSuchMethod"), fixed = Bstr(L"staticIntResult");
    LONG i = 0;
    INT64 j = 0;
    const struct { const char* name; std::function<void()> calls; std::vector<Message> messages; } rows[] = {
        {"a call", [&] { EXPECT_EQ(b.CallStaticIntMethod(base, fixed.get(), intSig.get(), m_none, &i), S_OK); }, {about, called}},
        {"a throwing call", [&] { EXPECT_EQ(b.CallStaticIntMethod(thrower, fixed.get(), intSig.get(), m_none, &i), S_OK); }, {about, called}},
        {"no such method", [&] { EXPECT_EQ(b.CallStaticIntMethod(base, noSuchMethod.get(), intSig.get(), m_none, &i), E_FAIL); }, {notFound}},
        {"a zero handle, refused arguments, other members", [&] {
             EXPECT_EQ(b.CallStaticIntMethod(0, fixed.get(), intSig.get(), m_none, &i), E_FAIL);
             EXPECT_EQ(b.CallStaticIntMethod(base, fixed.get(), intSig.get(), ArgumentArray({ArgI4(1)}).get(), &i), E_FAIL);
             EXPECT_EQ(b.CallIntMethod(base, intResult.get(), intSig.get(), m_none, &i), S_OK);
             EXPECT_EQ(b.CallStaticLongMethod(base, noSuchMethod.get(), Bstr(L"()J").get(), m_none, &j), E_FAIL);
             EXPECT_EQ(b.GetStaticIntField(base, noSuchMethod.get(), &i), E_FAIL);
             EXPECT_EQ(b.CallNonvirtualIntMethod(base, Bstr(L"fixtures.Base").get(), intResult.get(), intSig.get(), m_none, &i), S_OK); }, {}},
    };
    g_thread = ::GetCurrentThreadId();
    const std::unique_ptr<void, ULONG(WINAPI*)(PVOID)> handler(::AddVectoredExceptionHandler(1, &OnDebugPrint), &::RemoveVectoredExceptionHandler);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        g_messages.clear();
        MvJniProxy_ClearTrace();
        row.calls();
        EXPECT_TRUE(NoException());
        const std::string trace = ReadTrace();
        ASSERT_EQ(g_messages.size(), row.messages.size());
        for (std::size_t m = 0; m < g_messages.size(); ++m) {
            const Message& expected = row.messages[m];
            EXPECT_EQ(g_messages[m].first, std::string("[CMvJavaCpp::CallStaticIntMethod] ") + expected.text);
            const std::size_t mark = std::min(trace.size(), g_messages[m].second - 1);  // the size counted the NUL
            EXPECT_THAT(trace.substr(0, mark), ::testing::AllOf(HasSubstr(expected.after), ::testing::Not(HasSubstr(expected.before))));
            EXPECT_THAT(trace.substr(mark), HasSubstr(expected.before));
        }
    }
}

using Objects = BridgeCase;

TEST_F(Objects, EveryHandleHandedOutIsOneNewGlobalReferenceTheClientDeletes) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived");
    IMvJavaCpp& b = *bridge();
    const struct { const char* name; std::function<HRESULT(UINT64*)> make; const wchar_t* className; } rows[] = {
        {"NewDefJavaObject dotted", [&](UINT64* h) { return b.NewDefJavaObject(Bstr(L"fixtures.Derived").get(), h); }, L"fixtures.Derived"},
        {"NewDefJavaObject slashed", [&](UINT64* h) { return b.NewDefJavaObject(Bstr(L"fixtures/Derived").get(), h); }, L"fixtures.Derived"},
        {"NewJavaString", [&](UINT64* h) { return b.NewJavaString(Bstr(L"text").get(), h); }, L"java.lang.String"},
        {"NewJavaPrimitiveArray", [&](UINT64* h) { return b.NewJavaPrimitiveArray(Int, 2, h); }, L"[I"},
        {"NewGlobalRef", [&](UINT64* h) { return b.NewGlobalRef(derived, h); }, L"fixtures.Derived"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const MvJniProxyCounters before = Counters();
        UINT64 handle = 0;
        ASSERT_EQ(row.make(&handle), S_OK);
        EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 1);
        EXPECT_EQ(env()->GetObjectRefType(JObject(handle)), JNIGlobalRefType);
        unique_bstr name;
        EXPECT_EQ(b.GetJavaClassName(handle, name.put()), S_OK);
        EXPECT_EQ(std::wstring(name.get()), row.className);
        VARIANT_BOOL same = 7;
        EXPECT_EQ(b.IsSameJavaObject(handle, derived, &same), S_OK);
        EXPECT_EQ(same, std::string(row.name) == "NewGlobalRef" ? VARIANT_TRUE : VARIANT_FALSE);
        EXPECT_EQ(b.DeleteJavaObject(handle), S_OK);
        EXPECT_EQ(Counters().globalRefsDeleted - before.globalRefsDeleted, 1);
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
    EXPECT_EQ(env()->CallIntMethod(JObject(derived), MethodId(FindClass("fixtures/Derived"), "value", "()I")), 11) << "still usable";
    EXPECT_TRUE(NoException());
}

// What the object members answer about objects. A throwing toString() leaves its exception pending.
TEST_F(Objects, ClassNamesInstancesSamenessAndToString) {
    IMvJavaCpp& b = *bridge();
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), inner = NewObjectHandle("fixtures/Nesting$Inner");
    jclass base = FindClass("fixtures/Base");
    jobject integer = env()->CallStaticObjectMethod(base, StaticMethodId(base, "staticObjectResult", "()Ljava/lang/Object;"));
    ASSERT_TRUE(NoException());
    const auto name = [&](UINT64 h) { auto t = Sentinel<BSTR>(); const HRESULT hr = b.GetJavaClassName(h, &t); return Observe(env(), hr, t); };
    const auto text = [&](UINT64 h) {
        auto t = Sentinel<BSTR>();
        const HRESULT hr = b.ObjectToString(h, &t);
        return hr == S_OK && t == Sentinel<BSTR>() ? Value(u"S_OK, untouched") : Observe(env(), hr, t);
    };
    const auto is = [&](UINT64 h, const wchar_t* cls) { auto a = Sentinel<VARIANT_BOOL>(); const HRESULT hr = b.IsInstanceOf(h, Bstr(cls).get(), &a); return Observe(env(), hr, a); };
    const auto same = [&](UINT64 x, UINT64 y) { auto a = Sentinel<VARIANT_BOOL>(); const HRESULT hr = b.IsSameJavaObject(x, y, &a); return Observe(env(), hr, a); };
    const Value yes = BitsOf(VARIANT_TRUE), no = BitsOf(VARIANT_FALSE);
    const struct { const char* name; Value answer, expected; } rows[] = {
        {"GetJavaClassName", name(derived), u"fixtures.Derived"},
        {"GetJavaClassName nested", name(NewObjectHandle("fixtures/Nesting$Inner$Innermost")), u"fixtures.Nesting$Inner$Innermost"},
        {"GetJavaClassName int[]", name(Handle(env()->NewIntArray(2))), u"[I"},
        {"GetJavaClassName String[]", name(Handle(env()->NewObjectArray(1, FindClass("java/lang/String"), nullptr))), u"[Ljava.lang.String;"},
        {"GetJavaClassName of a class object", name(Handle(base)), u"java.lang.Class"},
        {"IsInstanceOf its class", is(derived, L"fixtures.Derived"), yes},
        {"IsInstanceOf its superclass", is(derived, L"fixtures.Base"), yes},
        {"IsInstanceOf its superclass slashed", is(derived, L"fixtures/Base"), yes},
        {"IsInstanceOf Object", is(derived, L"java.lang.Object"), yes},
        {"IsInstanceOf another class", is(derived, L"java.lang.String"), no},
        {"IsInstanceOf nested", is(inner, L"fixtures.Nesting$Inner"), yes},
        {"IsInstanceOf the outer class", is(inner, L"fixtures.Nesting"), no},
        {"IsSameJavaObject of two handles of one object", same(derived, Handle(JObject(derived))), yes},
        {"IsSameJavaObject of two objects", same(derived, inner), no},
        {"IsSameJavaObject of zero and zero", same(0, 0), yes},
        {"IsSameJavaObject of an object and zero", same(derived, 0), no},
        {"ObjectToString", text(Handle(integer)), u"42"},
        {"ObjectToString of a null toString()", text(NewObjectHandle("fixtures/NullToString")), u"S_OK, untouched"},
        {"ObjectToString of a throwing toString()", text(NewObjectHandle("fixtures/ThrowingToString")), u"S_OK, untouched"},
    };
    EXPECT_TRUE(TakeException("java/lang/IllegalStateException"));
    for (const auto& row : rows) EXPECT_EQ(row.answer, row.expected) << row.name;
    EXPECT_TRUE(NoException());
}

// GetClassByName hands out FindClass's local reference, valid in the caller's frame only.
TEST_F(Objects, GetClassByNameGivesALocalReference) {
    UINT64 cls = 0, global = 0;
    const long long made = Counters().globalRefsMade;
    ASSERT_EQ(bridge()->GetClassByName(Bstr(L"fixtures/Base").get(), &cls), S_OK);
    EXPECT_EQ(env()->GetObjectRefType(JObject(cls)), JNILocalRefType);
    EXPECT_TRUE(env()->IsSameObject(JObject(cls), FindClass("fixtures/Base")));
    EXPECT_EQ(Counters().globalRefsMade, made);
    ASSERT_EQ(bridge()->NewGlobalRef(cls, &global), S_OK);
    EXPECT_EQ(env()->GetObjectRefType(JObject(global)), JNIGlobalRefType);
    EXPECT_EQ(bridge()->DeleteJavaObject(global), S_OK);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

// Texts cross unit by unit up to the first NUL, both ways, through every member that carries one
// (into Java also: the String field setters in the Fields table, a VT_BSTR argument in the arguments table).
TEST_F(Objects, TextsCrossUnitByUnitUpToTheFirstNul) {
    IMvJavaCpp& b = *bridge();
    const UINT64 fields = NewObjectHandle("fixtures/Fields"), echo = NewObjectHandle("fixtures/Echo");
    const unique_bstr stringField = Bstr(L"stringField"), staticString = Bstr(L"staticString"), toString = Bstr(L"toString"), textSig = Bstr(L"()Ljava/lang/String;"),
                      echoString = Bstr(L"echoString"), echoSig = Bstr(L"(Ljava/lang/String;)Ljava/lang/String;"), stringClass = Bstr(L"java/lang/String");
    const std::pair<std::u16string, std::u16string> toJava[] = {{kNonBmp, kNonBmp}, {std::u16string(u"a\0b", 3), u"a"}, {u"", u""}, {kNullBstr, u""}};
    for (const auto& [given, arrives] : toJava) {
        SCOPED_TRACE(::testing::Message() << "NewJavaString of " << ::testing::PrintToString(given));
        UINT64 h = 0;
        EXPECT_EQ(b.NewJavaString(unique_bstr(AllocUnits(given)).get(), &h), S_OK);
        EXPECT_EQ(Observe(env(), S_OK, h), Value(arrives));
    }
    jclass fieldsClass = FindClass("fixtures/Fields");
    const jfieldID instanceId = FieldId(fieldsClass, "stringField", "Ljava/lang/String;"), staticId = StaticFieldId(fieldsClass, "staticString", "Ljava/lang/String;");
    BSTR t = nullptr;
    const struct { const char* name; std::function<HRESULT(jstring, UINT64)> fromJava; } fromJava[] = {
        {"GetStringField", [&](jstring s, UINT64) { env()->SetObjectField(JObject(fields), instanceId, s); return b.GetStringField(fields, stringField.get(), &t); }},
        {"GetStaticStringField", [&](jstring s, UINT64) { env()->SetStaticObjectField(fieldsClass, staticId, s); return b.GetStaticStringField(fields, staticString.get(), &t); }},
        {"GetJavaString", [&](jstring, UINT64 s) { return b.GetJavaString(s, &t); }},
        {"ObjectToString", [&](jstring, UINT64 s) { return b.ObjectToString(s, &t); }},
        {"CallStringMethod", [&](jstring, UINT64 s) { return b.CallStringMethod(s, toString.get(), textSig.get(), m_none, &t); }},
        {"CallNonvirtualStringMethod", [&](jstring, UINT64 s) { return b.CallNonvirtualStringMethod(s, stringClass.get(), toString.get(), textSig.get(), m_none, &t); }},
        {"CallStaticStringMethod", [&](jstring, UINT64 s) { return b.CallStaticStringMethod(echo, echoString.get(), echoSig.get(), ArgumentArray({ArgUI8(s)}).get(), &t); }},
    };
    const std::pair<std::u16string, std::u16string> fromJavaValues[] = {{kNonBmp, kNonBmp}, {std::u16string(u"x\0y", 3), u"x"}, {u"", u""}};
    for (const auto& path : fromJava) {
        for (const auto& [held, read] : fromJavaValues) {
            SCOPED_TRACE(::testing::Message() << path.name << " of " << ::testing::PrintToString(held));
            LocalFrame frame(env(), 8);
            jstring s = JavaString(env(), held);
            EXPECT_EQ(path.fromJava(s, Handle(s)), S_OK);
            EXPECT_EQ(UnitsOf(unique_bstr(std::exchange(t, nullptr)).get()), read);
        }
    }
    env()->CallStaticVoidMethod(fieldsClass, StaticMethodId(fieldsClass, "reset", "()V"));
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

// Refusals, failed lookups and refusals of the JVM (a harness fault makes the named JNI function fail once):
// the result, the Java exception left pending (only where the member leaves it), the class name the JVM was
// asked for, no JNI call for checks made before any Java work, no output written on failure, no reference left.
// A row with several calls walks members that share its rule (the zero handle and a missing JVM for every
// member: the hostile suite).
TEST_F(Objects, RefusalsFailedLookupsAndJvmFaults) {
    com_ptr<IMvJavaCpp> fresh;  // no JVM saved
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, fresh.put_void()), S_OK);
    IMvJavaCpp &b = *bridge(), &f = *fresh.get();
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), fields = NewObjectHandle("fixtures/Fields"),
                 echo = NewObjectHandle("fixtures/Echo"), text = Handle(env()->NewStringUTF("text"));
    jclass arrays = FindClass("fixtures/ArrayFields"), fieldsClass = FindClass("fixtures/Fields");
    const UINT64 array = Handle(env()->GetStaticObjectField(arrays, StaticFieldId(arrays, "objects", "[Ljava/lang/Object;")));
    const unique_bstr baseName = Bstr(L"fixtures.Base"), intResult = Bstr(L"intResult"), intSig = Bstr(L"()I");
    const BSTR n = baseName.get(), m = intResult.get(), s = intSig.get();
    UINT64 h = Sentinel<UINT64>();
    LONG i = 17;
    VARIANT_BOOL is = 7;
    BSTR t = nullptr;
    unique_variant out;
    VARIANT* v = out.get_mutable();
    const unique_safearray ints(::SafeArrayCreateVector(VT_I4, 0, 2));
    VARIANT intArray = ArgOf(VT_ARRAY | VT_I4);
    V_ARRAY(&intArray) = ints.get();
    const auto B = [](const wchar_t* w) { return w ? Bstr(w) : unique_bstr(); };
    const auto newDef = [&](const wchar_t* name) { return b.NewDefJavaObject(B(name).get(), &h); };
    const auto instanceOf = [&](const wchar_t* name) { return b.IsInstanceOf(derived, B(name).get(), &is); };
    const auto nonvirtual = [&](const wchar_t* cls, const wchar_t* name = L"intResult", const wchar_t* sig = L"()I") {
        return sig[2] == L'I' ? b.CallNonvirtualIntMethod(derived, B(cls).get(), B(name).get(), B(sig).get(), m_none, &i)
                              : b.CallNonvirtualStringMethod(derived, B(cls).get(), B(name).get(), B(sig).get(), m_none, &t);
    };
    const auto objectField = [&](const wchar_t* sig) { return b.GetObjectField(fields, B(L"objectField").get(), B(sig).get(), &h); };
    const auto taken = [&] { return UnitsOf(unique_bstr(std::exchange(t, nullptr)).get()); };
    const auto Same = [](std::initializer_list<HRESULT> results) {  // their common answer
        return std::all_of(results.begin(), results.end(), [&](HRESULT hr) { return hr == *results.begin(); }) ? *results.begin() : E_UNEXPECTED;
    };
    const char *const askedBase = "FindClass(\"fixtures/Base\")", *const askedDotted = "FindClass(\"fixtures.Base\")";
    const char *const noClass = "java/lang/NoClassDefFoundError", *const noMemory = "java/lang/OutOfMemoryError";
    const struct {
        const char* name;
        std::vector<const char*> faults;  // a run of the row with each, or one run without
        std::function<HRESULT()> call;
        HRESULT hr;
        const char *pending = nullptr, *asked = nullptr;
        bool beforeJava = false;  // refused before any JNI call
    } rows[] = {
        {"a null output: E_POINTER", {}, [&] {
             return Same({b.NewDefJavaObject(n, nullptr), b.ObjectToString(derived, nullptr), b.GetJavaClassName(derived, nullptr), b.IsSameJavaObject(derived, derived, nullptr),
                          b.IsInstanceOf(derived, n, nullptr), b.NewJavaString(n, nullptr), b.GetJavaString(text, nullptr), b.NewJavaPrimitiveArray(Int, 2, nullptr),
                          b.GetJavaPrimitiveArray(array, Int, nullptr), b.GetJavaObjectArray(array, nullptr), b.GetJavaArrayLength(array, nullptr),
                          b.GetIntField(fields, m, nullptr), b.CallIntMethod(derived, m, s, m_none, nullptr)}); }, E_POINTER, nullptr, nullptr, true},
        {"a null output of GetClassByName or NewGlobalRef, NewGlobalRef of zero", {},
         [&] { return Same({b.GetClassByName(n, nullptr), b.NewGlobalRef(derived, nullptr), b.NewGlobalRef(0, &h)}); }, E_INVALIDARG, nullptr, nullptr, true},
        {"a null output is checked before the zero handle", {},
         [&] { return Same({b.GetStaticIntField(0, m, nullptr), b.CallStaticStringMethod(0, m, s, m_none, nullptr)}); }, E_POINTER, nullptr, nullptr, true},
        {"the zero handle", {}, [&] { return Same({b.ObjectToString(0, &t), b.DeleteJavaObject(0), b.SetJavaPrimitiveArray(0, Int, intArray)}); }, E_FAIL,
         nullptr, nullptr, true},
        {"a null name, signature or class", {}, [&] {
             return Same({b.GetIntField(fields, nullptr, &i), b.SetDoubleField(fields, nullptr, 1.0), b.CallIntMethod(derived, nullptr, s, m_none, &i),
                          b.CallStaticVoidMethod(derived, m, nullptr, m_none), b.CallNonvirtualStringMethod(derived, nullptr, m, s, m_none, &t)}); }, E_FAIL,
         nullptr, nullptr, true},
        {"no saved JVM", {}, [&] {
             return Same({f.NewDefJavaObject(n, &h), f.IsInstanceOf(derived, n, &is), f.NewGlobalRef(derived, &h), f.GetJavaObjectArray(array, v),
                          f.GetIntField(fields, m, &i), f.CallIntMethod(derived, m, s, m_none, &i)}); }, E_FAIL, nullptr, nullptr, true},
        {"NewDefJavaObject dotted", {}, [&] { const HRESULT hr = newDef(L"fixtures.Base"); b.DeleteJavaObject(h); return hr; }, S_OK,
         nullptr, askedBase},
        {"NewDefJavaObject of no class, none with ()V, a throwing ()V, an interface, \"\", null", {}, [&] {
             return Same({newDef(L"fixtures.NoSuchClass"), newDef(L"fixtures.NoDefaultConstructor"), newDef(L"fixtures.Throwing"), newDef(L"java.lang.Runnable"),
                          newDef(L""), newDef(nullptr)}); }, E_FAIL},
        {"NewDefJavaObject", {"FindClass", "GetMethodID", "NewObject", "NewGlobalRef"}, [&] { return newDef(L"fixtures.Base"); }, E_FAIL},
        {"IsInstanceOf dotted", {}, [&] { return instanceOf(L"fixtures.Base"); }, S_OK, nullptr, askedBase},
        {"IsInstanceOf of no class, null", {}, [&] { return Same({instanceOf(L"fixtures.NoSuchClass"), instanceOf(nullptr)}); }, E_FAIL},
        {"IsInstanceOf", {"FindClass"}, [&] { return instanceOf(L"fixtures.Base"); }, E_FAIL},
        {"CallNonvirtualIntMethod dotted", {}, [&] { return nonvirtual(L"fixtures.Base"); }, S_OK, nullptr, askedBase},
        {"CallNonvirtualIntMethod of the object's own class reaches the override", {},
         [&] { return nonvirtual(L"fixtures.Derived") == S_OK && i == 600000 ? S_OK : E_UNEXPECTED; }, S_OK},
        {"CallNonvirtualIntMethod null", {}, [&] { return nonvirtual(nullptr); }, E_FAIL, noClass},
        {"CallNonvirtualIntMethod", {"FindClass"}, [&] { return nonvirtual(L"fixtures.Base"); }, E_FAIL, noClass},
        {"CallNonvirtualStringMethod dotted", {}, [&] { return nonvirtual(L"fixtures.Base", L"stringResult", L"()Ljava/lang/String;"); },
         E_FAIL, noClass, askedDotted},
        {"CallIntMethod", {"GetMethodID"}, [&] { return b.CallIntMethod(derived, B(L"intResult").get(), B(L"()I").get(), m_none, &i); }, E_FAIL},
        {"a VT_BSTR argument", {"NewString"}, [&] {
             return b.CallStaticStringMethod(echo, B(L"echoString").get(), B(L"(Ljava/lang/String;)Ljava/lang/String;").get(), ArgumentArray({ArgBstr(L"x")}).get(), &t); },
         E_FAIL},
        {"CallStaticObjectMethod", {"NewGlobalRef"}, [&] {
             return b.CallStaticObjectMethod(echo, B(L"echoObject").get(), B(L"(Ljava/lang/Object;)Ljava/lang/Object;").get(), ArgumentArray({ArgUI8(text)}).get(), &h); },
         E_FAIL},
        {"GetClassByName dotted", {}, [&] { return b.GetClassByName(B(L"fixtures.Base").get(), &h); }, E_FAIL, noClass, askedDotted},
        {"GetClassByName null", {}, [&] { return b.GetClassByName(nullptr, &h); }, E_FAIL},
        {"GetObjectField malformed, null signature", {}, [&] { return Same({objectField(L"java/lang/Object"), objectField(nullptr)}); }, E_FAIL},
        {"GetObjectField", {"NewGlobalRef"}, [&] { return objectField(L"Ljava/lang/Object;"); }, E_FAIL},
        {"SetObjectField", {"NewGlobalRef"},
         [&] { return b.SetObjectField(fields, B(L"objectField").get(), B(L"Ljava/lang/Object;").get(), text); }, E_FAIL},
        {"SetStringField", {"NewString"}, [&] { return b.SetStringField(fields, B(L"stringField").get(), B(L"never").get()); }, E_FAIL},
        {"GetStringField gives an empty text", {"GetStringChars"},
         [&] { const HRESULT hr = b.GetStringField(fields, B(L"stringField").get(), &t); return taken() == u"" ? hr : E_UNEXPECTED; },
         S_OK, noMemory},
        {"GetStaticIntField", {"GetStaticFieldID"}, [&] { return b.GetStaticIntField(fields, B(L"staticInt").get(), &i); }, E_FAIL},
        {"static String field through an inheriting class", {}, [&] {
             const unique_bstr field = B(L"lastVoidCall");
             b.SetStaticStringField(derived, field.get(), B(L"through Derived").get());
             const HRESULT hr = b.GetStaticStringField(derived, field.get(), &t);
             const bool read = taken() == u"through Derived";
             return b.SetStaticStringField(derived, field.get(), B(L"").get()) == S_OK && read ? hr : E_UNEXPECTED; }, S_OK},
        {"ObjectToString", {"GetMethodID"}, [&] { return b.ObjectToString(derived, &t); }, E_FAIL},
        {"ObjectToString gives an empty text", {"GetStringChars"},
         [&] { const HRESULT hr = b.ObjectToString(text, &t); return taken() == u"" ? hr : E_UNEXPECTED; }, S_OK, noMemory},
        {"GetJavaClassName", {"GetMethodID"}, [&] { return b.GetJavaClassName(derived, &t); }, E_FAIL},
        {"GetJavaString", {"GetStringChars"}, [&] { return b.GetJavaString(text, &t); }, E_FAIL, noMemory},
        {"NewJavaString", {"NewString", "NewGlobalRef"}, [&] { return b.NewJavaString(B(L"x").get(), &h); }, E_FAIL},
        {"NewGlobalRef, with a zero output", {"NewGlobalRef"},
         [&] { const HRESULT hr = b.NewGlobalRef(derived, &h); return std::exchange(h, Sentinel<UINT64>()) == 0 ? hr : E_UNEXPECTED; }, E_FAIL},
        {"NewJavaPrimitiveArray", {"NewGlobalRef"}, [&] { return b.NewJavaPrimitiveArray(Int, 3, &h); }, E_FAIL},
        {"NewJavaPrimitiveArray negative size", {}, [&] { return b.NewJavaPrimitiveArray(Int, -1, &h); }, E_FAIL},
        {"GetJavaObjectArray", {"NewGlobalRef", "FindClass"}, [&] { return b.GetJavaObjectArray(array, out.get_mutable()); }, E_FAIL},
    };
    for (const auto& row : rows) {
        for (const char* fault : row.faults.empty() ? std::vector<const char*>{nullptr} : row.faults) {
            SCOPED_TRACE(::testing::Message() << row.name << (fault ? " with a failing " : "") << (fault ? fault : ""));
            LocalFrame frame(env(), 16);
            if (fault) { ASSERT_EQ(MvJniProxy_FailNext(fault, 1), 1); }
            MvJniProxy_ClearTrace();
            h = Sentinel<UINT64>(), i = 17, is = 7;
            const long long calls = Counters().calls;
            EXPECT_EQ(row.call(), row.hr);
            if (row.beforeJava) { EXPECT_EQ(Counters().calls, calls) << "a JNI call was made"; }
            if (row.pending) { EXPECT_TRUE(TakeException(row.pending)); }
            EXPECT_TRUE(NoException());
            if (row.asked) { EXPECT_THAT(ReadTrace(), HasSubstr(row.asked)); }
            if (row.hr != S_OK) { EXPECT_TRUE(h == Sentinel<UINT64>() && t == nullptr && i == 17 && is == 7) << "an output was written"; }
            EXPECT_EQ(out.type(), VT_EMPTY);
            EXPECT_EQ(LiveGlobalRefs(), 0);
            MvJniProxy_ClearFaults();
        }
    }
    const auto field = [&](const char* name, const char* sig) {
        return UnitsOf(env(), env()->GetObjectField(JObject(fields), FieldId(fieldsClass, name, sig)));
    };
    EXPECT_EQ(field("objectField", "Ljava/lang/Object;"), u"instance object") << "changed by a refused setter";
    EXPECT_EQ(field("stringField", "Ljava/lang/String;"), u"instance string") << "changed by a refused setter";
}

// The elements of a one-dimensional SAFEARRAY as bits, after checking its type and lower bound 0.
std::vector<std::uint64_t> ElementsOf(const VARIANT& v, VARTYPE vt) {
    EXPECT_EQ(V_VT(&v), VT_ARRAY | vt);
    LONG lower = -1, upper = -2;
    if (V_VT(&v) != (VT_ARRAY | vt) || ::SafeArrayGetLBound(V_ARRAY(&v), 1, &lower) != S_OK || ::SafeArrayGetUBound(V_ARRAY(&v), 1, &upper) != S_OK) return {};
    EXPECT_EQ(lower, 0);
    std::vector<std::uint64_t> bits(static_cast<std::size_t>(upper - lower + 1));
    const UINT size = ::SafeArrayGetElemsize(V_ARRAY(&v));
    const safearray_lock lock(V_ARRAY(&v));
    for (std::size_t k = 0; k < bits.size(); ++k) std::memcpy(&bits[k], static_cast<const char*>(lock.data()) + k * size, size);
    return bits;
}
unique_safearray SafeArrayOf(VARTYPE vt, const std::vector<std::uint64_t>& bits, LONG lower) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bits.size()), lower};
    unique_safearray array(::SafeArrayCreate(vt, 1, &bound));
    const UINT size = ::SafeArrayGetElemsize(array.get());
    const safearray_lock lock(array.get());
    for (std::size_t k = 0; k < bits.size(); ++k) std::memcpy(static_cast<char*>(lock.data()) + k * size, &bits[k], size);
    return array;
}
VARIANT Borrowed(VARTYPE vt, SAFEARRAY* array) {  // a VT_ARRAY VARIANT that the caller keeps owning
    VARIANT v = ArgOf(static_cast<VARTYPE>(VT_ARRAY | vt));
    V_ARRAY(&v) = array;
    return v;
}

TEST_F(Objects, PrimitiveArraysOfEachType) {
    const struct { const char* name; JavaTypes type; VARTYPE in, out; std::vector<std::uint64_t> given, back; const char* java; } rows[] = {
        {"Boolean", Boolean, VT_BOOL, VT_I2, {0xFFFF, 0, 5}, {0xFFFF, 0, 0xFFFF}, "[true, false, true]"},
        {"Byte", Byte, VT_I1, VT_I1, {0xFF, 0, 0x7F}, {0xFF, 0, 0x7F}, "[-1, 0, 127]"},
        {"Char", Char, VT_UI2, VT_UI2, {'a', 0xE9, 0xFFFF}, {'a', 0xE9, 0xFFFF}, "[a, \xC3\xA9, \xEF\xBF\xBF]"},
        {"Short", Short, VT_I2, VT_I2, {0x8000, 0, 0x7FFF}, {0x8000, 0, 0x7FFF}, "[-32768, 0, 32767]"},
        {"Int", Int, VT_I4, VT_I4, {0x80000000, 0xFFFFFFFE, 0x7FFFFFFF}, {0x80000000, 0xFFFFFFFE, 0x7FFFFFFF}, "[-2147483648, -2, 2147483647]"},
        {"Long", Long, VT_I8, VT_I8, {1ull << 63, 1ull << 40, ~0ull >> 1}, {1ull << 63, 1ull << 40, ~0ull >> 1}, "[-9223372036854775808, 1099511627776, 9223372036854775807]"},
        {"Float", Float, VT_R4, VT_R4, {BitsOf(-8.25f), BitsOf(FLT_MIN), 0x80000000}, {BitsOf(-8.25f), BitsOf(FLT_MIN), 0x80000000}, "[-8.25, 1.17549435E-38, -0.0]"},
        {"Double", Double, VT_R8, VT_R8, {BitsOf(1e300), BitsOf(DBL_MIN), 1ull << 63}, {BitsOf(1e300), BitsOf(DBL_MIN), 1ull << 63}, "[1.0E300, 2.2250738585072014E-308, -0.0]"},
    };
    IMvJavaCpp& b = *bridge();
    for (std::size_t k = 0; k < std::size(rows); ++k) {
        const auto &row = rows[k], &other = rows[(k + 1) % std::size(rows)];
        SCOPED_TRACE(row.name);
        LocalFrame frame(env(), 8);
        const auto javaText = [&](UINT64 array) {  // java.util.Arrays.toString of the Java array
            jclass arrays = FindClass("java/util/Arrays");
            const std::string sig = std::string("([") + "ZBCSIJFD"[row.type] + ")Ljava/lang/String;";
            jobject s = env()->CallStaticObjectMethod(arrays, StaticMethodId(arrays, "toString", sig.c_str()), JObject(array));
            return NoException() ? Utf(env(), static_cast<jstring>(s)) : "<threw>";
        };
        UINT64 array = 0;
        ASSERT_EQ(b.NewJavaPrimitiveArray(row.type, 3, &array), S_OK);
        unique_variant read;
        ASSERT_EQ(b.GetJavaPrimitiveArray(array, row.type, read.get_mutable()), S_OK);
        EXPECT_EQ(ElementsOf(read.get(), row.out), std::vector<std::uint64_t>(3, 0)) << "a new array holds zeros";
        const unique_safearray values = SafeArrayOf(row.in, row.given, 5), longer = SafeArrayOf(row.in, {row.given[0], row.given[1], row.given[2], 1}, 0);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, values.get())), S_OK);
        EXPECT_EQ(javaText(array), row.java);
        EXPECT_EQ(b.GetJavaPrimitiveArray(array, row.type, read.get_mutable()), S_OK);
        EXPECT_EQ(ElementsOf(read.get(), row.out), row.back);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, longer.get())), S_OK) << "elements beyond Java's length are ignored";
        // Refused, leaving Java's array and the output unchanged: too few elements, another VARIANT type (also
        // as a label on elements of another size), another element type than the Java array's, a VT_BYREF array.
        const unique_safearray shorter = SafeArrayOf(row.in, {1, 1}, 5), others = SafeArrayOf(other.in, {1, 1, 1}, 0),
                               misfit = SafeArrayOf(row.in == VT_I1 ? VT_I8 : VT_I1, {1, 1, 1}, 0);
        SAFEARRAY* referenced = values.get();
        VARIANT byReference = ArgOf(static_cast<VARTYPE>(VT_BYREF | VT_ARRAY | row.in));
        V_ARRAYREF(&byReference) = &referenced;
        for (const VARIANT& refused : {Borrowed(row.in, shorter.get()), Borrowed(other.in, others.get()), Borrowed(row.in, misfit.get()), byReference})
            EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, refused), E_FAIL) << "VARIANT type " << V_VT(&refused);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, other.type, Borrowed(other.in, others.get())), E_FAIL);
        EXPECT_EQ(b.GetJavaPrimitiveArray(array, other.type, read.get_mutable()), E_FAIL);
        EXPECT_EQ(b.SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, nullptr)), E_INVALIDARG) << "no SAFEARRAY: the bounds query's answer";
        EXPECT_EQ(ElementsOf(read.get(), row.out), row.back);
        EXPECT_EQ(javaText(array), row.java);
        LONG length = 0;
        EXPECT_EQ(b.GetJavaArrayLength(array, &length), S_OK);
        EXPECT_EQ(length, 3);
        EXPECT_EQ(b.DeleteJavaObject(array), S_OK);
        ASSERT_EQ(MvJniProxy_FailNext(("New" + std::string(row.name) + "Array").c_str(), 1), 1);
        EXPECT_EQ(b.NewJavaPrimitiveArray(row.type, 3, &array), E_FAIL);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

TEST_F(Objects, ObjectArraysGiveOneNewHandlePerElement) {
    jclass fields = FindClass("fixtures/ArrayFields");
    const auto field = [&](const char* name, const char* sig) { return Handle(env()->GetStaticObjectField(fields, StaticFieldId(fields, name, sig))); };
    const struct { const char* name; UINT64 array; std::vector<std::u16string> texts; long long made; bool fails; } rows[] = {
        {"Object[]", field("objects", "[Ljava/lang/Object;"), {u"first", u"2"}, 2, false}, {"String[]", field("strings", "[Ljava/lang/String;"), {u"x", u"y", u"z"}, 3, false},
        {"empty", Handle(env()->NewObjectArray(0, FindClass("java/lang/Object"), nullptr)), {}, 0, false},
        {"a null element", field("objectsWithNull", "[Ljava/lang/Object;"), {}, 1, true}, {"int[]", field("ints", "[I"), {}, 0, true},
        {"no array", NewObjectHandle("fixtures/Base"), {}, 0, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        unique_variant out;
        V_VT(out.get_mutable()) = VT_I4, V_I4(out.get_mutable()) = 12345;
        const MvJniProxyCounters before = Counters();
        EXPECT_EQ(bridge()->GetJavaObjectArray(row.array, out.get_mutable()), row.fails ? E_FAIL : S_OK);
        EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, row.made);
        std::vector<std::u16string> texts;
        if (row.fails) { EXPECT_TRUE(out.type() == VT_I4 && V_I4(&out.get()) == 12345) << "output written"; }
        for (std::uint64_t handle : row.fails ? std::vector<std::uint64_t>{} : ElementsOf(out.get(), VT_UI8))
            texts.push_back(std::get<std::u16string>(Observe(env(), S_OK, UINT64{handle})));
        EXPECT_EQ(texts, row.texts);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0) << "every handle made is the client's, or taken back on failure";
    }
}

}  // namespace
}  // namespace mv::test
