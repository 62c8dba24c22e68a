// The 40 field members and the 33 method members against a real JVM, each family from one table
// walked in one loop; argument elements of every VARIANT type; CallStaticIntMethod's debugger messages.

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <functional>
#include <optional>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>

#include "bridge_cases.h"

namespace mv::test {
namespace {

template <typename... P> using Last = std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>;
template <typename... P> using Member = HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*)(UINT64, P...);

// A value to hand in: the bits of a primitive, a BSTR of a text, or for a handle either the
// number itself or a global reference the client holds to a Java string of the text.
template <typename In, typename Call>
HRESULT HandIn(JNIEnv* e, const Value& v, Call call) {
    if constexpr (std::is_same_v<In, BSTR>) return call(unique_bstr(AllocUnits(std::get<std::u16string>(v))).get());
    else if constexpr (!std::is_same_v<In, UINT64>) return call(FromBits<In>(std::get<std::uint64_t>(v)));
    else {
        if (auto* handle = std::get_if<std::uint64_t>(&v)) return call(*handle);
        LocalFrame frame(e, 4);
        const jobject mine = e->NewGlobalRef(JavaString(e, std::get<std::u16string>(v)));
        const HRESULT hr = call(HandleOf(mine));
        EXPECT_EQ(e->GetObjectRefType(mine), JNIGlobalRefType) << "the client's handle stays its own";
        e->DeleteGlobalRef(mine);
        return hr;
    }
}

// ---- Fields: one row per getter/setter pair, instance and static rows alternating by type -----

struct FieldRow {
    const char *members, *field, *sig;
    bool isStatic;
    Value initial;
    std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR name, Value& out)> get;
    std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR name, const Value& in)> set;
    const char* nullField = nullptr;  // a field of this type that holds null
};
template <typename... G, typename... S>  // the Object members take the signature before the value
FieldRow Row(const char* members, bool isStatic, const char* field, const char* sig, Value initial, Member<G...> get, Member<S...> set) {
    return {members, field, sig, isStatic, initial,
            [get, sig](IMvJavaCpp& b, JNIEnv* e, UINT64 h, BSTR n, Value& v) {
                auto out = Sentinel<std::remove_pointer_t<Last<G...>>>();
                HRESULT hr;
                if constexpr (sizeof...(G) == 3) hr = (b.*get)(h, n, Name(sig).get(), &out); else hr = (b.*get)(h, n, &out);
                return v = Observe(e, hr, out), hr;
            },
            [set, sig](IMvJavaCpp& b, JNIEnv* e, UINT64 h, BSTR n, const Value& v) {
                return HandIn<Last<S...>>(e, v, [&](auto in) { if constexpr (sizeof...(S) == 3) return (b.*set)(h, n, Name(sig).get(), in); else return (b.*set)(h, n, in); });
            }};
}
std::vector<FieldRow> FieldRows() {
    using M = IMvJavaCpp;
    std::vector<FieldRow> rows = {
        Row("GetBooleanField/SetBooleanField", false, "booleanField", "Z", BitsOf(VARIANT_TRUE), &M::GetBooleanField, &M::SetBooleanField),
        Row("GetStaticBooleanField/SetStaticBoolenField", true, "staticBoolean", "Z", BitsOf(VARIANT_TRUE), &M::GetStaticBooleanField, &M::SetStaticBoolenField),
        Row("GetByteField/SetByteField", false, "byteField", "B", std::uint64_t{0xFF}, &M::GetByteField, &M::SetByteField),
        Row("GetStaticByteField/SetStaticByteField", true, "staticByte", "B", std::uint64_t{0xFE}, &M::GetStaticByteField, &M::SetStaticByteField),
        Row("GetCharField/SetCharField", false, "charField", "C", std::uint64_t{0xE9}, &M::GetCharField, &M::SetCharField),
        Row("GetStaticCharField/SetStaticCharField", true, "staticChar", "C", std::uint64_t{0x20AC}, &M::GetStaticCharField, &M::SetStaticCharField),
        Row("GetShortField/SetShortField", false, "shortField", "S", BitsOf<short>(-12345), &M::GetShortField, &M::SetShortField),
        Row("GetStaticShortField/SetStaticShortField", true, "staticShort", "S", BitsOf<short>(32000), &M::GetStaticShortField, &M::SetStaticShortField),
        Row("GetIntField/SetIntField", false, "intField", "I", BitsOf<LONG>(123456789), &M::GetIntField, &M::SetIntField),
        Row("GetStaticIntField/SetStaticIntField", true, "staticInt", "I", BitsOf<LONG>(-987654321), &M::GetStaticIntField, &M::SetStaticIntField),
        Row("GetLongField/SetLongField", false, "longField", "J", BitsOf<INT64>(0x0123456789abcdefLL), &M::GetLongField, &M::SetLongField),
        Row("GetStaticLongField/SetStaticLongField", true, "staticLong", "J", BitsOf<INT64>(LLONG_MIN + 1), &M::GetStaticLongField, &M::SetStaticLongField),
        Row("GetFloatField/SetFloatField", false, "floatField", "F", BitsOf(1.5f), &M::GetFloatField, &M::SetFloatField),
        Row("GetStaticFloatField/SetStaticFloatField", true, "staticFloat", "F", BitsOf(-0.75f), &M::GetStaticFloatField, &M::SetStaticFloatField),
        Row("GetDoubleField/SetDoubleField", false, "doubleField", "D", BitsOf(-2.25), &M::GetDoubleField, &M::SetDoubleField),
        Row("GetStaticDoubleField/SetStaticDoubleField", true, "staticDouble", "D", BitsOf(6.02214076e23), &M::GetStaticDoubleField, &M::SetStaticDoubleField),
        Row("GetObjectField/SetObjectField", false, "objectField", "Ljava/lang/Object;", u"instance object", &M::GetObjectField, &M::SetObjectField),
        Row("GetStaticObjectField/SetStaticObjectField", true, "staticObject", "Ljava/lang/Object;", u"static object", &M::GetStaticObjectField, &M::SetStaticObjectField),
        Row("GetStringField/SetStringField", false, "stringField", "Ljava/lang/String;", u"instance string", &M::GetStringField, &M::SetStringField),
        Row("GetStaticStringField/SetStaticStringField", true, "staticString", "Ljava/lang/String;", u"static string", &M::GetStaticStringField, &M::SetStaticStringField),
    };
    rows[16].nullField = "nullObjectField", rows[17].nullField = "staticNullObject", rows[18].nullField = "nullStringField", rows[19].nullField = "staticNullString";
    return rows;
}

struct Trip { Value given, inJava, readBack; };  // a value set, what Java then holds, what the getter then answers
template <typename T>
Trip Same(T v) {
    if constexpr (std::is_same_v<T, const char16_t*>) return {std::u16string(v), std::u16string(v), std::u16string(v)};
    else return {BitsOf(v), BitsOf(v), BitsOf(v)};
}
std::vector<Trip> ValuesFor(const char* sig) {
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
    default: return {Same(u"set through the bridge"), Same(kNonBmp.c_str())};
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
        const jfieldID id = s ? StaticFieldId(c, r.field, r.sig) : FieldId(c, r.field, r.sig);
        switch (r.sig[0]) {
        case 'Z': return BitsOf(s ? e->GetStaticBooleanField(c, id) : e->GetBooleanField(o, id));
        case 'B': return BitsOf(s ? e->GetStaticByteField(c, id) : e->GetByteField(o, id));
        case 'C': return BitsOf(s ? e->GetStaticCharField(c, id) : e->GetCharField(o, id));
        case 'S': return BitsOf(s ? e->GetStaticShortField(c, id) : e->GetShortField(o, id));
        case 'I': return BitsOf(s ? e->GetStaticIntField(c, id) : e->GetIntField(o, id));
        case 'J': return BitsOf(s ? e->GetStaticLongField(c, id) : e->GetLongField(o, id));
        case 'F': return BitsOf(s ? e->GetStaticFloatField(c, id) : e->GetFloatField(o, id));
        case 'D': return BitsOf(s ? e->GetStaticDoubleField(c, id) : e->GetDoubleField(o, id));
        default: return UnitsOf(e, s ? e->GetStaticObjectField(c, id) : e->GetObjectField(o, id));
        }
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
        std::vector<std::pair<UINT64, const char*>> refused = {{0, row.field}, {Handle(m_class), row.field}, {m_fields, "noSuchField"},
                                                               {m_fields, rows[(i + 2) % rows.size()].field}, {m_fields, rows[i ^ 1].field}};
        if (row.nullField) refused.emplace_back(m_fields, row.nullField);
        for (const auto& [handle, field] : refused) {
            SCOPED_TRACE(::testing::Message() << "field " << field << " of handle " << handle);
            EXPECT_EQ(row.get(*bridge(), env(), handle, Name(field).get(), v), E_FAIL);
            EXPECT_EQ(v, kUntouched);
            if (field != row.nullField) { EXPECT_EQ(row.set(*bridge(), env(), handle, Name(field).get(), ValuesFor(row.sig)[0].given), E_FAIL); }
            EXPECT_TRUE(NoException());
        }
        if (std::strcmp(row.sig, "Ljava/lang/Object;") == 0) { EXPECT_EQ(row.set(*bridge(), env(), m_fields, name.get(), Value(std::uint64_t{0})), E_FAIL); }
        EXPECT_TRUE(NoException());
        EXPECT_EQ(JavaField(row), before) << "a refused setter wrote";
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

// ---- Methods: one row per member --------------------------------------------------------------

using Call = std::function<HRESULT(IMvJavaCpp&, JNIEnv*, UINT64 object, BSTR superclass, BSTR name, BSTR sig, const VARIANT& args, Value& out)>;

// What a void method did: the text it left in Base.lastVoidCall, which is emptied.
std::u16string TakeLastVoidCall(JNIEnv* e) {
    LocalFrame frame(e, 4);
    jclass base = e->FindClass("fixtures/Base");
    const jfieldID id = e->GetStaticFieldID(base, "lastVoidCall", "Ljava/lang/String;");
    const std::u16string text = UnitsOf(e, e->GetStaticObjectField(base, id));
    e->SetStaticObjectField(base, id, e->NewStringUTF(""));
    return text;
}
template <typename... P>
Call Adapt(Member<P...> m) {
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
std::vector<MethodRow> MethodRows() {
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
        const unique_bstr base = superclass("fixtures/Base"), name = Name(row.name.c_str()), sig = Name(row.sig.c_str());
        Value v;
        EXPECT_EQ(row.call(*bridge(), env(), derived, base.get(), name.get(), sig.get(), m_none, v), S_OK);
        EXPECT_EQ(v, row.expected);
        if (row.thrown) {  // the exception is cleared: primitives give JNI's zero, references fail
            ++throwingCalls;
            EXPECT_EQ(row.call(*bridge(), env(), thrower, superclass("fixtures/ThrowingResults").get(), name.get(), sig.get(), m_none, v),
                      *row.thrown == kUntouched ? E_FAIL : S_OK);
            EXPECT_EQ(v, *row.thrown);
        }
        if (row.sig[2] == 'L') {  // a null result fails
            const bool isStatic = row.member.find("Static") != std::string::npos, isString = row.sig.find("String") != std::string::npos;
            EXPECT_EQ(row.call(*bridge(), env(), isStatic ? derived : nullToString, superclass("fixtures/NullToString").get(),
                               Bstr(isStatic ? (isString ? L"nullString" : L"nullObject") : L"toString").get(),
                               isStatic ? sig.get() : Bstr(L"()Ljava/lang/String;").get(), m_none, v),
                      E_FAIL);
            EXPECT_EQ(v, kUntouched);
        }
        // Refused: the zero handle, a class object (but for non-virtual calls, which name the class
        // themselves), no such method, the other group's method, another signature.
        const bool nonvirtual = row.member.find("Nonvirtual") != std::string::npos;
        const std::tuple<UINT64, std::string, std::string> refused[] = {{0, row.name, row.sig}, {nonvirtual ? 0 : baseClass, row.name, row.sig}, {derived, "noSuchMethod", row.sig},
                                                                        {derived, row.otherGroupsName, row.sig}, {derived, row.name, "()Ljava/lang/Thread;"}};
        for (const auto& [handle, other, otherSig] : refused) {
            SCOPED_TRACE(other + otherSig);
            EXPECT_EQ(row.call(*bridge(), env(), handle, base.get(), Name(other.c_str()).get(), Name(otherSig.c_str()).get(), m_none, v), E_FAIL);
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

TEST_F(Methods, EachArgumentElementTypeReachesJavaAsItsType) {
    const UINT64 echo = NewObjectHandle("fixtures/Echo"), object = Handle(env()->NewStringUTF("object"));
    using M = IMvJavaCpp;
    const struct { const char* name; VARIANT element; const char *method, *sig; Call call; Value expected; } rows[] = {
        {"VT_BOOL 0", Element(VT_BOOL, 0), "echoBoolean", "(Z)Z", Adapt(&M::CallStaticBooleanMethod), BitsOf(VARIANT_FALSE)},
        {"VT_BOOL 2", Element(VT_BOOL, 2), "echoBoolean", "(Z)Z", Adapt(&M::CallStaticBooleanMethod), BitsOf(VARIANT_TRUE)},
        {"VT_BOOL -1", ArgBool(true), "echoBoolean", "(Z)Z", Adapt(&M::CallStaticBooleanMethod), BitsOf(VARIANT_TRUE)},
        {"VT_I1", Element(VT_I1, 0x80), "echoByte", "(B)B", Adapt(&M::CallStaticByteMethod), std::uint64_t{0x80}},
        {"VT_UI1", Element(VT_UI1, 0xFB), "echoByte", "(B)B", Adapt(&M::CallStaticByteMethod), std::uint64_t{0xFB}},
        {"VT_UI2", Element(VT_UI2, 0xD834), "echoChar", "(C)C", Adapt(&M::CallStaticCharMethod), std::uint64_t{0xD834}},
        {"VT_I2", Element(VT_I2, BitsOf<short>(-300)), "echoShort", "(S)S", Adapt(&M::CallStaticShortMethod), BitsOf<short>(-300)},
        {"VT_I4", ArgI4(LONG_MIN), "echoInt", "(I)I", Adapt(&M::CallStaticIntMethod), BitsOf<LONG>(LONG_MIN)},
        {"VT_I8", ArgI8(LLONG_MIN), "echoLong", "(J)J", Adapt(&M::CallStaticLongMethod), BitsOf<INT64>(LLONG_MIN)},
        {"VT_R4", Element(VT_R4, 0x80000000u), "echoFloat", "(F)F", Adapt(&M::CallStaticFloatMethod), std::uint64_t{0x80000000u}},
        {"VT_R8", Element(VT_R8, 0x8000000000000001ull), "echoDouble", "(D)D", Adapt(&M::CallStaticDoubleMethod), std::uint64_t{0x8000000000000001ull}},
        {"VT_UI8", ArgUI8(object), "echoObject", "(Ljava/lang/Object;)Ljava/lang/Object;", Adapt(&M::CallStaticObjectMethod), u"object"},
        {"VT_BSTR", ArgBstr(L"G clef \U0001D11E, grin \U0001F600"), "echoString", "(Ljava/lang/String;)Ljava/lang/String;",
         Adapt(&M::CallStaticStringMethod), kNonBmp},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Value v;
        EXPECT_EQ(row.call(*bridge(), env(), echo, nullptr, Name(row.method).get(), Name(row.sig).get(), ArgumentArray({row.element}).get(), v), S_OK);
        EXPECT_EQ(v, row.expected);
    }
    // All kinds in one vector, in memory order whatever the lower bound; a virtual call alike.
    jclass argumentsClass = FindClass("fixtures/Arguments");
    jobject withPrefix = env()->NewObject(argumentsClass, MethodId(argumentsClass, "<init>", "(Ljava/lang/String;)V"), env()->NewStringUTF("here:"));
    ASSERT_TRUE(NoException());
    const UINT64 arguments = Handle(withPrefix);
    const auto all = [&] {
        return std::vector<VARIANT>{ArgBool(true), Element(VT_I1, 0xFB), Element(VT_UI2, 0x20AC), Element(VT_I2, BitsOf<short>(-300)), ArgI4(123456),
                                    ArgI8(-9876543210LL), Element(VT_R4, BitsOf(1.5f)), Element(VT_R8, BitsOf(-2.25)), ArgUI8(object), ArgBstr(L"text")};
    };
    const unique_bstr sig = Bstr(L"(ZBCSIJFDLjava/lang/Object;Ljava/lang/String;)Ljava/lang/String;");
    unique_bstr text;
    ASSERT_EQ(bridge()->CallStaticStringMethod(arguments, Bstr(L"describe").get(), sig.get(), ArgumentArray(all(), 1).get(), text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"true|-5|8364|-300|123456|-9876543210|1.5|-2.25|object|text");
    ASSERT_EQ(bridge()->CallStringMethod(arguments, Bstr(L"describeHere").get(), sig.get(), ArgumentArray(all()).get(), text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"here:true|-5|8364|-300|123456|-9876543210|1.5|-2.25|object|text");
    const UINT64 base = NewObjectHandle("fixtures/Base");
    for (LONG lower : {0, 7}) {  // no arguments: VT_EMPTY (above) or an array without elements
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
    const std::pair<const char*, std::vector<VARIANT>> elements[] = {
        {"VT_UI4", {ArgI4(2), ArgOf(VT_UI4)}}, {"VT_EMPTY", {ArgI4(2), ArgOf(VT_EMPTY)}}, {"VT_NULL", {ArgI4(2), ArgOf(VT_NULL)}},
        {"VT_CY", {ArgI4(2), ArgOf(VT_CY)}}, {"VT_DATE", {ArgI4(2), ArgOf(VT_DATE)}}, {"VT_ERROR", {ArgI4(2), ArgOf(VT_ERROR)}},
        {"VT_INT", {ArgI4(2), ArgOf(VT_INT)}}, {"VT_BYREF|VT_UI8", {ArgI4(2), ArgOf(VT_UI8 | VT_BYREF)}},
        {"VT_BYREF|VT_I4", {ArgOf(VT_I4 | VT_BYREF), ArgBstr(L"two")}}, {"an int for the String", {ArgI4(2), ArgI4(3)}},
        {"a long for the int", {ArgI8(2), ArgBstr(L"two")}}, {"one missing", {ArgI4(2)}}, {"one too many", {ArgI4(2), ArgBstr(L"two"), ArgI4(3)}},
    };
    for (const auto& [name, list] : elements) EXPECT_EQ(record(ArgumentArray(list).get()), E_FAIL) << name;
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

// ---- CallStaticIntMethod's debugger messages --------------------------------------------------

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
    LONG i = 0;
    INT64 j = 0;
    const auto staticInt = [&](UINT64 h, const wchar_t* name, const VARIANT& args) {
        return bridge()->CallStaticIntMethod(h, Bstr(name).get(), Bstr(L"()I").get(), args, &i);
    };
    const struct { const char* name; std::function<HRESULT()> call; HRESULT hr; std::vector<Message> messages; } rows[] = {
        {"a call", [&] { return staticInt(base, L"staticIntResult", m_none); }, S_OK, {about, called}},
        {"a throwing call", [&] { return staticInt(thrower, L"staticIntResult", m_none); }, S_OK, {about, called}},
        {"no such method", [&] { return staticInt(base, L"noSuchMethod", m_none); }, E_FAIL, {notFound}},
        {"a zero handle", [&] { return staticInt(0, L"staticIntResult", m_none); }, E_FAIL, {}},
        {"refused arguments", [&] { return staticInt(base, L"staticIntResult", ArgumentArray({ArgI4(1)}).get()); }, E_FAIL, {}},
        {"CallIntMethod", [&] { return bridge()->CallIntMethod(base, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i); }, S_OK, {}},
        {"CallStaticLongMethod", [&] { return bridge()->CallStaticLongMethod(base, Bstr(L"noSuchMethod").get(), Bstr(L"()J").get(), m_none, &j); }, E_FAIL, {}},
        {"GetStaticIntField", [&] { return bridge()->GetStaticIntField(base, Bstr(L"noSuchField").get(), &i); }, E_FAIL, {}},
        {"CallNonvirtualIntMethod", [&] { return bridge()->CallNonvirtualIntMethod(base, Bstr(L"fixtures.Base").get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i); }, S_OK, {}},
    };
    g_thread = ::GetCurrentThreadId();
    const std::unique_ptr<void, ULONG(WINAPI*)(PVOID)> handler(::AddVectoredExceptionHandler(1, &OnDebugPrint), &::RemoveVectoredExceptionHandler);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        g_messages.clear();
        MvJniProxy_ClearTrace();
        EXPECT_EQ(row.call(), row.hr);
        EXPECT_TRUE(NoException());
        const std::string trace = ReadTrace();
        ASSERT_EQ(g_messages.size(), row.messages.size());
        for (std::size_t m = 0; m < g_messages.size(); ++m) {
            EXPECT_EQ(g_messages[m].first, std::string("[CMvJavaCpp::CallStaticIntMethod] ") + row.messages[m].text);
            const std::size_t mark = std::min(trace.size(), g_messages[m].second - 1);  // the size counted the NUL
            EXPECT_THAT(trace.substr(0, mark), ::testing::AllOf(::testing::HasSubstr(row.messages[m].after), ::testing::Not(::testing::HasSubstr(row.messages[m].before))));
            EXPECT_THAT(trace.substr(mark), ::testing::HasSubstr(row.messages[m].before));
        }
    }
}

}  // namespace
}  // namespace mv::test
