// Every interface of the library matches the contract: identity, flags and base, and for every
// method its vtable slot, DISPID, parameters (name, type, direction) and help string. Late-bound
// clients find every member by name.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "contract_table.h"
#include "module_type_library.h"
#include "type_library_reader.h"

namespace contract {
namespace {

constexpr int kFirstOwnSlot = 7;  // after IUnknown (3) and IDispatch (4)
const std::string kIDispatch = "{00020400-0000-0000-C000-000000000046}";

class InterfaceContract : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_NE(ModuleTypeLibrary(), nullptr) << ModuleTypeLibraryError();
        ASSERT_HRESULT_SUCCEEDED(ModuleTypeLibrary()->GetTypeInfoOfGuid(GuidFromText(expected().iid),
                                                                        m_dispatch.put()))
            << expected().name << " " << expected().iid << " is not in the library";
    }

    static std::wstring Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }
    const Interface& expected() const { return ExpectedInterface(GetParam()); }
    // The library's entry for a dual interface: its dispatch half.
    ITypeInfo* dispatch() const { return m_dispatch.get(); }

private:
    mv::com_ptr<ITypeInfo> m_dispatch;
};

void ExpectSameMethod(const std::string& where, const Method& expected, const MethodInfo& actual) {
    EXPECT_EQ(actual.slot, expected.slot) << where << ": vtable slot";
    EXPECT_EQ(actual.dispid, expected.dispid) << where << ": DISPID";
    EXPECT_EQ(actual.invokeKind, INVOKE_FUNC) << where << ": invoke kind";
    EXPECT_EQ(actual.funcKind, FUNC_PUREVIRTUAL) << where << ": function kind";
    EXPECT_EQ(actual.callConv, CC_STDCALL) << where << ": calling convention";
    EXPECT_EQ(actual.funcFlags, 0) << where << ": function flags";
    EXPECT_EQ(actual.optionalParams, 0) << where << ": optional parameters";
    EXPECT_EQ(actual.returnType, "HRESULT") << where << ": return type";
    EXPECT_EQ(actual.help, expected.help) << where << ": help string";

    EXPECT_EQ(actual.params.size(), expected.params.size()) << where << ": number of parameters";
    const size_t common = std::min(actual.params.size(), expected.params.size());
    for (size_t i = 0; i < common; ++i) {
        const std::string param =
            where + " parameter " + std::to_string(i + 1) + " (" + expected.params[i].name + ")";
        EXPECT_EQ(actual.params[i].name, expected.params[i].name) << param << ": name";
        EXPECT_EQ(actual.params[i].type, expected.params[i].type) << param << ": type";
        EXPECT_EQ(actual.params[i].direction, expected.params[i].direction) << param << ": flags";
    }
}

TEST_P(InterfaceContract, IsADualInterfaceDerivedFromIDispatch) {
    const Interface& iface = expected();
    const int pointerSize = LibraryPointerSize();

    const TypeSummary outer = ReadSummary(dispatch());
    EXPECT_EQ(outer.name, iface.name) << "name";
    EXPECT_EQ(TypeKindText(outer.kind), "dispatch") << "type kind of the library entry";
    // Type libraries keep "oleautomation" on the vtable half only, on Windows as under Wine.
    EXPECT_EQ(TypeFlagsText(outer.flags), TypeFlagsText(iface.typeFlags & ~TYPEFLAG_FOLEAUTOMATION))
        << "type flags of the dispatch half";
    EXPECT_EQ(outer.help, iface.help) << "help string";

    mv::com_ptr<ITypeInfo> vtable = VtableInterfaceOf(dispatch());
    const TypeSummary inner = ReadSummary(vtable.get());
    EXPECT_EQ(inner.name, iface.name) << "name of the vtable half";
    EXPECT_EQ(inner.guid, iface.iid) << "IID of the vtable half";
    EXPECT_EQ(TypeKindText(inner.kind), "interface") << "type kind of the vtable half";
    EXPECT_EQ(TypeFlagsText(inner.flags), TypeFlagsText(iface.typeFlags)) << "type flags of the vtable half";
    EXPECT_EQ(inner.help, iface.help) << "help string of the vtable half";
    EXPECT_EQ(inner.functionCount, static_cast<int>(iface.methods.size())) << "number of own methods";
    EXPECT_EQ(inner.vtableBytes, (kFirstOwnSlot + static_cast<int>(iface.methods.size())) * pointerSize)
        << "vtable size";

    const std::vector<ImplementedType> bases = ReadImplementedTypes(vtable.get());
    ASSERT_EQ(bases.size(), 1u) << "number of base interfaces";
    EXPECT_EQ(bases[0].name, "IDispatch") << "base interface";
    EXPECT_EQ(bases[0].guid, kIDispatch) << "base interface IID";
}

TEST_P(InterfaceContract, HasEveryMethodInItsSlotWithItsDispidAndParameters) {
    const Interface& iface = expected();
    mv::com_ptr<ITypeInfo> vtable = VtableInterfaceOf(dispatch());
    const std::vector<MethodInfo> actual = ReadMethods(vtable.get());

    std::map<std::string, const MethodInfo*> byName;
    for (const MethodInfo& m : actual) byName.emplace(m.name, &m);

    for (const Method& m : iface.methods) {
        const std::string where = iface.name + "." + m.name;
        const auto found = byName.find(m.name);
        if (found == byName.end()) {
            ADD_FAILURE() << where << ": missing from the library";
            continue;
        }
        ExpectSameMethod(where, m, *found->second);
    }
    for (const MethodInfo& m : actual) {
        const bool known = std::any_of(iface.methods.begin(), iface.methods.end(),
                                       [&](const Method& e) { return e.name == m.name; });
        EXPECT_TRUE(known) << iface.name << "." << m.name << " (slot " << m.slot << ", DISPID " << m.dispid
                           << ") is not in the contract";
    }
}

TEST_P(InterfaceContract, LateBindingFindsEveryMemberByName) {
    const Interface& iface = expected();
    for (const Method& m : iface.methods) {
        std::wstring name = Wide(m.name);
        LPOLESTR names[] = {name.data()};
        MEMBERID dispid = MEMBERID_NIL;
        const HRESULT hr = dispatch()->GetIDsOfNames(names, 1, &dispid);
        EXPECT_HRESULT_SUCCEEDED(hr) << iface.name << "." << m.name << ": not found by name";
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(dispid, m.dispid) << iface.name << "." << m.name << ": DISPID by name";
        }
    }
}

std::vector<std::string> InterfaceNames() {
    std::vector<std::string> names;
    for (const Interface& i : ExpectedInterfaces()) names.push_back(i.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Library, InterfaceContract, ::testing::ValuesIn(InterfaceNames()),
                         [](const ::testing::TestParamInfo<std::string>& name) { return name.param; });

TEST(MvJavaCppLateBinding, KnowsTheBooleanStaticSetterOnlyAsSetStaticBoolenField) {
    ASSERT_NE(ModuleTypeLibrary(), nullptr) << ModuleTypeLibraryError();
    mv::com_ptr<ITypeInfo> info = FindTypeByName(ModuleTypeLibrary(), "IMvJavaCpp");
    ASSERT_TRUE(info);
    std::wstring name = L"SetStaticBooleanField";
    LPOLESTR names[] = {name.data()};
    MEMBERID dispid = MEMBERID_NIL;
    EXPECT_EQ(info->GetIDsOfNames(names, 1, &dispid), DISP_E_UNKNOWNNAME);
}

}  // namespace
}  // namespace contract
