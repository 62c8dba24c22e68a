// The C++ header generated with the library (the one the module's code implements) agrees with
// the contract on identities and enumeration values.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "contract_table.h"
#include "type_library_reader.h"

namespace contract {
namespace {

TEST(GeneratedHeader, DeclaresTheContractIdentities) {
    EXPECT_EQ(GuidText(LIBID_MvJavaJniComRotLib), ExpectedLibrary().libid);

    const std::vector<std::pair<std::string, IID>> interfaces = {
        {"IJObject", __uuidof(IJObject)},
        {"IJAwtComponent", __uuidof(IJAwtComponent)},
        {"IJAwtContainer", __uuidof(IJAwtContainer)},
        {"IJAwtWindow", __uuidof(IJAwtWindow)},
        {"IJAwtTextComponent", __uuidof(IJAwtTextComponent)},
        {"IMvJavaCpp", __uuidof(IMvJavaCpp)},
        {"IJvmFinder", __uuidof(IJvmFinder)},
    };
    ASSERT_EQ(interfaces.size(), ExpectedInterfaces().size());
    for (const auto& [name, iid] : interfaces) EXPECT_EQ(GuidText(iid), ExpectedInterface(name).iid) << name;
    EXPECT_EQ(GuidText(IID_IMvJavaCpp), ExpectedInterface("IMvJavaCpp").iid) << "IID_IMvJavaCpp";

    const std::vector<std::pair<std::string, CLSID>> classes = {
        {"MvJavaCpp", CLSID_MvJavaCpp},
        {"CJvmFinder", CLSID_CJvmFinder},
    };
    ASSERT_EQ(classes.size(), ExpectedCoClasses().size());
    for (size_t i = 0; i < classes.size(); ++i) {
        EXPECT_EQ(classes[i].first, ExpectedCoClasses()[i].name);
        EXPECT_EQ(GuidText(classes[i].second), ExpectedCoClasses()[i].clsid) << classes[i].first;
    }
}

TEST(GeneratedHeader, DeclaresTheEnumerationValues) {
    const std::vector<std::vector<EnumValue>> header = {
        {{"Boolean", Boolean}, {"Byte", Byte}, {"Char", Char}, {"Short", Short}, {"Int", Int}, {"Long", Long},
         {"Float", Float}, {"Double", Double}},
        {{"ResultOK", ResultOK}, {"NotATopLevelWindow", NotATopLevelWindow}, {"CannotMatch", CannotMatch},
         {"NoMatch", NoMatch}, {"ResultAmbiguous", ResultAmbiguous}},
    };
    ASSERT_EQ(header.size(), ExpectedEnumerations().size());
    for (size_t e = 0; e < header.size(); ++e) {
        const Enumeration& expected = ExpectedEnumerations()[e];
        ASSERT_EQ(header[e].size(), expected.values.size()) << expected.name;
        for (size_t i = 0; i < header[e].size(); ++i) {
            EXPECT_EQ(header[e][i].name, expected.values[i].name) << expected.name;
            EXPECT_EQ(header[e][i].value, expected.values[i].value)
                << expected.name << "::" << header[e][i].name;
        }
    }
}

}  // namespace
}  // namespace contract
