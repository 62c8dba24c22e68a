#include "robustness.h"

#include <algorithm>
#include <stdexcept>

namespace mv::test {

bool Out::Untouched() const {
    return !z && !b && !c && !s && !i && !j && f == 0 && d == 0 && !l && !text && v->type() == VT_EMPTY && !object &&
           components.empty();
}

namespace {
using J = IMvJavaCpp;
// The members, by kind; `a` the arguments, `r` the outputs.
#define MV_S(x) Bstr(a.x).get()
#define MV_M(name, kind, zero, ...) \
    {#name, kind, [](J* j, const In& a, Out& r) -> HRESULT { (void)a; (void)r; return j->__VA_ARGS__; }, zero}
#define MV_H(name, zero, ...) MV_M(name, kHandle, zero, name(a.object __VA_ARGS__))
#define MV_F(n, kind, ...) MV_M(n, kField | kHandle | kind, E_FAIL, n(a.object, MV_S(name), __VA_ARGS__))
#define MV_GET(n, o) MV_F(n, 0, &r.o)
#define MV_SET(n, T) MV_F(n, 0, static_cast<T>(a.value))
#define MV_CALL(n, ...) \
    MV_M(n, kCall | kSignature | kHandle, E_FAIL, n(a.object, MV_S(name), MV_S(sig), a.params __VA_ARGS__))
#define MV_NV(n, ...)                                           \
    MV_M(n, kCall | kNonvirtual | kSignature | kHandle, E_FAIL, \
         n(a.object, MV_S(super), MV_S(name), MV_S(sig), a.params __VA_ARGS__))
#define MV_CALLS(M, P)                                                                                          \
    M(P##VoidMethod, ), M(P##BooleanMethod, , &r.z), M(P##ByteMethod, , &r.b), M(P##CharMethod, , &r.c),        \
    M(P##ShortMethod, , &r.s), M(P##IntMethod, , &r.i), M(P##LongMethod, , &r.j), M(P##FloatMethod, , &r.f), \
    M(P##DoubleMethod, , &r.d), M(P##ObjectMethod, , &r.l), M(P##StringMethod, , r.text.put())
#define MV_FIELDS(P)                                                                                              \
    MV_GET(Get##P##BooleanField, z), MV_GET(Get##P##ByteField, b), MV_GET(Get##P##CharField, c),                \
    MV_GET(Get##P##ShortField, s), MV_GET(Get##P##IntField, i), MV_GET(Get##P##LongField, j),                   \
    MV_GET(Get##P##FloatField, f), MV_GET(Get##P##DoubleField, d), MV_SET(Set##P##ByteField, BYTE),             \
    MV_SET(Set##P##CharField, USHORT), MV_SET(Set##P##ShortField, SHORT), MV_SET(Set##P##IntField, LONG),       \
    MV_SET(Set##P##LongField, LONGLONG), MV_SET(Set##P##FloatField, float), MV_SET(Set##P##DoubleField, double), \
    MV_F(Get##P##StringField, 0, r.text.put()), MV_F(Set##P##StringField, 0, MV_S(text)),                        \
    MV_F(Get##P##ObjectField, kSignature, MV_S(sig), &r.l), MV_F(Set##P##ObjectField, kSignature, MV_S(sig), a.value)

const std::vector<Member> kMembers = {
    MV_FIELDS(), MV_FIELDS(Static),
    MV_SET(SetBooleanField, VARIANT_BOOL), MV_SET(SetStaticBoolenField, VARIANT_BOOL),
    MV_CALLS(MV_CALL, Call), MV_CALLS(MV_CALL, CallStatic), MV_CALLS(MV_NV, CallNonvirtual),
    MV_H(ObjectToString, E_FAIL, , r.text.put()), MV_H(GetJavaClassName, E_FAIL, , r.text.put()),
    MV_H(DeleteJavaObject, E_FAIL, ), MV_H(IsSameJavaObject, S_OK, , a.value, &r.z),
    MV_H(IsInstanceOf, E_FAIL, , MV_S(name), &r.z),
    MV_H(SetJavaPrimitiveArray, E_FAIL, , static_cast<JavaTypes>(a.type), a.params),
    MV_H(GetJavaPrimitiveArray, E_FAIL, , static_cast<JavaTypes>(a.type), r.v->put()),
    MV_H(GetJavaObjectArray, E_FAIL, , r.v->put()), MV_H(GetJavaArrayLength, E_FAIL, , &r.i),
    MV_H(GetJavaString, E_FAIL, , r.text.put()), MV_H(NewGlobalRef, E_INVALIDARG, , &r.l),
    MV_H(MakeJComponentFromHandle, E_INVALIDARG, , r.object.put()),
    MV_M(NewDefJavaObject, 0, E_FAIL, NewDefJavaObject(MV_S(name), &r.l)),
    MV_M(NewJavaPrimitiveArray, 0, E_FAIL, NewJavaPrimitiveArray(static_cast<JavaTypes>(a.type), a.length, &r.l)),
    MV_M(NewJavaString, 0, E_FAIL, NewJavaString(MV_S(text), &r.l)),
    MV_M(GetClassByName, 0, E_FAIL, GetClassByName(MV_S(name), &r.l)),
    {"GetAllTopLevelComponents", 0, [](J* j, const In&, Out& r) {
         SAFEARRAY* list = nullptr;
         const HRESULT hr = j->GetAllTopLevelComponents(&list);
         return r.components = TakeComponentArray(list), hr; }, E_FAIL},
};
}  // namespace

const std::vector<Member>& Members() { return kMembers; }

Out Checker::Call(const std::string& member, const In& in, HRESULT expected, const std::string& what) {
    const auto m = std::find_if(kMembers.begin(), kMembers.end(), [&](const Member& k) { return member == k.name; });
    if (m == kMembers.end()) throw std::invalid_argument("no member " + member);
    Out r;
    r.hr = m->call(m_jvm, in, r);
    ++calls, ++tally[r.hr];
    Check(expected == kNotOk ? r.hr != S_OK : r.hr == expected, member + " answered " + Hex(r.hr) + ", not " +
                                                                    Hex(expected) + " " + what);
    if (FAILED(r.hr)) Check(r.Untouched(), member + " wrote an output on failure " + what);
    if (r.l && member != "GetClassByName") m_handles.push_back(r.l);
    return r;
}

bool Checker::Check(bool ok, const std::string& what) {
    if (!ok && ++failures <= 10) failed += what + "\n";
    return ok;
}

void Checker::DropHandles() {
    for (UINT64 h : m_handles) ++calls, Check(m_jvm->DeleteJavaObject(h) == S_OK, "DeleteJavaObject of a handle");
    m_handles.clear();
}

double LeakWatch::Slope(int which) const {
    double mx = 0, my = 0, sxy = 0, sxx = 0;
    const auto y = [which](const Sample& s) {
        const auto& c = s.counters;
        return static_cast<double>(which == kRefs ? s.refs : which == kHandles ? c.handles : c.privateBytes);
    };
    for (const Sample& s : samples) mx += s.at / samples.size(), my += y(s) / samples.size();
    for (const Sample& s : samples) sxy += (s.at - mx) * (y(s) - my), sxx += (s.at - mx) * (s.at - mx);
    return sxx > 0 ? 1000 * sxy / sxx : 0;
}

}  // namespace mv::test
