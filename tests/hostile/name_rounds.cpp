#include "hostile_rounds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "argument_model.h"
#include "call_members.h"
#include "field_members.h"

namespace mv::test {

// A field member with a name no field has (or, for the object members, a real field name with a
// signature no field has): E_FAIL, no output, nothing set.
void HostileRounds::FieldNameRound() {
    static const std::vector<FieldMember> members = FieldMembers();
    const FieldMember& m = members[static_cast<std::size_t>(m_random.Between(0, static_cast<long long>(members.size()) - 1))];
    std::wstring name = m_random.JunkName(), signature = m_random.JunkSignature();
    if (m.object && m_random.Chance(40)) name = m_random.Chance(50) ? L"objectField" : L"staticObject";
    const unique_bstr n = Bstr(name), s = Bstr(signature);
    const UINT64 object = m_generator.Handle();
    CallResult r;
    r.hr = m.call(m_bridge, object, n.get(), s.get(), m_random, m_targets.text, r);
    EXPECT_TRUE(m_tally.Record(m.name, r.hr, kFieldCodes)) << m.name;
    EXPECT_EQ(r.hr, E_FAIL) << m.name << " name '" << Printable(name) << "' signature '" << Printable(signature) << "'";
    EXPECT_TRUE(r.OutputsUntouched()) << m.name << " wrote an output on failure";
    if (r.l) Delete(r.l);
}

// A call member with a method name, signature or superclass that does not exist: E_FAIL.
void HostileRounds::CallNameRound() {
    const auto group = static_cast<CallGroup>(m_random.Between(0, 2));
    const auto kind = static_cast<ResultKind>(m_random.Between(0, 10));
    std::wstring superclass = m_random.JunkName(), name = m_random.JunkName(), signature = m_random.JunkSignature();
    if (m_random.Chance(30)) name = L"hashCode";  // a real method with a signature that is not its own
    if (group == CallGroup::Nonvirtual && m_random.Chance(30)) superclass = L"java/lang/Object";
    const unique_bstr sup = Bstr(superclass), n = Bstr(name), s = Bstr(signature);
    if (std::getenv("MV_HOSTILE_TRACE")) std::fprintf(stderr, "call '%s' '%s' '%s'\n", Printable(superclass).c_str(), Printable(name).c_str(), Printable(signature).c_str());
    VariantArena arena;
    unique_variant params;
    if (m_random.Chance(50)) m_generator.Any(*params.get_mutable(), arena, 2);
    CallRequest request{group, kind, m_generator.Handle(), sup.get(), n.get(), s.get()};
    const CallResult r = InvokeCall(m_bridge, request, params.get());
    const std::string member = CallMemberName(group, kind);
    EXPECT_TRUE(m_tally.Record(member, r.hr, kCallCodes)) << member;
    EXPECT_EQ(r.hr, E_FAIL) << member << " '" << Printable(superclass) << "' '" << Printable(name) << "' '" << Printable(signature) << "'";
    EXPECT_TRUE(r.OutputsUntouched()) << member << " wrote an output on failure";
    if (r.l) Delete(r.l);
    if (group == CallGroup::Nonvirtual && afterPendingException) afterPendingException();
}

// Class names: no class has a junk name; real objects have known classes; strings go and come back.
void HostileRounds::ClassNameRound() {
    const std::wstring junk = m_random.JunkName();
    const unique_bstr name = Bstr(junk);
    if (std::getenv("MV_HOSTILE_TRACE")) std::fprintf(stderr, "class name '%s'\n", Printable(junk).c_str());
    UINT64 handle = 0;
    HRESULT hr = m_bridge->NewDefJavaObject(name.get(), &handle);
    EXPECT_TRUE(m_tally.Record("NewDefJavaObject", hr, kHandleCodes));
    EXPECT_EQ(hr, E_FAIL) << "NewDefJavaObject '" << Printable(junk) << "'";
    EXPECT_EQ(handle, 0u);
    if (handle) Delete(handle);

    VARIANT_BOOL is = 0;
    hr = m_bridge->IsInstanceOf(m_targets.all[static_cast<std::size_t>(m_random.Between(0, 6))], name.get(), &is);
    EXPECT_TRUE(m_tally.Record("IsInstanceOf", hr, kHandleCodes));
    EXPECT_EQ(hr, E_FAIL) << "IsInstanceOf '" << Printable(junk) << "'";
    EXPECT_EQ(is, 0);

    hr = m_bridge->GetClassByName(name.get(), &handle);
    EXPECT_TRUE(m_tally.Record("GetClassByName", hr, kHandleCodes));
    EXPECT_EQ(hr, E_FAIL) << "GetClassByName '" << Printable(junk) << "'";
    EXPECT_EQ(handle, 0u);
    if (afterPendingException) afterPendingException();  // a class not found stays pending here

    // Known answers for the real objects.
    static const struct { int target; const wchar_t* className; VARIANT_BOOL is; } kKnown[] = {
        {3, L"java.lang.CharSequence", VARIANT_TRUE}, {2, L"java/lang/Number", VARIANT_TRUE},
        {4, L"[I", VARIANT_TRUE}, {5, L"[Ljava.lang.Object;", VARIANT_TRUE}, {0, L"java.lang.String", VARIANT_FALSE},
        {4, L"[J", VARIANT_FALSE}, {1, L"fixtures.Fields", VARIANT_TRUE},
    };
    const auto& known = m_random.Pick(kKnown);
    is = 0;
    hr = m_bridge->IsInstanceOf(m_targets.all[static_cast<std::size_t>(known.target)], Bstr(known.className).get(), &is);
    EXPECT_TRUE(m_tally.Record("IsInstanceOf", hr, kHandleCodes));
    EXPECT_EQ(hr, S_OK) << Printable(known.className);
    EXPECT_EQ(is, known.is) << Printable(known.className);

    static const wchar_t* const kClassNames[] = {L"fixtures.Echo", L"fixtures.Fields", L"java.lang.Integer",
                                                 L"java.lang.String", L"[I", L"[Ljava.lang.Object;", L"[Ljava.lang.Object;"};
    const auto target = static_cast<std::size_t>(m_random.Between(0, 6));
    unique_bstr className;
    hr = m_bridge->GetJavaClassName(m_targets.all[target], className.put());
    EXPECT_TRUE(m_tally.Record("GetJavaClassName", hr, kHandleCodes));
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(std::wstring(className.view()), kClassNames[target]);
    unique_bstr shown;
    hr = m_bridge->ObjectToString(m_targets.all[target], shown.put());
    EXPECT_TRUE(m_tally.Record("ObjectToString", hr, kHandleCodes));
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(shown);

    const UINT64 a = m_generator.Handle(), b = m_generator.Handle();
    VARIANT_BOOL same = 0;
    hr = m_bridge->IsSameJavaObject(a, b, &same);
    EXPECT_TRUE(m_tally.Record("IsSameJavaObject", hr, kHandleCodes));
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(same, a == b ? VARIANT_TRUE : VARIANT_FALSE) << std::hex << a << " " << b;

    const std::wstring text = m_random.Text(m_random.Chance(5) ? 50000 : 60);
    UINT64 string = 0;
    hr = m_bridge->NewJavaString(Bstr(text).get(), &string);
    EXPECT_TRUE(m_tally.Record("NewJavaString", hr, kHandleCodes));
    EXPECT_EQ(hr, S_OK) << Printable(text);
    if (string) {
        unique_bstr back;
        hr = m_bridge->GetJavaString(string, back.put());
        EXPECT_TRUE(m_tally.Record("GetJavaString", hr, kHandleCodes));
        EXPECT_EQ(hr, S_OK);
        EXPECT_TRUE(std::wstring(back.view()) == UpToNul(text)) << Printable(text) << " came back as " << Printable(std::wstring(back.view()));
        Delete(string);
    }
}

void HostileRounds::NameRound() {
    switch (m_random.Between(0, 2)) {
    case 0: FieldNameRound(); break;
    case 1: CallNameRound(); break;
    default: ClassNameRound(); break;
    }
}

}  // namespace mv::test
