#include "hostile_rounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "argument_model.h"
#include "call_members.h"
#include "field_members.h"
#include "common/com/safearray.h"

namespace mv::test {

std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

std::string Printable(const std::wstring& text) {
    std::ostringstream out;
    for (wchar_t c : text.substr(0, 60)) {
        if (c >= 0x20 && c < 0x7F) {
            out << static_cast<char>(c);
        } else {
            out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
        }
    }
    if (text.size() > 60) out << "...(" << text.size() << " units)";
    return out.str();
}

namespace {

bool SameFloat(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

// The text the bridge gives for a Java string handle; "<none>" when it gives nothing.
std::wstring TextOf(IMvJavaCpp* bridge, UINT64 handle) {
    unique_bstr text;
    if (bridge->GetJavaString(handle, text.put()) != S_OK) return L"<none>";
    return std::wstring(text.view());
}

const VARIANT& Arg(const std::vector<VARIANT>& args, std::size_t i) { return args.at(i); }

}  // namespace

struct HostileRounds::CallTarget {
    CallGroup group;
    ResultKind kind;
    UINT64 object;
    std::wstring superclass, name, signature;
    // The code a well-typed call must give (S_OK unless the arguments make the result null).
    std::function<HRESULT(const std::vector<VARIANT>&)> expected;
    // Empty when the outputs of a successful call are right, else what is wrong.
    std::function<std::string(const std::vector<VARIANT>&, const CallResult&)> check;
};

bool TargetObjects::Make(IMvJavaCpp* bridge) {
    auto make = [&](const wchar_t* className, UINT64& out) {
        EXPECT_EQ(bridge->NewDefJavaObject(Bstr(className).get(), &out), S_OK) << Printable(className);
        return out != 0;
    };
    if (!make(L"fixtures.Echo", echo) || !make(L"fixtures.Fields", fields)) return false;
    UINT64 arrayFields = 0;
    if (!make(L"fixtures.ArrayFields", arrayFields)) return false;
    EXPECT_EQ(bridge->GetStaticObjectField(arrayFields, Bstr(L"objects").get(), Bstr(L"[Ljava/lang/Object;").get(), &objects), S_OK);
    EXPECT_EQ(bridge->GetStaticObjectField(arrayFields, Bstr(L"objectsWithNull").get(), Bstr(L"[Ljava/lang/Object;").get(), &objectsWithNull), S_OK);
    EXPECT_EQ(bridge->GetStaticObjectField(arrayFields, Bstr(L"ints").get(), Bstr(L"[I").get(), &ints), S_OK);
    EXPECT_EQ(bridge->DeleteJavaObject(arrayFields), S_OK);
    unique_variant elements;
    EXPECT_EQ(bridge->GetJavaObjectArray(objects, elements.put()), S_OK);
    if (elements.type() == (VT_ARRAY | VT_UI8)) {
        const UINT64* data = static_cast<const UINT64*>(V_ARRAY(&elements.get())->pvData);
        integer = data[1];
        EXPECT_EQ(bridge->DeleteJavaObject(data[0]), S_OK);
    }
    EXPECT_EQ(bridge->NewJavaString(Bstr(L"hostile").get(), &text), S_OK);
    all = {echo, fields, integer, text, ints, objects, objectsWithNull};
    for (UINT64 h : all)
        if (!h) return false;
    return true;
}

void TargetObjects::Release(IMvJavaCpp* bridge) {
    for (UINT64 h : all)
        if (h) {
            EXPECT_EQ(bridge->DeleteJavaObject(h), S_OK);
        }
    all.clear();
}

HostileRounds::HostileRounds(IMvJavaCpp* bridge, const TargetObjects& t, RandomSource& random, HresultTally& tally)
    : m_bridge(bridge), m_targets(t), m_random(random), m_tally(tally), m_generator(random, t.all) {
    IMvJavaCpp* b = bridge;
    const auto ok = [](const std::vector<VARIANT>&) { return S_OK; };
    using Args = const std::vector<VARIANT>&;
    auto add = [&](CallGroup g, ResultKind k, UINT64 o, const wchar_t* super, const wchar_t* name, const wchar_t* sig,
                   std::function<std::string(Args, const CallResult&)> check,
                   std::function<HRESULT(Args)> expected = nullptr) {
        m_callTargets.push_back({g, k, o, super, name, sig, expected ? expected : ok, std::move(check)});
    };
    const auto want = [](bool good, const char* what) { return std::string(good ? "" : what); };
    // Static: the echo methods give back exactly what arrived.
    add(CallGroup::Static, ResultKind::Boolean, t.echo, L"", L"echoBoolean", L"(Z)Z", [want](Args a, const CallResult& r) {
        return want(r.z == (V_BOOL(&Arg(a, 0)) ? VARIANT_TRUE : VARIANT_FALSE), "echoBoolean value");
    });
    add(CallGroup::Static, ResultKind::Byte, t.echo, L"", L"echoByte", L"(B)B", [want](Args a, const CallResult& r) {
        return want(r.b == V_UI1(&Arg(a, 0)), "echoByte value");
    });
    add(CallGroup::Static, ResultKind::Char, t.echo, L"", L"echoChar", L"(C)C", [want](Args a, const CallResult& r) {
        return want(r.c == V_UI2(&Arg(a, 0)), "echoChar value");
    });
    add(CallGroup::Static, ResultKind::Short, t.echo, L"", L"echoShort", L"(S)S", [want](Args a, const CallResult& r) {
        return want(r.s == V_I2(&Arg(a, 0)), "echoShort value");
    });
    add(CallGroup::Static, ResultKind::Int, t.echo, L"", L"echoInt", L"(I)I", [want](Args a, const CallResult& r) {
        return want(r.i == V_I4(&Arg(a, 0)), "echoInt value");
    });
    add(CallGroup::Static, ResultKind::Long, t.echo, L"", L"echoLong", L"(J)J", [want](Args a, const CallResult& r) {
        return want(r.j == V_I8(&Arg(a, 0)), "echoLong value");
    });
    add(CallGroup::Static, ResultKind::Float, t.echo, L"", L"echoFloat", L"(F)F", [want](Args a, const CallResult& r) {
        return want(SameFloat(r.f, V_R4(&Arg(a, 0))), "echoFloat value");
    });
    add(CallGroup::Static, ResultKind::Double, t.echo, L"", L"echoDouble", L"(D)D", [want](Args a, const CallResult& r) {
        return want(SameFloat(r.d, V_R8(&Arg(a, 0))), "echoDouble value");
    });
    add(CallGroup::Static, ResultKind::Object, t.echo, L"", L"echoObject", L"(Ljava/lang/Object;)Ljava/lang/Object;",
        [b, want](Args a, const CallResult& r) {
            const VARIANT& v = Arg(a, 0);
            if (V_VT(&v) == VT_BSTR) {
                const std::wstring sent(V_BSTR(&v), ::SysStringLen(V_BSTR(&v)));
                return want(TextOf(b, r.l) == UpToNul(sent), "echoObject string");
            }
            VARIANT_BOOL same = 0;
            return want(b->IsSameJavaObject(r.l, V_UI8(&v), &same) == S_OK && same == VARIANT_TRUE, "echoObject object");
        },
        [](Args a) { return V_VT(&Arg(a, 0)) == VT_UI8 && V_UI8(&Arg(a, 0)) == 0 ? E_FAIL : S_OK; });
    add(CallGroup::Static, ResultKind::String, t.echo, L"", L"ordered", L"(III)Ljava/lang/String;",
        [want](Args a, const CallResult& r) {
            const std::wstring expected = std::to_wstring(V_I4(&Arg(a, 0))) + L"," + std::to_wstring(V_I4(&Arg(a, 1))) +
                                          L"," + std::to_wstring(V_I4(&Arg(a, 2)));
            return want(std::wstring(r.text.view()) == expected, "ordered text");
        });
    add(CallGroup::Static, ResultKind::Void, t.fields, L"", L"reset", L"()V", [](Args, const CallResult&) { return std::string(); });
    // Virtual and non-virtual: the Integer 2 and the string "hostile".
    for (CallGroup g : {CallGroup::Virtual, CallGroup::Nonvirtual}) {
        const bool nv = g == CallGroup::Nonvirtual;
        add(g, ResultKind::Byte, t.integer, L"java.lang.Integer", L"byteValue", L"()B", [want](Args, const CallResult& r) { return want(r.b == 2, "byteValue"); });
        add(g, ResultKind::Short, t.integer, L"java/lang/Integer", L"shortValue", L"()S", [want](Args, const CallResult& r) { return want(r.s == 2, "shortValue"); });
        add(g, ResultKind::Int, t.integer, L"java.lang.Integer", L"intValue", L"()I", [want](Args, const CallResult& r) { return want(r.i == 2, "intValue"); });
        add(g, ResultKind::Long, t.integer, L"java.lang.Integer", L"longValue", L"()J", [want](Args, const CallResult& r) { return want(r.j == 2, "longValue"); });
        add(g, ResultKind::Float, t.integer, L"java.lang.Integer", L"floatValue", L"()F", [want](Args, const CallResult& r) { return want(r.f == 2.0f, "floatValue"); });
        add(g, ResultKind::Double, t.integer, L"java.lang.Integer", L"doubleValue", L"()D", [want](Args, const CallResult& r) { return want(r.d == 2.0, "doubleValue"); });
        add(g, ResultKind::Boolean, t.integer, L"java/lang/Object", L"equals", L"(Ljava/lang/Object;)Z",
            [want, integer = t.integer](Args a, const CallResult& r) {
                const VARIANT& v = Arg(a, 0);
                const bool same = V_VT(&v) == VT_UI8 && V_UI8(&v) == integer;
                return want(r.z == (same ? VARIANT_TRUE : VARIANT_FALSE), "equals");
            });
        add(g, ResultKind::Object, t.integer, L"java.lang.Object", L"getClass", L"()Ljava/lang/Class;", [](Args, const CallResult&) { return std::string(); });
        add(g, ResultKind::String, t.integer, L"java/lang/Object", L"toString", L"()Ljava/lang/String;",
            [want, nv](Args, const CallResult& r) {
                const std::wstring text(r.text.view());
                return want(nv ? text.rfind(L"java.lang.Integer@", 0) == 0 : text == L"2", "toString");
            });
        add(g, ResultKind::Void, t.integer, L"java.lang.Object", L"notify", L"()V", [](Args, const CallResult&) { return std::string(); });
        add(g, ResultKind::Char, t.text, L"java.lang.String", L"charAt", L"(I)C", [want](Args a, const CallResult& r) {
            const LONG index = V_I4(&Arg(a, 0));
            const wchar_t expected = index >= 0 && index < 7 ? L"hostile"[index] : 0;  // out of range: thrown, 0
            return want(r.c == expected, "charAt");
        });
    }
}

HostileRounds::~HostileRounds() = default;

void HostileRounds::Delete(UINT64 handle) { EXPECT_EQ(m_bridge->DeleteJavaObject(handle), S_OK); }

CallResult HostileRounds::InvokeTarget(const CallTarget& t, UINT64 object, const VARIANT& params) {
    const unique_bstr superclass = Bstr(t.superclass), name = Bstr(t.name), signature = Bstr(t.signature);
    return InvokeCall(m_bridge, {t.group, t.kind, object, superclass.get(), name.get(), signature.get()}, params);
}

void HostileRounds::CheckCall(const CallTarget& t, const VARIANT& params, const std::string& what) {
    const ArgumentsModel model = ModelArguments(params);
    HRESULT expected = model.hr;
    if (SUCCEEDED(expected)) expected = model.kinds == SignatureKinds(t.signature) ? t.expected(model.values) : E_FAIL;
    const CallResult r = InvokeTarget(t, t.object, params);
    const std::string member = CallMemberName(t.group, t.kind);
    EXPECT_TRUE(m_tally.Record(member, r.hr, kCallCodes)) << member << " answered 0x" << std::hex << r.hr;
    EXPECT_EQ(r.hr, expected) << member << " " << Printable(t.name) << " " << what << ": params vt 0x" << std::hex
                              << V_VT(&params) << " kinds '" << model.kinds << "'";
    if (r.hr == S_OK && expected == S_OK) {
        EXPECT_EQ(t.check(model.values, r), "") << member << " " << what;
    } else if (FAILED(r.hr)) {
        EXPECT_TRUE(r.OutputsUntouched()) << member << " wrote an output on failure";
    }
    if (r.l) Delete(r.l);
}

// One argument array for a call target: well-typed for its signature (any lower bound, the first
// dimension in memory order, sometimes a second dimension that may hold no elements at all), one
// element spoilt, or any random VARIANT.
void HostileRounds::ArgumentRound() {
    const CallTarget& t = m_callTargets[static_cast<std::size_t>(m_random.Between(0, static_cast<long long>(m_callTargets.size()) - 1))];
    VariantArena arena;
    unique_variant params;
    const int shape = static_cast<int>(m_random.Between(0, 9));
    std::string what;
    if (shape <= 5) {
        const std::string kinds = SignatureKinds(t.signature);
        const ULONG count = static_cast<ULONG>(kinds.size());
        SAFEARRAYBOUND bounds[2] = {{count, static_cast<LONG>(m_random.Between(-5, 5))},
                                    {static_cast<ULONG>(m_random.Between(0, 2)), static_cast<LONG>(m_random.Between(-3, 3))}};
        const UINT dims = m_random.Chance(25) ? 2 : 1;
        if (count == 0 && m_random.Chance(50)) {
            what = "VT_EMPTY";
        } else {
            SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, dims, bounds);
            ASSERT_NE(array, nullptr);
            V_VT(params.get_mutable()) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(params.get_mutable()) = array;
            const ULONG total = dims == 2 ? count * bounds[1].cElements : count;
            auto* elements = static_cast<VARIANT*>(array->pvData);
            const long spoilt = shape == 5 && count ? static_cast<long>(m_random.Between(0, count - 1)) : -1;
            for (ULONG i = 0; i < total; ++i) {
                VARIANT& e = elements[i];
                if (i >= count || static_cast<long>(i) == spoilt) {
                    m_generator.Any(e, arena, 1);
                    continue;
                }
                switch (kinds[i]) {
                case 'Z': m_generator.Scalar(e, VT_BOOL); break;
                case 'B': m_generator.Scalar(e, m_random.Chance(50) ? VT_I1 : VT_UI1); break;
                case 'C': m_generator.Scalar(e, VT_UI2); break;
                case 'S': m_generator.Scalar(e, VT_I2); break;
                case 'I':
                    m_generator.Scalar(e, VT_I4);
                    if (m_random.Chance(50)) V_I4(&e) = static_cast<LONG>(m_random.Between(-2, 9));
                    break;
                case 'J': m_generator.Scalar(e, VT_I8); break;
                case 'F': m_generator.Scalar(e, VT_R4); break;
                case 'D': m_generator.Scalar(e, VT_R8); break;
                default: m_generator.Scalar(e, m_random.Chance(40) ? VT_BSTR : VT_UI8); break;
                }
            }
            what = dims == 2 ? "well-typed, 2 dimensions" : spoilt >= 0 ? "one element spoilt" : "well-typed";
        }
    } else {
        m_generator.Any(*params.get_mutable(), arena, 2);
        what = "random VARIANT";
    }
    CheckCall(t, params.get(), what);
}

// Zero handles everywhere, and real handles of the wrong kind where the member checks the kind.
void HostileRounds::ZeroHandleRound() {
    static const std::vector<FieldMember> members = FieldMembers();
    for (const FieldMember& m : members) {
        CallResult r;
        r.hr = m.call(m_bridge, 0, Bstr(L"intField").get(), Bstr(L"Ljava/lang/Object;").get(), m_random, m_targets.text, r);
        EXPECT_TRUE(m_tally.Record(m.name, r.hr, kFieldCodes));
        EXPECT_EQ(r.hr, E_FAIL) << m.name << " with a zero handle";
        EXPECT_TRUE(r.OutputsUntouched()) << m.name;
    }
    for (const CallTarget& t : m_callTargets) {
        unique_variant none;
        const CallResult r = InvokeTarget(t, 0, none.get());
        EXPECT_TRUE(m_tally.Record(CallMemberName(t.group, t.kind), r.hr, kCallCodes));
        EXPECT_EQ(r.hr, E_FAIL) << CallMemberName(t.group, t.kind) << " with a zero handle";
        EXPECT_TRUE(r.OutputsUntouched());
    }
    unique_bstr text;
    EXPECT_EQ(m_bridge->ObjectToString(0, text.put()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaClassName(0, text.put()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaString(0, text.put()), E_FAIL);
    EXPECT_FALSE(text);
    EXPECT_EQ(m_bridge->DeleteJavaObject(0), E_FAIL);
    VARIANT_BOOL is = 0;
    EXPECT_EQ(m_bridge->IsInstanceOf(0, Bstr(L"java.lang.Object").get(), &is), E_FAIL);
    EXPECT_EQ(m_bridge->IsSameJavaObject(0, 0, &is), S_OK);
    EXPECT_EQ(is, VARIANT_TRUE);
    LONG size = 0;
    EXPECT_EQ(m_bridge->GetJavaArrayLength(0, &size), E_FAIL);
    EXPECT_EQ(size, 0);
    UINT64 handle = 0;
    EXPECT_EQ(m_bridge->NewGlobalRef(0, &handle), E_INVALIDARG);
    EXPECT_EQ(handle, 0u);
    com_ptr<IDispatch> component;
    EXPECT_EQ(m_bridge->MakeJComponentFromHandle(0, component.put()), E_INVALIDARG);
    EXPECT_FALSE(component);
    unique_variant out;
    EXPECT_EQ(m_bridge->GetJavaPrimitiveArray(0, Int, out.put()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaObjectArray(0, out.put()), E_FAIL);
    EXPECT_EQ(out.type(), VT_EMPTY);
    unique_variant ints;
    V_VT(ints.get_mutable()) = VT_ARRAY | VT_I4;
    V_ARRAY(ints.get_mutable()) = ::SafeArrayCreateVector(VT_I4, 0, 3);
    EXPECT_EQ(m_bridge->SetJavaPrimitiveArray(0, Int, ints.get()), E_FAIL);

    // The wrong kind of object.
    HRESULT hr = m_bridge->MakeJComponentFromHandle(m_targets.text, component.put());
    EXPECT_TRUE(m_tally.Record("MakeJComponentFromHandle", hr, kComponentCodes));
    EXPECT_EQ(hr, S_FALSE) << "a string is no component";
    EXPECT_FALSE(component);
    EXPECT_EQ(m_bridge->SetJavaPrimitiveArray(m_targets.objects, Int, ints.get()), E_FAIL);
    EXPECT_EQ(m_bridge->SetJavaPrimitiveArray(m_targets.text, Int, ints.get()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaPrimitiveArray(m_targets.text, Int, out.put()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaPrimitiveArray(m_targets.ints, Double, out.put()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaObjectArray(m_targets.ints, out.put()), E_FAIL);
    EXPECT_EQ(m_bridge->GetJavaObjectArray(m_targets.objectsWithNull, out.put()), E_FAIL);
    EXPECT_EQ(out.type(), VT_EMPTY);
}

}  // namespace mv::test
