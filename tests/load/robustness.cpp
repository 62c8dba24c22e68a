#include "robustness.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "components.h"
#include "variant_values.h"

namespace mv::test {

bool Out::Untouched() const {
    return !z && !b && !c && !s && !i && !j && f == 0 && d == 0 && !l && !text && v->type() == VT_EMPTY && !object;
}

namespace {
using J = IMvJavaCpp;
BSTR B(const unique_bstr& text) { return text.get(); }
// The members, by kind; `a` the arguments, `r` the outputs.
#define MV_M(name, kind, zero, ...) {#name, kind, [](J* j, const In& a, Out& r) -> HRESULT { (void)a; (void)r; return j->__VA_ARGS__; }, zero}
#define MV_GET(n, o) MV_M(n, kField | kHandle | kJava, E_FAIL, n(a.object, B(Bstr(a.name)), &r.o))
#define MV_SET(n, T) MV_M(n, kField | kHandle | kJava, E_FAIL, n(a.object, B(Bstr(a.name)), static_cast<T>(a.value)))
#define MV_CALL(n, ...) MV_M(n, kCall | kSignature | kHandle | kJava, E_FAIL, n(a.object, B(Bstr(a.name)), B(Bstr(a.sig)), a.params __VA_ARGS__))
#define MV_NV(n, ...) MV_M(n, kCall | kNonvirtual | kSignature | kHandle | kJava, E_FAIL, n(a.object, B(Bstr(a.super)), B(Bstr(a.name)), B(Bstr(a.sig)), a.params __VA_ARGS__))
#define MV_CALLS(M, P) M(P##VoidMethod, ), M(P##BooleanMethod, , &r.z), M(P##ByteMethod, , &r.b), M(P##CharMethod, , &r.c), \
    M(P##ShortMethod, , &r.s), M(P##IntMethod, , &r.i), M(P##LongMethod, , &r.j), M(P##FloatMethod, , &r.f),            \
    M(P##DoubleMethod, , &r.d), M(P##ObjectMethod, , &r.l), M(P##StringMethod, , r.text.put())
#define MV_FIELDS(P)                                                                                            \
    MV_GET(Get##P##BooleanField, z), MV_GET(Get##P##ByteField, b), MV_GET(Get##P##CharField, c),              \
    MV_GET(Get##P##ShortField, s), MV_GET(Get##P##IntField, i), MV_GET(Get##P##LongField, j),                 \
    MV_GET(Get##P##FloatField, f), MV_GET(Get##P##DoubleField, d), MV_SET(Set##P##ByteField, BYTE),           \
    MV_SET(Set##P##CharField, USHORT), MV_SET(Set##P##ShortField, SHORT), MV_SET(Set##P##IntField, LONG),     \
    MV_SET(Set##P##LongField, LONGLONG), MV_SET(Set##P##FloatField, float), MV_SET(Set##P##DoubleField, double), \
    MV_M(Get##P##StringField, kField | kHandle | kJava, E_FAIL, Get##P##StringField(a.object, B(Bstr(a.name)), r.text.put())), \
    MV_M(Set##P##StringField, kField | kHandle | kJava, E_FAIL, Set##P##StringField(a.object, B(Bstr(a.name)), B(Bstr(a.text)))), \
    MV_M(Get##P##ObjectField, kField | kSignature | kHandle | kJava, E_FAIL, Get##P##ObjectField(a.object, B(Bstr(a.name)), B(Bstr(a.sig)), &r.l)), \
    MV_M(Set##P##ObjectField, kField | kSignature | kHandle | kJava, E_FAIL, Set##P##ObjectField(a.object, B(Bstr(a.name)), B(Bstr(a.sig)), a.value))
constexpr unsigned kH = kHandle | kJava;

const std::vector<Member> kMembers = {
    MV_FIELDS(), MV_FIELDS(Static),
    MV_SET(SetBooleanField, VARIANT_BOOL), MV_SET(SetStaticBoolenField, VARIANT_BOOL),
    MV_CALLS(MV_CALL, Call), MV_CALLS(MV_CALL, CallStatic), MV_CALLS(MV_NV, CallNonvirtual),
    MV_M(NewDefJavaObject, kJava, E_FAIL, NewDefJavaObject(B(Bstr(a.name)), &r.l)),
    MV_M(ObjectToString, kH, E_FAIL, ObjectToString(a.object, r.text.put())),
    MV_M(GetJavaClassName, kH, E_FAIL, GetJavaClassName(a.object, r.text.put())),
    MV_M(DeleteJavaObject, kH, E_FAIL, DeleteJavaObject(a.object)),
    MV_M(IsSameJavaObject, kH, S_OK, IsSameJavaObject(a.object, a.value, &r.z)),
    MV_M(IsInstanceOf, kH, E_FAIL, IsInstanceOf(a.object, B(Bstr(a.name)), &r.z)),
    MV_M(NewJavaPrimitiveArray, kJava, E_FAIL, NewJavaPrimitiveArray(static_cast<JavaTypes>(a.type), a.length, &r.l)),
    MV_M(SetJavaPrimitiveArray, kH, E_FAIL, SetJavaPrimitiveArray(a.object, static_cast<JavaTypes>(a.type), a.params)),
    MV_M(GetJavaPrimitiveArray, kH, E_FAIL, GetJavaPrimitiveArray(a.object, static_cast<JavaTypes>(a.type), r.v->put())),
    MV_M(GetJavaObjectArray, kH, E_FAIL, GetJavaObjectArray(a.object, r.v->put())),
    MV_M(GetJavaArrayLength, kH, E_FAIL, GetJavaArrayLength(a.object, &r.i)),
    MV_M(GetJavaString, kH, E_FAIL, GetJavaString(a.object, r.text.put())),
    MV_M(NewJavaString, kJava, E_FAIL, NewJavaString(B(Bstr(a.text)), &r.l)),
    MV_M(GetClassByName, kJava, E_FAIL, GetClassByName(B(Bstr(a.name)), &r.l)),
    MV_M(NewGlobalRef, kH, E_INVALIDARG, NewGlobalRef(a.object, &r.l)),
    MV_M(MakeJComponentFromHandle, kH, E_INVALIDARG, MakeJComponentFromHandle(a.object, r.object.put())),
    MV_M(GetMorvaneAWTHook, kJava, E_FAIL, GetMorvaneAWTHook(&r.l)),
    MV_M(GetJVMVersion, kJava, E_FAIL, GetJVMVersion(&r.i)),
    MV_M(AddAWTEventListener, kJava, E_FAIL, AddAWTEventListener(a.type)),
    MV_M(RemoveAWTEventListener, kJava, E_FAIL, RemoveAWTEventListener(a.type)),
    {"GetAllTopLevelComponents", kJava, [](J* j, const In&, Out& r) {
         SAFEARRAY* list = nullptr;
         const HRESULT hr = j->GetAllTopLevelComponents(&list);
         if (list) V_VT(r.v->put()) = VT_ARRAY | VT_DISPATCH, V_ARRAY(r.v->get_mutable()) = list;
         return hr; }, E_FAIL},
    {"GetComponentFromHwnd", 0, [](J* j, const In& a, Out& r) {
         return j->GetComponentFromHwnd(static_cast<ULONG>(a.type), &r.info, r.object.put()); }, E_FAIL},
};
}  // namespace

const std::vector<Member>& Members() { return kMembers; }

const Member& MemberNamed(const std::string& name) {
    for (const Member& m : kMembers)
        if (name == m.name) return m;
    throw std::invalid_argument("no member " + name);
}

Out Checker::Call(const std::string& member, const In& in, HRESULT expected, const std::string& what) {
    Out r;
    r.hr = MemberNamed(member).call(m_jvm, in, r);
    ++calls;
    ++tally[member][r.hr];
    char code[64];
    std::snprintf(code, sizeof code, " answered 0x%08lX, not 0x%08lX", static_cast<unsigned long>(r.hr),
                  static_cast<unsigned long>(expected));
    Check(expected == kNotOk ? r.hr != S_OK : r.hr == expected, member + code + " " + what);
    if (FAILED(r.hr)) Check(r.Untouched(), member + " wrote an output on failure " + what);
    if (member != "GetClassByName") Keep(r.l);  // GetClassByName hands out a local reference
    return r;
}

bool Checker::Check(bool ok, const std::string& what) {
    if (ok) return true;
    if (++failures <= 10) texts.push_back(what);
    return false;
}

void Checker::DropHandles() {
    for (UINT64 h : m_handles) {
        ++calls;
        Check(m_jvm->DeleteJavaObject(h) == S_OK, "DeleteJavaObject of a handle handed out");
    }
    m_handles.clear();
}

void Checker::PrintTally(const std::string& suite, unsigned long long seed) const {
    std::printf("robustness: %s seed=0x%llx calls=%llu failures=%llu\n", suite.c_str(), seed, calls, failures);
    std::map<HRESULT, long long> all;
    for (const auto& [member, codes] : tally) {
        std::printf("robustness: %s %s", suite.c_str(), member.c_str());
        for (const auto& [hr, count] : codes) {
            std::printf(" 0x%08lX=%lld", static_cast<unsigned long>(hr), count);
            all[hr] += count;
        }
        std::printf("\n");
    }
    std::printf("robustness: %s all members", suite.c_str());
    for (const auto& [hr, count] : all) std::printf(" 0x%08lX=%lld", static_cast<unsigned long>(hr), count);
    std::printf("\n");
    std::fflush(stdout);
}

std::string Checker::Failures() const {
    std::string all;
    for (const std::string& t : texts) all += t + "\n";
    return all;
}

const Sample& LeakWatch::Take(double at) {
    samples.push_back({at, m_refs(), m_reader.Read()});
    return samples.back();
}

double LeakWatch::Slope(int which) const {
    double mx = 0, my = 0, sxy = 0, sxx = 0;
    const auto y = [which](const Sample& s) {
        return static_cast<double>(which == kRefs ? s.refs : which == kHandles ? s.counters.handles : s.counters.privateBytes);
    };
    for (const Sample& s : samples) mx += s.at / samples.size(), my += y(s) / samples.size();
    for (const Sample& s : samples) sxy += (s.at - mx) * (y(s) - my), sxx += (s.at - mx) * (s.at - mx);
    return sxx > 0 ? 1000 * sxy / sxx : 0;
}

// ---- the checked mix: every answer compared with what the fixtures and the samples hold ----

void ComponentRound(Checker& c) {
    Out list = c.Call("GetAllTopLevelComponents", {}, S_OK);
    std::vector<Component> windows = TakeComponentArray(list.v->type() ? V_ARRAY(list.v->get_mutable()) : nullptr);
    V_VT(list.v->get_mutable()) = VT_EMPTY;  // taken over
    c.stubs += windows.size();
    c.Check(windows.size() == 2, "two top-level windows, got " + std::to_string(windows.size()));
    for (const Component& window : windows) {
        const auto container = As<IJAwtContainer>(window.get());
        ++c.stubs;
        if (!c.Check(window && container, "a window object that is a container (" + std::to_string(windows.size()) + " windows)")) continue;
        const std::wstring name = NameOf(window.get());
        std::vector<std::wstring> classes;
        for (const Component& part : ChildrenOf(window.get())) classes.push_back(ClassOf(part.get())), ++c.stubs;
        c.calls += 2 + classes.size();
        const std::vector<std::wstring> expected = name == L"loginFrame" ? std::vector<std::wstring>{L"javax.swing.JRootPane"}
            : std::vector<std::wstring>{L"java.awt.Label", L"java.awt.TextField", L"java.awt.Button", L"java.awt.Button"};
        std::string seen(name.begin(), name.end());
        for (const std::wstring& k : classes) seen += " " + std::string(k.begin(), k.end());
        c.Check((name == L"loginFrame" || name == L"awtFrame") && classes == expected, "the children of a window: " + seen);
    }
}

namespace {
void WindowDetails(Checker& c, ULONG mirror) {
    for (const Component& window : TopLevelWindows(c.jvm())) {
        const std::wstring name = NameOf(window.get());
        const bool login = name == L"loginFrame";
        c.calls += 4;
        c.Check(login || name == L"awtFrame", "a known window");
        c.Check(AttributeOf(window.get(), L"title") == std::wstring(login ? L"Sign in" : L"AWT sample"), "a title");
        c.Check(BoundsOf(window.get()) == (login ? Bounds{100, 80, 480, 360} : Bounds{620, 80, 360, 240}), "bounds");
    }
    In hwnd;
    hwnd.type = static_cast<long>(mirror);
    const Out behind = c.Call("GetComponentFromHwnd", hwnd, S_OK, "of the mirror window");
    c.Check(behind.info == ResultOK, "the mirror window matches one Java window");
    c.Check(NameOf(As<IJAwtComponent>(behind.object.get()).get()) == L"loginFrame", "the login window behind the mirror");
}

void Fields(Checker& c, int salt) {
    In a;
    a.object = c.Call("NewDefJavaObject", Of(0, L"fixtures.Fields"), S_OK).l;
    const auto get = [&](const char* member, const wchar_t* field) { a.name = field; return c.Call(member, a, S_OK, "of fixtures.Fields"); };
    c.Check(get("GetStaticIntField", L"staticInt").i == -987654321, "staticInt");
    c.Check(get("GetLongField", L"longField").j == 0x0123456789abcdefLL, "longField");
    c.Check(get("GetDoubleField", L"doubleField").d == -2.25, "doubleField");
    a.value = static_cast<unsigned long long>(salt);  // this object's own field: a value of another caller would show
    get("SetIntField", L"intField");
    c.Check(get("GetIntField", L"intField").i == salt, "intField read back");
    a.text = L"salt " + std::to_wstring(salt) + L" \u00e9";
    get("SetStringField", L"stringField");
    c.Check(get("GetStringField", L"stringField").text.view() == a.text, "stringField read back");
}

void Methods(Checker& c, int salt) {
    In a = Of(c.Call("NewDefJavaObject", Of(0, L"fixtures.Echo"), S_OK).l, L"echoInt", L"(I)I");
    unique_variant args;
    MakeArgumentArray(args, {ArgI4(salt)});
    a.params = args.get();
    c.Check(c.Call("CallStaticIntMethod", a, S_OK).i == salt, "echoInt");
    MakeArgumentArray(args, {ArgI4(salt), ArgI4(-salt), ArgI4(7)});
    a.params = args.get(), a.name = L"ordered", a.sig = L"(III)Ljava/lang/String;";
    c.Check(c.Call("CallStaticStringMethod", a, S_OK).text.view() == std::to_wstring(salt) + L"," + std::to_wstring(-salt) + L",7", "ordered");
    const std::wstring text = L"method text " + std::to_wstring(salt);
    In s = Of(c.Call("NewJavaString", Text(text), S_OK).l, L"length", L"()I");
    c.Check(c.Call("CallIntMethod", s, S_OK).i == static_cast<LONG>(text.size()), "length");
    s.name = L"toUpperCase", s.sig = L"()Ljava/lang/String;";
    c.Check(c.Call("CallStringMethod", s, S_OK).text.view() == L"METHOD TEXT " + std::to_wstring(salt), "toUpperCase");
    s.name = L"hashCode", s.sig = L"()I";
    std::uint32_t hash = 0;  // String.hashCode over the UTF-16 units
    for (wchar_t ch : text) hash = 31u * hash + static_cast<std::uint32_t>(ch);
    c.Check(static_cast<std::uint32_t>(c.Call("CallIntMethod", s, S_OK).i) == hash, "String.hashCode");
    s.super = L"java/lang/Object", s.name = L"toString", s.sig = L"()Ljava/lang/String;";  // Object's own, not String's
    c.Check(c.Call("CallNonvirtualStringMethod", s, S_OK).text.view().rfind(L"java.lang.String@", 0) == 0, "Object.toString");
}

void Strings(Checker& c, int salt) {
    const std::wstring text = L"G clef \U0001D11E " + std::to_wstring(salt) + L" grin \U0001F600";
    In s = Of(c.Call("NewJavaString", Text(text), S_OK).l, L"java.lang.CharSequence");
    c.Check(c.Call("GetJavaString", s, S_OK).text.view() == text, "string read back");
    c.Check(c.Call("GetJavaClassName", s, S_OK).text.view() == L"java.lang.String", "class name");
    c.Check(c.Call("IsInstanceOf", s, S_OK).z == VARIANT_TRUE, "a String is a CharSequence");
}

void Arrays(Checker& c, int salt) {
    In a;
    a.type = Int, a.length = 3;
    a.object = c.Call("NewJavaPrimitiveArray", a, S_OK).l;
    unique_variant in;
    V_VT(in.get_mutable()) = VT_ARRAY | VT_I4;
    V_ARRAY(in.get_mutable()) = ::SafeArrayCreateVector(VT_I4, 0, 3);
    for (LONG k = 0; k < 3; ++k) static_cast<LONG*>(V_ARRAY(in.get_mutable())->pvData)[k] = salt + k;
    a.params = in.get();
    c.Call("SetJavaPrimitiveArray", a, S_OK);
    const Out back = c.Call("GetJavaPrimitiveArray", a, S_OK);
    const auto* ints = back.v->type() == (VT_ARRAY | VT_I4) ? static_cast<const LONG*>(V_ARRAY(&back.v->get())->pvData) : nullptr;
    c.Check(ints && ints[0] == salt && ints[1] == salt + 1 && ints[2] == salt + 2, "int array read back");
    In f = Of(c.Call("NewDefJavaObject", Of(0, L"fixtures.ArrayFields"), S_OK).l, L"strings", L"[Ljava/lang/String;");
    In strings = Of(c.Call("GetStaticObjectField", f, S_OK).l);
    c.Check(c.Call("GetJavaArrayLength", strings, S_OK).i == 3, "length");
    const Out elements = c.Call("GetJavaObjectArray", strings, S_OK);
    if (!c.Check(elements.v->type() == (VT_ARRAY | VT_UI8) && V_ARRAY(&elements.v->get())->rgsabound[0].cElements == 3, "three strings")) return;
    for (int k = 0; k < 3; ++k) {
        const In e = Of(static_cast<const UINT64*>(V_ARRAY(&elements.v->get())->pvData)[k]);
        c.Keep(e.object);
        c.Check(c.Call("GetJavaString", e, S_OK).text.view() == std::wstring(1, L"xyz"[k]), "object array element");
    }
}
}  // namespace

void MixStep(Checker& c, unsigned step, int salt, ULONG mirror) {
    switch (step % 6) {
    case 0: Fields(c, salt); break;
    case 1: Methods(c, salt); break;
    case 2: Strings(c, salt); break;
    case 3: Arrays(c, salt); break;
    case 4: ComponentRound(c); break;
    default: WindowDetails(c, mirror); break;
    }
    c.DropHandles();
}

}  // namespace mv::test
