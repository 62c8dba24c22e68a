// The object, class, handle, string and array members against a real JVM, grouped by behaviour:
// handles handed out, texts both ways, lookups and faults, checks made before any Java work,
// primitive and object arrays, and calls that must leave no reference behind.

#include <functional>
#include <vector>

#include <gmock/gmock.h>

#include "bridge_cases.h"
#include "common/com/safearray.h"
#include "common/com/variant.h"
#include "jvm/mv_java_cpp.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;
using Objects = BridgeCase;

TEST_F(Objects, EveryHandleHandedOutIsOneNewGlobalReferenceTheClientDeletes) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived");
    const struct { const char* name; std::function<HRESULT(UINT64*)> make; const wchar_t* className; } rows[] = {
        {"NewDefJavaObject dotted", [&](UINT64* h) { return bridge()->NewDefJavaObject(Bstr(L"fixtures.Derived").get(), h); }, L"fixtures.Derived"},
        {"NewDefJavaObject slashed", [&](UINT64* h) { return bridge()->NewDefJavaObject(Bstr(L"fixtures/Derived").get(), h); }, L"fixtures.Derived"},
        {"NewJavaString", [&](UINT64* h) { return bridge()->NewJavaString(Bstr(L"text").get(), h); }, L"java.lang.String"},
        {"NewJavaPrimitiveArray", [&](UINT64* h) { return bridge()->NewJavaPrimitiveArray(Int, 2, h); }, L"[I"},
        {"NewGlobalRef", [&](UINT64* h) { return bridge()->NewGlobalRef(derived, h); }, L"fixtures.Derived"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const MvJniProxyCounters before = Counters();
        UINT64 handle = 0;
        ASSERT_EQ(row.make(&handle), S_OK);
        EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 1);
        EXPECT_EQ(env()->GetObjectRefType(JObject(handle)), JNIGlobalRefType);
        unique_bstr name;
        EXPECT_EQ(bridge()->GetJavaClassName(handle, name.put()), S_OK);
        EXPECT_EQ(std::wstring(name.get()), row.className);
        VARIANT_BOOL same = 7;
        EXPECT_EQ(bridge()->IsSameJavaObject(handle, derived, &same), S_OK);
        EXPECT_EQ(same, std::string(row.name) == "NewGlobalRef" ? VARIANT_TRUE : VARIANT_FALSE);
        EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
        EXPECT_EQ(Counters().globalRefsDeleted - before.globalRefsDeleted, 1);
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
    EXPECT_EQ(env()->CallIntMethod(JObject(derived), MethodId(FindClass("fixtures/Derived"), "value", "()I")), 11) << "still usable";
    EXPECT_TRUE(NoException());
}

TEST_F(Objects, ClassNamesInstancesAndSameness) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), inner = NewObjectHandle("fixtures/Nesting$Inner");
    const std::pair<UINT64, const wchar_t*> names[] = {
        {derived, L"fixtures.Derived"}, {NewObjectHandle("fixtures/Nesting$Inner$Innermost"), L"fixtures.Nesting$Inner$Innermost"},
        {Handle(env()->NewIntArray(2)), L"[I"}, {Handle(env()->NewObjectArray(1, FindClass("java/lang/String"), nullptr)), L"[Ljava.lang.String;"},
        {Handle(FindClass("fixtures/Base")), L"java.lang.Class"}};
    for (const auto& [handle, expected] : names) {
        unique_bstr name;
        EXPECT_EQ(bridge()->GetJavaClassName(handle, name.put()), S_OK);
        EXPECT_EQ(std::wstring(name.get()), expected);
    }
    const std::tuple<UINT64, const wchar_t*, VARIANT_BOOL> instances[] = {
        {derived, L"fixtures.Derived", VARIANT_TRUE}, {derived, L"fixtures.Base", VARIANT_TRUE}, {derived, L"fixtures/Base", VARIANT_TRUE},
        {derived, L"java.lang.Object", VARIANT_TRUE}, {derived, L"java.lang.String", VARIANT_FALSE},
        {inner, L"fixtures.Nesting$Inner", VARIANT_TRUE}, {inner, L"fixtures.Nesting", VARIANT_FALSE}};
    for (const auto& [handle, className, expected] : instances) {
        VARIANT_BOOL is = 7;
        EXPECT_EQ(bridge()->IsInstanceOf(handle, Bstr(className).get(), &is), S_OK);
        EXPECT_EQ(is, expected) << ::testing::PrintToString(std::wstring(className));
    }
    const UINT64 again = Handle(JObject(derived));
    const std::tuple<UINT64, UINT64, VARIANT_BOOL> pairs[] = {
        {derived, again, VARIANT_TRUE}, {derived, inner, VARIANT_FALSE}, {0, 0, VARIANT_TRUE}, {derived, 0, VARIANT_FALSE}};
    for (const auto& [first, second, expected] : pairs) {
        VARIANT_BOOL same = 7;
        EXPECT_EQ(bridge()->IsSameJavaObject(first, second, &same), S_OK);
        EXPECT_EQ(same, expected) << first << " and " << second;
    }
    EXPECT_TRUE(NoException());
}

TEST_F(Objects, ObjectToStringAndGetClassByName) {
    unique_bstr text, mine(::SysAllocString(L"mine"));
    jclass base = FindClass("fixtures/Base");
    jobject integer = env()->CallStaticObjectMethod(base, StaticMethodId(base, "staticObjectResult", "()Ljava/lang/Object;"));
    ASSERT_TRUE(NoException());
    ASSERT_EQ(bridge()->ObjectToString(Handle(integer), text.put()), S_OK);
    EXPECT_EQ(std::wstring(text.get()), L"42");
    BSTR out = mine.get();  // a null toString() and a throwing one leave the output; the exception stays
    EXPECT_EQ(bridge()->ObjectToString(NewObjectHandle("fixtures/NullToString"), &out), S_OK);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(bridge()->ObjectToString(NewObjectHandle("fixtures/ThrowingToString"), &out), S_OK);
    EXPECT_TRUE(TakeException("java/lang/IllegalStateException"));
    EXPECT_EQ(out, mine.get());
    // GetClassByName hands out FindClass's local reference, valid in the caller's frame only.
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

// Texts cross unit by unit up to the first NUL, both ways, through every member that carries one.
TEST_F(Objects, TextsCrossUnitByUnitUpToTheFirstNul) {
    const UINT64 fields = NewObjectHandle("fixtures/Fields"), echo = NewObjectHandle("fixtures/Echo");
    const unique_bstr stringField = Bstr(L"stringField"), staticString = Bstr(L"staticString"), toString = Bstr(L"toString"),
                      textSig = Bstr(L"()Ljava/lang/String;"), echoSig = Bstr(L"(Ljava/lang/String;)Ljava/lang/String;");
    jclass fieldsClass = FindClass("fixtures/Fields");
    const jfieldID instanceId = FieldId(fieldsClass, "stringField", "Ljava/lang/String;"), staticId = StaticFieldId(fieldsClass, "staticString", "Ljava/lang/String;");
    const auto javaText = [&](jobject s) { return s ? UnitsOf(env(), s) : u"<null>"; };
    const struct { const char* name; std::function<std::u16string(BSTR)> toJava; } toJava[] = {
        {"SetStringField", [&](BSTR t) { EXPECT_EQ(bridge()->SetStringField(fields, stringField.get(), t), S_OK); return javaText(env()->GetObjectField(JObject(fields), instanceId)); }},
        {"SetStaticStringField", [&](BSTR t) { EXPECT_EQ(bridge()->SetStaticStringField(fields, staticString.get(), t), S_OK); return javaText(env()->GetStaticObjectField(fieldsClass, staticId)); }},
        {"NewJavaString", [&](BSTR t) { UINT64 h = 0; EXPECT_EQ(bridge()->NewJavaString(t, &h), S_OK); return std::get<std::u16string>(Observe(env(), S_OK, h)); }},
        {"a VT_BSTR argument", [&](BSTR t) {
             VARIANT arg = ArgOf(VT_BSTR);
             V_BSTR(&arg) = t ? ::SysAllocStringLen(t, ::SysStringLen(t)) : nullptr;
             UINT64 h = 0;
             EXPECT_EQ(bridge()->CallStaticObjectMethod(echo, Bstr(L"echoObject").get(), Bstr(L"(Ljava/lang/Object;)Ljava/lang/Object;").get(), ArgumentArray({arg}).get(), &h), S_OK);
             return std::get<std::u16string>(Observe(env(), S_OK, h)); }},
    };
    const std::pair<std::u16string, std::u16string> toJavaValues[] = {{kNonBmp, kNonBmp}, {std::u16string(u"a\0b", 3), u"a"}, {u"", u""}};
    for (const auto& path : toJava) {
        SCOPED_TRACE(path.name);
        LocalFrame frame(env(), 16);
        for (const auto& [given, arrives] : toJavaValues) EXPECT_EQ(path.toJava(unique_bstr(AllocUnits(given)).get()), arrives);
        EXPECT_EQ(path.toJava(nullptr), u"") << "a null BSTR";
    }
    const auto text = [&](HRESULT hr, BSTR* s) { EXPECT_EQ(hr, S_OK); return std::get<std::u16string>(Observe(env(), S_OK, *s)); };
    const struct { const char* name; std::function<std::u16string(jstring, UINT64)> fromJava; } fromJava[] = {
        {"GetStringField", [&](jstring s, UINT64) { BSTR t = nullptr; env()->SetObjectField(JObject(fields), instanceId, s); return text(bridge()->GetStringField(fields, stringField.get(), &t), &t); }},
        {"GetStaticStringField", [&](jstring s, UINT64) { BSTR t = nullptr; env()->SetStaticObjectField(fieldsClass, staticId, s); return text(bridge()->GetStaticStringField(fields, staticString.get(), &t), &t); }},
        {"GetJavaString", [&](jstring, UINT64 h) { BSTR t = nullptr; return text(bridge()->GetJavaString(h, &t), &t); }},
        {"ObjectToString", [&](jstring, UINT64 h) { BSTR t = nullptr; return text(bridge()->ObjectToString(h, &t), &t); }},
        {"CallStringMethod", [&](jstring, UINT64 h) { BSTR t = nullptr; return text(bridge()->CallStringMethod(h, toString.get(), textSig.get(), m_none, &t), &t); }},
        {"CallNonvirtualStringMethod", [&](jstring, UINT64 h) { BSTR t = nullptr; return text(bridge()->CallNonvirtualStringMethod(h, Bstr(L"java/lang/String").get(), toString.get(), textSig.get(), m_none, &t), &t); }},
        {"CallStaticStringMethod", [&](jstring, UINT64 h) { BSTR t = nullptr; return text(bridge()->CallStaticStringMethod(echo, Bstr(L"echoString").get(), echoSig.get(), ArgumentArray({ArgUI8(h)}).get(), &t), &t); }},
    };
    const std::pair<std::u16string, std::u16string> fromJavaValues[] = {{kNonBmp, kNonBmp}, {std::u16string(u"x\0y", 3), u"x"}, {u"", u""}};
    for (const auto& path : fromJava) {
        SCOPED_TRACE(path.name);
        for (const auto& [held, read] : fromJavaValues) {
            LocalFrame frame(env(), 8);
            jstring s = JavaString(env(), held);
            EXPECT_EQ(path.fromJava(s, Handle(s)), read);
        }
    }
    env()->CallStaticVoidMethod(fieldsClass, StaticMethodId(fieldsClass, "reset", "()V"));
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

// Failed lookups and refusals of the JVM: the result, the Java exception left pending (only
// where the member leaves it), the class name the JVM was asked for, and no reference left.
TEST_F(Objects, FailedLookupsAndJvmRefusals) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived"), fields = NewObjectHandle("fixtures/Fields"), echo = NewObjectHandle("fixtures/Echo");
    const UINT64 text = Handle(env()->NewStringUTF("text"));
    jclass arrays = FindClass("fixtures/ArrayFields"), fieldsClass = FindClass("fixtures/Fields");
    const UINT64 array = Handle(env()->GetStaticObjectField(arrays, StaticFieldId(arrays, "objects", "[Ljava/lang/Object;")));
    UINT64 h = Sentinel<UINT64>();
    LONG i = 0;
    VARIANT_BOOL b = 0;
    BSTR t = nullptr;
    unique_variant out;
    const auto O = [](const wchar_t* s) { return Bstr(s); };
    const struct { const char *name, *fault; std::function<HRESULT()> call; HRESULT hr; const char *pending, *asked; } rows[] = {
        {"NewDefJavaObject dotted", nullptr, [&] { HRESULT hr = bridge()->NewDefJavaObject(O(L"fixtures.Base").get(), &h); bridge()->DeleteJavaObject(h); return hr; }, S_OK, nullptr, "FindClass(\"fixtures/Base\")"},
        {"NewDefJavaObject no such class", nullptr, [&] { return bridge()->NewDefJavaObject(O(L"fixtures.NoSuchClass").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject no ()V", nullptr, [&] { return bridge()->NewDefJavaObject(O(L"fixtures.NoDefaultConstructor").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject throwing", nullptr, [&] { return bridge()->NewDefJavaObject(O(L"fixtures.Throwing").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject interface", nullptr, [&] { return bridge()->NewDefJavaObject(O(L"java.lang.Runnable").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject empty", nullptr, [&] { return bridge()->NewDefJavaObject(O(L"").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject null", nullptr, [&] { return bridge()->NewDefJavaObject(nullptr, &h); }, E_FAIL, nullptr, nullptr},
        {"IsInstanceOf dotted", nullptr, [&] { return bridge()->IsInstanceOf(derived, O(L"fixtures.Base").get(), &b); }, S_OK, nullptr, "FindClass(\"fixtures/Base\")"},
        {"IsInstanceOf no such class", nullptr, [&] { return bridge()->IsInstanceOf(derived, O(L"fixtures.NoSuchClass").get(), &b); }, E_FAIL, nullptr, nullptr},
        {"IsInstanceOf null", nullptr, [&] { return bridge()->IsInstanceOf(derived, nullptr, &b); }, E_FAIL, nullptr, nullptr},
        {"CallNonvirtualIntMethod dotted", nullptr, [&] { return bridge()->CallNonvirtualIntMethod(derived, O(L"fixtures.Base").get(), O(L"intResult").get(), O(L"()I").get(), m_none, &i); }, S_OK, nullptr, "FindClass(\"fixtures/Base\")"},
        {"CallNonvirtualIntMethod of the object's own class", nullptr, [&] { HRESULT hr = bridge()->CallNonvirtualIntMethod(derived, O(L"fixtures.Derived").get(), O(L"intResult").get(), O(L"()I").get(), m_none, &i); EXPECT_EQ(i, 600000); return hr; }, S_OK, nullptr, nullptr},
        {"CallNonvirtualIntMethod null", nullptr, [&] { return bridge()->CallNonvirtualIntMethod(derived, nullptr, O(L"intResult").get(), O(L"()I").get(), m_none, &i); }, E_FAIL, "java/lang/NoClassDefFoundError", nullptr},
        {"CallNonvirtualStringMethod dotted", nullptr, [&] { return bridge()->CallNonvirtualStringMethod(derived, O(L"fixtures.Base").get(), O(L"stringResult").get(), O(L"()Ljava/lang/String;").get(), m_none, &t); }, E_FAIL, "java/lang/NoClassDefFoundError", "FindClass(\"fixtures.Base\")"},
        {"GetClassByName dotted", nullptr, [&] { return bridge()->GetClassByName(O(L"fixtures.Base").get(), &h); }, E_FAIL, "java/lang/NoClassDefFoundError", "FindClass(\"fixtures.Base\")"},
        {"GetClassByName null", nullptr, [&] { return bridge()->GetClassByName(nullptr, &h); }, E_FAIL, nullptr, nullptr},
        {"GetObjectField malformed signature", nullptr, [&] { return bridge()->GetObjectField(fields, O(L"objectField").get(), O(L"java/lang/Object").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"GetObjectField null signature", nullptr, [&] { return bridge()->GetObjectField(fields, O(L"objectField").get(), nullptr, &h); }, E_FAIL, nullptr, nullptr},
        {"static String field inherited by a subclass", nullptr, [&] {
             unique_bstr s;
             EXPECT_EQ(bridge()->SetStaticStringField(derived, O(L"lastVoidCall").get(), O(L"through Derived").get()), S_OK);
             const HRESULT hr = bridge()->GetStaticStringField(derived, O(L"lastVoidCall").get(), s.put());
             EXPECT_EQ(UnitsOf(s.get()), u"through Derived");
             EXPECT_EQ(bridge()->SetStaticStringField(derived, O(L"lastVoidCall").get(), O(L"").get()), S_OK);
             return hr; }, S_OK, nullptr, nullptr},
        {"GetStaticIntField", "GetStaticFieldID", [&] { return bridge()->GetStaticIntField(fields, O(L"staticInt").get(), &i); }, E_FAIL, nullptr, nullptr},
        {"GetObjectField", "NewGlobalRef", [&] { return bridge()->GetObjectField(fields, O(L"objectField").get(), O(L"Ljava/lang/Object;").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"SetObjectField", "NewGlobalRef", [&] { return bridge()->SetObjectField(fields, O(L"objectField").get(), O(L"Ljava/lang/Object;").get(), text); }, E_FAIL, nullptr, nullptr},
        {"SetStringField", "NewString", [&] { return bridge()->SetStringField(fields, O(L"stringField").get(), O(L"never").get()); }, E_FAIL, nullptr, nullptr},
        {"GetStringField", "GetStringChars", [&] { unique_bstr s; HRESULT hr = bridge()->GetStringField(fields, O(L"stringField").get(), s.put()); EXPECT_EQ(UnitsOf(s.get()), u""); return hr; }, S_OK, "java/lang/OutOfMemoryError", nullptr},
        {"CallIntMethod", "GetMethodID", [&] { return bridge()->CallIntMethod(derived, O(L"intResult").get(), O(L"()I").get(), m_none, &i); }, E_FAIL, nullptr, nullptr},
        {"CallNonvirtualIntMethod", "FindClass", [&] { return bridge()->CallNonvirtualIntMethod(derived, O(L"fixtures.Base").get(), O(L"intResult").get(), O(L"()I").get(), m_none, &i); }, E_FAIL, "java/lang/NoClassDefFoundError", nullptr},
        {"a VT_BSTR argument", "NewString", [&] { return bridge()->CallStaticStringMethod(echo, O(L"echoString").get(), O(L"(Ljava/lang/String;)Ljava/lang/String;").get(), ArgumentArray({ArgBstr(L"x")}).get(), &t); }, E_FAIL, nullptr, nullptr},
        {"CallStaticObjectMethod", "NewGlobalRef", [&] { return bridge()->CallStaticObjectMethod(echo, O(L"echoObject").get(), O(L"(Ljava/lang/Object;)Ljava/lang/Object;").get(), ArgumentArray({ArgUI8(text)}).get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject", "FindClass", [&] { return bridge()->NewDefJavaObject(O(L"fixtures.Base").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject", "GetMethodID", [&] { return bridge()->NewDefJavaObject(O(L"fixtures.Base").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject", "NewObject", [&] { return bridge()->NewDefJavaObject(O(L"fixtures.Base").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewDefJavaObject", "NewGlobalRef", [&] { return bridge()->NewDefJavaObject(O(L"fixtures.Base").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"IsInstanceOf", "FindClass", [&] { return bridge()->IsInstanceOf(derived, O(L"fixtures.Base").get(), &b); }, E_FAIL, nullptr, nullptr},
        {"ObjectToString", "GetMethodID", [&] { return bridge()->ObjectToString(derived, &t); }, E_FAIL, nullptr, nullptr},
        {"ObjectToString", "GetStringChars", [&] { unique_bstr s; HRESULT hr = bridge()->ObjectToString(text, s.put()); EXPECT_EQ(UnitsOf(s.get()), u""); return hr; }, S_OK, "java/lang/OutOfMemoryError", nullptr},
        {"GetJavaClassName", "GetMethodID", [&] { return bridge()->GetJavaClassName(derived, &t); }, E_FAIL, nullptr, nullptr},
        {"GetJavaString", "GetStringChars", [&] { return bridge()->GetJavaString(text, &t); }, E_FAIL, "java/lang/OutOfMemoryError", nullptr},
        {"NewJavaString", "NewString", [&] { return bridge()->NewJavaString(O(L"x").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewJavaString", "NewGlobalRef", [&] { return bridge()->NewJavaString(O(L"x").get(), &h); }, E_FAIL, nullptr, nullptr},
        {"NewGlobalRef", "NewGlobalRef", [&] { HRESULT hr = bridge()->NewGlobalRef(derived, &h); EXPECT_EQ(h, 0u) << "zero on failure"; h = Sentinel<UINT64>(); return hr; }, E_FAIL, nullptr, nullptr},
        {"NewJavaPrimitiveArray", "NewGlobalRef", [&] { return bridge()->NewJavaPrimitiveArray(Int, 3, &h); }, E_FAIL, nullptr, nullptr},
        {"NewJavaPrimitiveArray negative size", nullptr, [&] { return bridge()->NewJavaPrimitiveArray(Int, -1, &h); }, E_FAIL, nullptr, nullptr},
        {"GetJavaObjectArray", "NewGlobalRef", [&] { return bridge()->GetJavaObjectArray(array, out.get_mutable()); }, E_FAIL, nullptr, nullptr},
        {"GetJavaObjectArray", "FindClass", [&] { return bridge()->GetJavaObjectArray(array, out.get_mutable()); }, E_FAIL, nullptr, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.name << (row.fault ? " with a failing " : "") << (row.fault ? row.fault : ""));
        LocalFrame frame(env(), 16);
        if (row.fault) { ASSERT_EQ(MvJniProxy_FailNext(row.fault, 1), 1); }
        MvJniProxy_ClearTrace();
        h = Sentinel<UINT64>();
        EXPECT_EQ(row.call(), row.hr);
        if (row.pending) { EXPECT_TRUE(TakeException(row.pending)); }
        EXPECT_TRUE(NoException());
        if (row.asked) { EXPECT_THAT(ReadTrace(), HasSubstr(row.asked)); }
        if (row.hr != S_OK) { EXPECT_EQ(h, Sentinel<UINT64>()) << "a handle was written"; }
        EXPECT_EQ(out.type(), VT_EMPTY);
        EXPECT_EQ(LiveGlobalRefs(), 0);
        MvJniProxy_ClearFaults();
    }
    EXPECT_EQ(UnitsOf(env(), env()->GetObjectField(JObject(fields), FieldId(fieldsClass, "objectField", "Ljava/lang/Object;"))), u"instance object");
    EXPECT_EQ(UnitsOf(env(), env()->GetObjectField(JObject(fields), FieldId(fieldsClass, "stringField", "Ljava/lang/String;"))), u"instance string");
}

// Null outputs, zero handles, null names and a main object without a saved JVM are refused
// before any JNI call.
TEST_F(Objects, RefusedBeforeAnyJavaWork) {
    com_ptr<IMvJavaCpp> fresh;
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, fresh.put_void()), S_OK);
    IMvJavaCpp& f = *fresh.get();
    const auto AllFail = [](std::initializer_list<HRESULT> results) {
        for (HRESULT hr : results) { if (hr != E_FAIL) return hr; }
        return E_FAIL;
    };
    const UINT64 object = NewObjectHandle("fixtures/Base");
    const unique_bstr name = Bstr(L"fixtures.Base"), method = Bstr(L"intResult"), sig = Bstr(L"()I");
    BSTR t = nullptr;
    VARIANT_BOOL b = 7;
    LONG i = 17;
    UINT64 h = Sentinel<UINT64>();
    unique_variant out;
    const unique_safearray ints(::SafeArrayCreateVector(VT_I4, 0, 2));
    VARIANT intArray = ArgOf(VT_ARRAY | VT_I4);
    V_ARRAY(&intArray) = ints.get();
    const struct { const char* name; std::function<HRESULT()> call; HRESULT hr; } rows[] = {
        {"GetClassByName null output", [&] { return bridge()->GetClassByName(name.get(), nullptr); }, E_INVALIDARG},
        {"NewGlobalRef null output", [&] { return bridge()->NewGlobalRef(object, nullptr); }, E_INVALIDARG},
        {"NewGlobalRef zero", [&] { return bridge()->NewGlobalRef(0, &h); }, E_INVALIDARG},
        {"NewDefJavaObject null output", [&] { return bridge()->NewDefJavaObject(name.get(), nullptr); }, E_POINTER},
        {"ObjectToString null output", [&] { return bridge()->ObjectToString(object, nullptr); }, E_POINTER},
        {"GetJavaClassName null output", [&] { return bridge()->GetJavaClassName(object, nullptr); }, E_POINTER},
        {"IsSameJavaObject null output", [&] { return bridge()->IsSameJavaObject(object, object, nullptr); }, E_POINTER},
        {"IsInstanceOf null output", [&] { return bridge()->IsInstanceOf(object, name.get(), nullptr); }, E_POINTER},
        {"NewJavaString null output", [&] { return bridge()->NewJavaString(name.get(), nullptr); }, E_POINTER},
        {"GetJavaString null output", [&] { return bridge()->GetJavaString(object, nullptr); }, E_POINTER},
        {"NewJavaPrimitiveArray null output", [&] { return bridge()->NewJavaPrimitiveArray(Int, 2, nullptr); }, E_POINTER},
        {"GetJavaPrimitiveArray null output", [&] { return bridge()->GetJavaPrimitiveArray(object, Int, nullptr); }, E_POINTER},
        {"GetJavaObjectArray null output", [&] { return bridge()->GetJavaObjectArray(object, nullptr); }, E_POINTER},
        {"GetJavaArrayLength null output", [&] { return bridge()->GetJavaArrayLength(object, nullptr); }, E_POINTER},
        {"GetIntField null output", [&] { return bridge()->GetIntField(object, method.get(), nullptr); }, E_POINTER},
        {"GetStaticIntField null output before the zero handle", [&] { return bridge()->GetStaticIntField(0, method.get(), nullptr); }, E_POINTER},
        {"CallIntMethod null output", [&] { return bridge()->CallIntMethod(object, method.get(), sig.get(), m_none, nullptr); }, E_POINTER},
        {"CallStaticStringMethod null output before the zero handle", [&] { return bridge()->CallStaticStringMethod(0, method.get(), sig.get(), m_none, nullptr); }, E_POINTER},
        {"ObjectToString zero", [&] { return bridge()->ObjectToString(0, &t); }, E_FAIL},
        {"GetJavaClassName zero", [&] { return bridge()->GetJavaClassName(0, &t); }, E_FAIL},
        {"IsInstanceOf zero", [&] { return bridge()->IsInstanceOf(0, name.get(), &b); }, E_FAIL},
        {"DeleteJavaObject zero", [&] { return bridge()->DeleteJavaObject(0); }, E_FAIL},
        {"GetJavaString zero", [&] { return bridge()->GetJavaString(0, &t); }, E_FAIL},
        {"SetJavaPrimitiveArray zero", [&] { return bridge()->SetJavaPrimitiveArray(0, Int, intArray); }, E_FAIL},
        {"GetJavaPrimitiveArray zero", [&] { return bridge()->GetJavaPrimitiveArray(0, Int, out.get_mutable()); }, E_FAIL},
        {"GetJavaObjectArray zero", [&] { return bridge()->GetJavaObjectArray(0, out.get_mutable()); }, E_FAIL},
        {"GetJavaArrayLength zero", [&] { return bridge()->GetJavaArrayLength(0, &i); }, E_FAIL},
        {"CallVoidMethod zero", [&] { return bridge()->CallVoidMethod(0, method.get(), sig.get(), m_none); }, E_FAIL},
        {"CallNonvirtualVoidMethod zero", [&] { return bridge()->CallNonvirtualVoidMethod(0, name.get(), method.get(), sig.get(), m_none); }, E_FAIL},
        {"GetIntField null name", [&] { return bridge()->GetIntField(object, nullptr, &i); }, E_FAIL},
        {"SetDoubleField null name", [&] { return bridge()->SetDoubleField(object, nullptr, 1.0); }, E_FAIL},
        {"CallIntMethod null name", [&] { return bridge()->CallIntMethod(object, nullptr, sig.get(), m_none, &i); }, E_FAIL},
        {"CallStaticVoidMethod null signature", [&] { return bridge()->CallStaticVoidMethod(object, method.get(), nullptr, m_none); }, E_FAIL},
        {"CallNonvirtualStringMethod null class", [&] { return bridge()->CallNonvirtualStringMethod(object, nullptr, method.get(), sig.get(), m_none, &t); }, E_FAIL},
        {"no JVM: objects", [&] { return AllFail({f.NewDefJavaObject(name.get(), &h), f.GetClassByName(name.get(), &h), f.ObjectToString(object, &t), f.GetJavaClassName(object, &t)}); }, E_FAIL},
        {"no JVM: classes", [&] { return AllFail({f.IsSameJavaObject(object, object, &b), f.IsInstanceOf(object, name.get(), &b), f.NewGlobalRef(object, &h), f.DeleteJavaObject(object)}); }, E_FAIL},
        {"no JVM: strings", [&] { return AllFail({f.NewJavaString(name.get(), &h), f.GetJavaString(object, &t), f.NewJavaPrimitiveArray(Int, 2, &h), f.SetJavaPrimitiveArray(object, Int, intArray)}); }, E_FAIL},
        {"no JVM: arrays", [&] { return AllFail({f.GetJavaPrimitiveArray(object, Int, out.get_mutable()), f.GetJavaObjectArray(object, out.get_mutable()), f.GetJavaArrayLength(object, &i)}); }, E_FAIL},
        {"no JVM: fields and methods", [&] { return AllFail({f.GetIntField(object, name.get(), &i), f.SetStaticIntField(object, name.get(), 1), f.CallIntMethod(object, method.get(), sig.get(), m_none, &i)}); }, E_FAIL},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const long long calls = Counters().calls;
        EXPECT_EQ(row.call(), row.hr);
        EXPECT_EQ(Counters().calls, calls) << "a JNI call was made";
    }
    EXPECT_TRUE(t == nullptr && b == 7 && i == 17 && h == Sentinel<UINT64>() && out.type() == VT_EMPTY) << "an output was written";
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
    for (std::size_t n = 0; n < bits.size(); ++n) std::memcpy(&bits[n], static_cast<const char*>(lock.data()) + n * size, size);
    return bits;
}
unique_safearray SafeArrayOf(VARTYPE vt, const std::vector<std::uint64_t>& bits, LONG lower) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(bits.size()), lower};
    unique_safearray array(::SafeArrayCreate(vt, 1, &bound));
    const UINT size = ::SafeArrayGetElemsize(array.get());
    const safearray_lock lock(array.get());
    for (std::size_t n = 0; n < bits.size(); ++n) std::memcpy(static_cast<char*>(lock.data()) + n * size, &bits[n], size);
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
        {"Long", Long, VT_I8, VT_I8, {1ull << 63, 1ull << 40, ~0ull >> 1}, {1ull << 63, 1ull << 40, ~0ull >> 1},
         "[-9223372036854775808, 1099511627776, 9223372036854775807]"},
        {"Float", Float, VT_R4, VT_R4, {BitsOf(-8.25f), BitsOf(FLT_MIN), 0x80000000}, {BitsOf(-8.25f), BitsOf(FLT_MIN), 0x80000000}, "[-8.25, 1.17549435E-38, -0.0]"},
        {"Double", Double, VT_R8, VT_R8, {BitsOf(1e300), BitsOf(DBL_MIN), 1ull << 63}, {BitsOf(1e300), BitsOf(DBL_MIN), 1ull << 63},
         "[1.0E300, 2.2250738585072014E-308, -0.0]"},
    };
    for (std::size_t n = 0; n < std::size(rows); ++n) {
        const auto& row = rows[n];
        const auto& other = rows[(n + 1) % std::size(rows)];
        SCOPED_TRACE(row.name);
        LocalFrame frame(env(), 8);
        const auto javaText = [&](UINT64 array) {  // java.util.Arrays.toString of the Java array
            jclass arrays = FindClass("java/util/Arrays");
            const std::string sig = std::string("([") + std::string(&"ZBCSIJFD"[row.type], 1) + ")Ljava/lang/String;";
            jobject s = env()->CallStaticObjectMethod(arrays, StaticMethodId(arrays, "toString", sig.c_str()), JObject(array));
            return NoException() ? Utf(env(), static_cast<jstring>(s)) : "<threw>";
        };
        UINT64 array = 0;
        ASSERT_EQ(bridge()->NewJavaPrimitiveArray(row.type, 3, &array), S_OK);
        unique_variant read;
        ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, row.type, read.get_mutable()), S_OK);
        EXPECT_EQ(ElementsOf(read.get(), row.out), std::vector<std::uint64_t>(3, 0)) << "a new array holds zeros";
        const unique_safearray values = SafeArrayOf(row.in, row.given, 5), longer = SafeArrayOf(row.in, {row.given[0], row.given[1], row.given[2], 1}, 0);
        EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, values.get())), S_OK);
        EXPECT_EQ(javaText(array), row.java);
        EXPECT_EQ(bridge()->GetJavaPrimitiveArray(array, row.type, read.get_mutable()), S_OK);
        EXPECT_EQ(ElementsOf(read.get(), row.out), row.back);
        EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, longer.get())), S_OK) << "elements beyond Java's length are ignored";
        // Refused, leaving Java's array and the output unchanged: too few elements, another VARIANT
        // type, another element type than the Java array's.
        const unique_safearray shorter = SafeArrayOf(row.in, {1, 1}, 5), others = SafeArrayOf(other.in, {1, 1, 1}, 0);
        EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, row.type, Borrowed(row.in, shorter.get())), E_FAIL);
        EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, row.type, Borrowed(other.in, others.get())), E_FAIL);
        EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, other.type, Borrowed(other.in, others.get())), E_FAIL);
        EXPECT_EQ(bridge()->GetJavaPrimitiveArray(array, other.type, read.get_mutable()), E_FAIL);
        EXPECT_EQ(ElementsOf(read.get(), row.out), row.back);
        EXPECT_EQ(javaText(array), row.java);
        LONG length = 0;
        EXPECT_EQ(bridge()->GetJavaArrayLength(array, &length), S_OK);
        EXPECT_EQ(length, 3);
        EXPECT_EQ(bridge()->DeleteJavaObject(array), S_OK);
        ASSERT_EQ(MvJniProxy_FailNext(("New" + std::string(row.name) + "Array").c_str(), 1), 1);
        EXPECT_EQ(bridge()->NewJavaPrimitiveArray(row.type, 3, &array), E_FAIL);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

TEST_F(Objects, PrimitiveArrayEdges) {
    const unique_safearray ints = SafeArrayOf(VT_I4, {7, 8, 9}, 0), shorts = SafeArrayOf(VT_I2, {7, 8, 9}, 0), none = SafeArrayOf(VT_R8, {}, 0);
    UINT64 array = 0, h = Sentinel<UINT64>();
    ASSERT_EQ(bridge()->NewJavaPrimitiveArray(Int, 3, &array), S_OK);
    SAFEARRAY* byReference = ints.get();
    VARIANT viaReference = ArgOf(VT_BYREF | VT_ARRAY | VT_I4);
    V_ARRAYREF(&viaReference) = &byReference;
    unique_variant out;
    V_VT(out.get_mutable()) = VT_I4, V_I4(out.get_mutable()) = 12345;
    for (JavaTypes type : {static_cast<JavaTypes>(8), static_cast<JavaTypes>(-1)}) {  // no such element type
        EXPECT_EQ(bridge()->NewJavaPrimitiveArray(type, 3, &h), E_FAIL);
        EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, type, Borrowed(VT_I4, ints.get())), E_FAIL);
        EXPECT_EQ(bridge()->GetJavaPrimitiveArray(array, type, out.get_mutable()), E_FAIL);
    }
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, viaReference), E_FAIL);
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, Borrowed(VT_I4, shorts.get())), E_FAIL) << "a VT_I4 label on 16-bit elements";
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, Borrowed(VT_I4, nullptr)), E_INVALIDARG) << "no SAFEARRAY: the bounds query's answer";
    EXPECT_TRUE(h == Sentinel<UINT64>() && out.type() == VT_I4 && V_I4(&out.get()) == 12345) << "an output was written";
    V_VT(out.get_mutable()) = VT_BSTR, V_BSTR(out.get_mutable()) = ::SysAllocString(L"cleared on success");
    ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, Int, out.get_mutable()), S_OK);
    EXPECT_EQ(ElementsOf(out.get(), VT_I4), std::vector<std::uint64_t>(3, 0)) << "the refused writes wrote";
    ASSERT_EQ(bridge()->NewJavaPrimitiveArray(Double, 0, &h), S_OK);  // an empty array both ways
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(h, Double, Borrowed(VT_R8, none.get())), S_OK);
    EXPECT_EQ(bridge()->GetJavaPrimitiveArray(h, Double, out.get_mutable()), S_OK);
    EXPECT_EQ(ElementsOf(out.get(), VT_R8), std::vector<std::uint64_t>{});
    LONG length = -1;
    EXPECT_EQ(bridge()->GetJavaArrayLength(h, &length), S_OK);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(bridge()->DeleteJavaObject(h), S_OK);
    EXPECT_EQ(bridge()->DeleteJavaObject(array), S_OK);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Objects, ObjectArraysGiveOneNewHandlePerElement) {
    jclass fields = FindClass("fixtures/ArrayFields"), object = FindClass("java/lang/Object");
    const auto field = [&](const char* name, const char* sig) { return Handle(env()->GetStaticObjectField(fields, StaticFieldId(fields, name, sig))); };
    const struct { const char* name; UINT64 array; std::vector<std::u16string> texts; long long made; bool fails; } rows[] = {
        {"Object[]", field("objects", "[Ljava/lang/Object;"), {u"first", u"2"}, 2, false}, {"String[]", field("strings", "[Ljava/lang/String;"), {u"x", u"y", u"z"}, 3, false},
        {"empty", Handle(env()->NewObjectArray(0, object, nullptr)), {}, 0, false}, {"a null element", field("objectsWithNull", "[Ljava/lang/Object;"), {}, 1, true},
        {"int[]", field("ints", "[I"), {}, 0, true}, {"no array", NewObjectHandle("fixtures/Base"), {}, 0, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        unique_variant out;
        V_VT(out.get_mutable()) = VT_I4, V_I4(out.get_mutable()) = 12345;
        const MvJniProxyCounters before = Counters();
        const bool fails = row.fails;
        EXPECT_EQ(bridge()->GetJavaObjectArray(row.array, out.get_mutable()), fails ? E_FAIL : S_OK);
        EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, row.made);
        if (fails) { EXPECT_TRUE(out.type() == VT_I4 && V_I4(&out.get()) == 12345) << "output written"; }
        std::vector<std::u16string> texts;
        for (std::uint64_t handle : fails ? std::vector<std::uint64_t>{} : ElementsOf(out.get(), VT_UI8))
            texts.push_back(std::get<std::u16string>(Observe(env(), S_OK, UINT64{handle})));
        EXPECT_EQ(texts, fails ? std::vector<std::u16string>{} : row.texts);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0) << "every handle made is the client's, or taken back on failure";
    }
}

// A member that left a local reference behind per call would exceed the frame's capacity of 64,
// which the JVM reports (a failure of the fixture); and no global reference stays. (The field and
// method tables make hundreds of calls in one frame too.)
TEST_F(Objects, RepeatedCallsLeaveNoReferenceBehind) {
    const unique_bstr cls = Bstr(L"fixtures.Derived"), text = Bstr(L"text \U0001F600");
    const unique_safearray ints = SafeArrayOf(VT_I4, {1, 2, 3}, 0);
    jclass arrays = FindClass("fixtures/ArrayFields");
    const UINT64 objects = Handle(env()->GetStaticObjectField(arrays, StaticFieldId(arrays, "objects", "[Ljava/lang/Object;")));
    for (int n = 0; n < 70; ++n) {
        UINT64 object = 0, copy = 0, string = 0, array = 0;
        unique_bstr out;
        VARIANT_BOOL flag = 0;
        LONG i = 0;
        unique_variant values, elements;
        ASSERT_TRUE(bridge()->NewDefJavaObject(cls.get(), &object) == S_OK && bridge()->ObjectToString(object, out.put()) == S_OK &&
                    bridge()->GetJavaClassName(object, out.put()) == S_OK && bridge()->IsInstanceOf(object, cls.get(), &flag) == S_OK &&
                    bridge()->NewGlobalRef(object, &copy) == S_OK && bridge()->IsSameJavaObject(object, copy, &flag) == S_OK &&
                    bridge()->NewJavaString(text.get(), &string) == S_OK && bridge()->GetJavaString(string, out.put()) == S_OK &&
                    bridge()->NewJavaPrimitiveArray(Int, 3, &array) == S_OK && bridge()->SetJavaPrimitiveArray(array, Int, Borrowed(VT_I4, ints.get())) == S_OK &&
                    bridge()->GetJavaPrimitiveArray(array, Int, values.get_mutable()) == S_OK && bridge()->GetJavaArrayLength(array, &i) == S_OK &&
                    bridge()->GetJavaObjectArray(objects, elements.get_mutable()) == S_OK) << "call " << n;
        for (std::uint64_t element : ElementsOf(elements.get(), VT_UI8)) ASSERT_EQ(bridge()->DeleteJavaObject(element), S_OK);
        for (UINT64 handle : {object, copy, string, array}) ASSERT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
    EXPECT_TRUE(NoException());
}

}  // namespace
}  // namespace mv::test
