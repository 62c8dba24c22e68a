#include "robustness.h"

#include <algorithm>
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

Out Checker::Call(const std::string& member, const In& in, HRESULT expected, const std::string& what) {
    const auto m = std::find_if(kMembers.begin(), kMembers.end(), [&](const Member& k) { return member == k.name; });
    if (m == kMembers.end()) throw std::invalid_argument("no member " + member);
    Out r;
    r.hr = m->call(m_jvm, in, r);
    ++calls, ++tally[r.hr];
    char code[64];
    std::snprintf(code, sizeof code, " answered 0x%08lX, not 0x%08lX ", static_cast<unsigned long>(r.hr),
                  static_cast<unsigned long>(expected));
    Check(expected == kNotOk ? r.hr != S_OK : r.hr == expected, member + code + what);
    if (FAILED(r.hr)) Check(r.Untouched(), member + " wrote an output on failure " + what);
    if (member != "GetClassByName") Keep(r.l);  // GetClassByName hands out a local reference
    return r;
}

bool Checker::Check(bool ok, const std::string& what) {
    if (!ok && ++failures <= 10) failed += what + "\n";
    return ok;
}

void Checker::DropHandles() {
    for (UINT64 h : m_handles) ++calls, Check(m_jvm->DeleteJavaObject(h) == S_OK, "DeleteJavaObject of a handle handed out");
    m_handles.clear();
}

void Checker::PrintTally(const std::string& suite, unsigned long long seed) const {
    std::printf("robustness: %s seed=0x%llx calls=%llu failures=%llu answers", suite.c_str(), seed, calls, failures);
    for (const auto& [hr, count] : tally) std::printf(" 0x%08lX=%lld", static_cast<unsigned long>(hr), count);
    std::printf("\n");
    std::fflush(stdout);
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

namespace {
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void WindowDetails(Checker& c, ULONG mirror) {
    for (const Component& window : TopLevelWindows(c.jvm())) {
        const bool login = NameOf(window.get()) == L"loginFrame";
        c.calls += 4;
        c.Check(AttributeOf(window.get(), L"title") == std::wstring(login ? L"Sign in" : L"AWT sample"), "a title");
        c.Check(BoundsOf(window.get()) == (login ? Bounds{100, 80, 480, 360} : Bounds{620, 80, 360, 240}), "bounds");
    }
    In hwnd;
    hwnd.type = static_cast<long>(mirror);
    const Out behind = c.Call("GetComponentFromHwnd", hwnd, S_OK, "of the mirror window");
    c.Check(behind.info == ResultOK && NameOf(As<IJAwtComponent>(behind.object.get()).get()) == L"loginFrame",
            "the login window behind the mirror window");
}

// A field of an object of this caller's own, arguments in their order, a string beyond the BMP,
// a class lookup, an array written and read back.
void Bridge(Checker& c, int salt) {
    In a = Of(c.Call("NewDefJavaObject", Of(0, L"fixtures.Fields"), S_OK).l, L"intField");
    a.value = static_cast<unsigned long long>(salt);
    c.Call("SetIntField", a, S_OK);
    c.Check(c.Call("GetIntField", a, S_OK).i == salt, "intField read back");
    a = Of(c.Call("NewDefJavaObject", Of(0, L"fixtures.Echo"), S_OK).l, L"ordered", L"(III)Ljava/lang/String;");
    unique_variant args;
    MakeArgumentArray(args, {ArgI4(salt), ArgI4(-salt), ArgI4(7)});
    a.params = args.get();
    const std::wstring number = std::to_wstring(salt);
    c.Check(c.Call("CallStaticStringMethod", a, S_OK).text.view() == number + L"," + std::to_wstring(-salt) + L",7", "ordered");

    a = Of(c.Call("NewJavaString", Text(L"grin \U0001F600 " + number), S_OK).l, L"toUpperCase", L"()Ljava/lang/String;");
    c.Check(c.Call("GetJavaString", a, S_OK).text.view() == L"grin \U0001F600 " + number, "string read back");
    c.Check(c.Call("CallStringMethod", a, S_OK).text.view() == L"GRIN \U0001F600 " + number, "toUpperCase");
    a.super = L"java/lang/Object", a.name = L"toString";  // Object's own, not String's
    c.Check(c.Call("CallNonvirtualStringMethod", a, S_OK).text.view().rfind(L"java.lang.String@", 0) == 0, "Object.toString");
    a.name = L"java.lang.CharSequence";
    c.Check(c.Call("IsInstanceOf", a, S_OK).z == VARIANT_TRUE, "a String is a CharSequence");

    a = In{};
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
}
}  // namespace

// The codes of the container query and of GetChildComponents go into a failure: it shows where a
// round failed part-way.
void ComponentRound(Checker& c) {
    Out list = c.Call("GetAllTopLevelComponents", {}, S_OK);
    const std::vector<Component> windows = TakeComponentArray(list.v->type() ? V_ARRAY(list.v->get_mutable()) : nullptr);
    V_VT(list.v->get_mutable()) = VT_EMPTY;  // taken over
    c.Check(windows.size() == 2, "two top-level windows, got " + std::to_string(windows.size()));
    for (const Component& window : windows) {
        com_ptr<IJAwtContainer> container;
        const HRESULT query = window ? window->QueryInterface(IID_IJAwtContainer, container.put_void()) : E_POINTER;
        SAFEARRAY* array = nullptr;
        const HRESULT hr = container ? container->GetChildComponents(&array) : query;
        const std::wstring name = NameOf(window.get());
        std::wstring classes;
        for (const Component& part : TakeComponentArray(array)) classes += L" " + ClassOf(part.get()), ++c.calls, ++c.stubs;
        c.calls += 2, c.stubs += 2;  // the name and the children; the window and its container
        const wchar_t* expected = name == L"loginFrame" ? L" javax.swing.JRootPane"
                                : name == L"awtFrame" ? L" java.awt.Label java.awt.TextField java.awt.Button java.awt.Button" : L"?";
        char codes[64];
        std::snprintf(codes, sizeof codes, " (container 0x%08lX, children 0x%08lX)", static_cast<unsigned long>(query),
                      static_cast<unsigned long>(hr));
        c.Check(classes == expected, "the children of window '" + Narrow(name) + "':" + Narrow(classes) + codes);
    }
}

void MixStep(Checker& c, unsigned step, int salt, ULONG mirror) {
    step % 3 == 0 ? Bridge(c, salt) : step % 3 == 1 ? ComponentRound(c) : WindowDetails(c, mirror);
    c.DropHandles();
}

}  // namespace mv::test
