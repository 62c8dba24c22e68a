#include "call_members.h"

namespace mv::test {
namespace {

// Calls the member of `kind` from one group's eleven, through `call(member, output...)`.
template <typename Call, typename VoidM, typename BoolM, typename ByteM, typename CharM, typename ShortM,
          typename IntM, typename LongM, typename FloatM, typename DoubleM, typename ObjectM, typename StringM>
HRESULT CallKind(ResultKind kind, CallResult& r, Call call, VoidM v, BoolM z, ByteM b, CharM c, ShortM s, IntM i,
                 LongM j, FloatM f, DoubleM d, ObjectM l, StringM t) {
    switch (kind) {
    case ResultKind::Void: return call(v);
    case ResultKind::Boolean: return call(z, &r.z);
    case ResultKind::Byte: return call(b, &r.b);
    case ResultKind::Char: return call(c, &r.c);
    case ResultKind::Short: return call(s, &r.s);
    case ResultKind::Int: return call(i, &r.i);
    case ResultKind::Long: return call(j, &r.j);
    case ResultKind::Float: return call(f, &r.f);
    case ResultKind::Double: return call(d, &r.d);
    case ResultKind::Object: return call(l, &r.l);
    case ResultKind::String: return call(t, r.text.put());
    }
    return E_UNEXPECTED;
}

}  // namespace

bool CallResult::OutputsUntouched() const {
    return z == 0 && b == 0 && c == 0 && s == 0 && i == 0 && j == 0 && f == 0 && d == 0 && l == 0 && !text;
}

CallResult InvokeCall(IMvJavaCpp* bridge, const CallRequest& q, const VARIANT& params) {
    CallResult r;
    using I = IMvJavaCpp;
    const auto plain = [&](auto member, auto... out) { return (bridge->*member)(q.object, q.name, q.signature, params, out...); };
    const auto nonvirtual = [&](auto member, auto... out) {
        return (bridge->*member)(q.object, q.superclass, q.name, q.signature, params, out...);
    };
    switch (q.group) {
    case CallGroup::Virtual:
        r.hr = CallKind(q.kind, r, plain, &I::CallVoidMethod, &I::CallBooleanMethod, &I::CallByteMethod,
                        &I::CallCharMethod, &I::CallShortMethod, &I::CallIntMethod, &I::CallLongMethod,
                        &I::CallFloatMethod, &I::CallDoubleMethod, &I::CallObjectMethod, &I::CallStringMethod);
        break;
    case CallGroup::Static:
        r.hr = CallKind(q.kind, r, plain, &I::CallStaticVoidMethod, &I::CallStaticBooleanMethod,
                        &I::CallStaticByteMethod, &I::CallStaticCharMethod, &I::CallStaticShortMethod,
                        &I::CallStaticIntMethod, &I::CallStaticLongMethod, &I::CallStaticFloatMethod,
                        &I::CallStaticDoubleMethod, &I::CallStaticObjectMethod, &I::CallStaticStringMethod);
        break;
    case CallGroup::Nonvirtual:
        r.hr = CallKind(q.kind, r, nonvirtual, &I::CallNonvirtualVoidMethod, &I::CallNonvirtualBooleanMethod,
                        &I::CallNonvirtualByteMethod, &I::CallNonvirtualCharMethod, &I::CallNonvirtualShortMethod,
                        &I::CallNonvirtualIntMethod, &I::CallNonvirtualLongMethod, &I::CallNonvirtualFloatMethod,
                        &I::CallNonvirtualDoubleMethod, &I::CallNonvirtualObjectMethod,
                        &I::CallNonvirtualStringMethod);
        break;
    }
    return r;
}

std::string CallMemberName(CallGroup group, ResultKind kind) {
    static const char* const kKinds[] = {"Void", "Boolean", "Byte", "Char", "Short", "Int",
                                         "Long", "Float", "Double", "Object", "String"};
    static const char* const kGroups[] = {"Call", "CallStatic", "CallNonvirtual"};
    return std::string(kGroups[static_cast<int>(group)]) + kKinds[static_cast<int>(kind)] + "Method";
}

}  // namespace mv::test
