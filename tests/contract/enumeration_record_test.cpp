// The enumerations carry exactly their named values, and the records their fields with the
// standard Windows layout, as the type-library marshaller needs them.

#include <gtest/gtest.h>

#include <algorithm>

#include "contract_table.h"
#include "module_type_library.h"
#include "type_library_reader.h"

namespace contract {
namespace {

class LibraryType : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ModuleTypeLibrary(), nullptr) << ModuleTypeLibraryError(); }

    // The library's type with this name and kind; adds a failure and returns null otherwise.
    static mv::com_ptr<ITypeInfo> Find(const std::string& name, TYPEKIND kind) {
        mv::com_ptr<ITypeInfo> info = FindTypeByName(ModuleTypeLibrary(), name);
        if (!info) {
            ADD_FAILURE() << name << " is not in the library";
        } else if (ReadSummary(info.get()).kind != kind) {
            ADD_FAILURE() << name << " is a " << TypeKindText(ReadSummary(info.get()).kind) << ", expected a "
                          << TypeKindText(kind);
            info.reset();
        }
        return info;
    }
};

TEST_F(LibraryType, EnumerationsHaveExactlyTheirValues) {
    for (const Enumeration& expected : ExpectedEnumerations()) {
        mv::com_ptr<ITypeInfo> info = Find(expected.name, TKIND_ENUM);
        if (!info) continue;
        const std::vector<VariableInfo> actual = ReadVariables(info.get());
        EXPECT_EQ(actual.size(), expected.values.size()) << expected.name << ": number of values";
        for (size_t i = 0; i < std::min(actual.size(), expected.values.size()); ++i) {
            const std::string where = expected.name + " value " + std::to_string(i + 1);
            EXPECT_EQ(actual[i].name, expected.values[i].name) << where << ": name";
            EXPECT_EQ(actual[i].kind, VAR_CONST) << where << ": variable kind";
            EXPECT_EQ(actual[i].value, expected.values[i].value) << where << " (" << expected.values[i].name
                                                                 << "): value";
        }
    }
}

TEST_F(LibraryType, GetHWNDResultInfoHasNoValueTwo) {
    mv::com_ptr<ITypeInfo> info = Find("GetHWNDResultInfo", TKIND_ENUM);
    ASSERT_TRUE(info);
    for (const VariableInfo& v : ReadVariables(info.get())) EXPECT_NE(v.value, 2) << v.name;
}

TEST_F(LibraryType, RecordsHaveTheirFieldsInTheStandardLayout) {
    for (const Record& expected : ExpectedRecords()) {
        mv::com_ptr<ITypeInfo> info = Find(expected.name, TKIND_RECORD);
        if (!info) continue;
        const std::vector<VariableInfo> actual = ReadVariables(info.get());
        EXPECT_EQ(actual.size(), expected.fields.size()) << expected.name << ": number of fields";
        // Every field is a 32-bit long, one after the other.
        EXPECT_EQ(ReadSummary(info.get()).instanceBytes, 4 * static_cast<int>(expected.fields.size()))
            << expected.name << ": size";
        for (size_t i = 0; i < std::min(actual.size(), expected.fields.size()); ++i) {
            const std::string where = expected.name + " field " + std::to_string(i + 1) + " (" +
                                      expected.fields[i].name + ")";
            EXPECT_EQ(actual[i].name, expected.fields[i].name) << where << ": name";
            EXPECT_EQ(actual[i].type, expected.fields[i].type) << where << ": type";
            EXPECT_EQ(actual[i].kind, VAR_PERINSTANCE) << where << ": variable kind";
            EXPECT_EQ(actual[i].offset, 4 * static_cast<long>(i)) << where << ": offset";
        }
    }
}

}  // namespace
}  // namespace contract
