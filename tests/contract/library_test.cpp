// The module embeds the type library as TYPELIB 1; the library carries its attributes, exactly the
// contract's types and the two creatable classes.

#include <gtest/gtest.h>
#include <oaidl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/com/bstr.h"
#include "contract_table.h"
#include "module_type_library.h"
#include "type_library_reader.h"

namespace contract {
namespace {

std::string HexText(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", value);
    return text;
}

TEST(ModuleResource, EmbedsTheTypeLibraryAsTypelibResourceOne) {
    const unique_data_module module = MapModuleAsData();
    ASSERT_TRUE(module) << "cannot map the module: error " << ::GetLastError();
    HRSRC resource = ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), L"TYPELIB");
    ASSERT_NE(resource, nullptr) << "no TYPELIB resource 1: error " << ::GetLastError();
    EXPECT_GT(::SizeofResource(module.get(), resource), 0u);
}

class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ModuleTypeLibrary(), nullptr) << ModuleTypeLibraryError(); }
    ITypeLib* library() const { return ModuleTypeLibrary(); }
};

TEST_F(TypeLibrary, CarriesTheLibraryAttributes) {
    const Library& expected = ExpectedLibrary();
    TLIBATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library()->GetLibAttr(&attr));
    EXPECT_EQ(GuidText(attr->guid), expected.libid) << "LIBID";
    EXPECT_EQ(attr->wMajorVerNum, expected.majorVersion) << "major version";
    EXPECT_EQ(attr->wMinorVerNum, expected.minorVersion) << "minor version";
    EXPECT_EQ(HexText(attr->lcid), HexText(expected.lcid)) << "locale";
    const SYSKIND syskind = attr->syskind;
    library()->ReleaseTLibAttr(attr);

    // The library describes the module's own platform, so that vtable offsets fit the module.
    const WORD machine = ModuleMachine();
    ASSERT_TRUE(machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_I386)
        << "module machine " << HexText(machine);
    EXPECT_EQ(syskind, machine == IMAGE_FILE_MACHINE_AMD64 ? SYS_WIN64 : SYS_WIN32)
        << "platform (SYSKIND)";

    mv::unique_bstr name, help;
    ASSERT_HRESULT_SUCCEEDED(
        library()->GetDocumentation(MEMBERID_NIL, name.put(), help.put(), nullptr, nullptr));
    EXPECT_EQ(Narrow(name.view()), expected.name) << "library name";
    EXPECT_EQ(Narrow(help.view()), expected.help) << "library help string";
}

TEST_F(TypeLibrary, HoldsExactlyTheContractTypes) {
    // Dual interfaces appear in the library as their dispatch half.
    std::vector<std::string> expected;
    for (const Interface& i : ExpectedInterfaces()) expected.push_back("dispatch " + i.name);
    for (const CoClass& c : ExpectedCoClasses()) expected.push_back("coclass " + c.name);
    for (const Enumeration& e : ExpectedEnumerations()) expected.push_back("enum " + e.name);
    for (const Record& r : ExpectedRecords()) expected.push_back("record " + r.name);

    std::vector<std::string> actual;
    for (UINT index = 0; index < library()->GetTypeInfoCount(); ++index) {
        mv::com_ptr<ITypeInfo> info;
        ASSERT_HRESULT_SUCCEEDED(library()->GetTypeInfo(index, info.put()));
        const TypeSummary summary = ReadSummary(info.get());
        actual.push_back(TypeKindText(summary.kind) + " " + summary.name);
    }

    auto contains = [](const std::vector<std::string>& types, const std::string& type) {
        return std::find(types.begin(), types.end(), type) != types.end();
    };
    for (const std::string& type : expected) EXPECT_TRUE(contains(actual, type)) << "missing: " << type;
    for (const std::string& type : actual) {
        EXPECT_TRUE(contains(expected, type)) << "not in the contract: " << type;
    }
    EXPECT_EQ(actual.size(), expected.size()) << "number of types";
}

TEST_F(TypeLibrary, DescribesTheTwoCreatableClasses) {
    for (const CoClass& expected : ExpectedCoClasses()) {
        SCOPED_TRACE("coclass " + expected.name);
        mv::com_ptr<ITypeInfo> info;
        ASSERT_HRESULT_SUCCEEDED(library()->GetTypeInfoOfGuid(GuidFromText(expected.clsid), info.put()))
            << "CLSID " << expected.clsid;

        const TypeSummary summary = ReadSummary(info.get());
        EXPECT_EQ(summary.name, expected.name) << "name";
        EXPECT_EQ(TypeKindText(summary.kind), "coclass") << "type kind";
        EXPECT_EQ(summary.help, expected.help) << "help string";
        EXPECT_EQ(TypeFlagsText(summary.flags), TypeFlagsText(TYPEFLAG_FCANCREATE)) << "type flags";

        const std::vector<ImplementedType> implemented = ReadImplementedTypes(info.get());
        ASSERT_EQ(implemented.size(), 1u) << "number of interfaces";
        EXPECT_EQ(implemented[0].name, expected.defaultInterface) << "default interface";
        EXPECT_EQ(implemented[0].guid, ExpectedInterface(expected.defaultInterface).iid)
            << "default interface IID";
        EXPECT_EQ(implemented[0].implFlags, IMPLTYPEFLAG_FDEFAULT) << "implementation flags";
    }
}

}  // namespace
}  // namespace contract
