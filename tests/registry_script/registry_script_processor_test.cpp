// CRegistryScriptProcessor on the real registry of the test prefix: its replacement table,
// value types as the registry stores them, ForceRemove, NoRemove and roll-back on registry
// errors, the module's scripts read from REGISTRY resources, and HKEY_CLASSES_ROOT itself.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "module/registry_script/registry_script_processor.h"
#include "support/registry_test_support.h"
#include "support/test_scripts.h"

namespace {

using regtest::DwordValue;
using regtest::KeyExists;
using regtest::ReadValue;
using regtest::RegValue;
using regtest::SubkeyNames;
using regtest::SzValue;
using regtest::UnderTestKey;
using Names = std::vector<std::wstring>;

const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// --- the object ----------------------------------------------------------------------------

class ProcessorObject : public regtest::RegistryTest {
protected:
    mv::CRegistryScriptProcessor m_processor;
};

TEST_F(ProcessorObject, IUnknownMembersAnswerFixedValues) {
    IUnknown* unknown = &m_processor;
    void* out = &m_processor;
    EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, &out), E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(unknown->AddRef(), 1u);
    EXPECT_EQ(unknown->AddRef(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
}

TEST_F(ProcessorObject, AddReplacementRefusesNullsAndCopiesItsArguments) {
    mv::IRegistryReplacements* table = &m_processor;
    EXPECT_EQ(table->AddReplacement(nullptr, L"x"), E_INVALIDARG);
    EXPECT_EQ(table->AddReplacement(L"x", nullptr), E_INVALIDARG);
    wchar_t name[] = L"Name";
    wchar_t value[] = L"v1";
    ASSERT_EQ(table->AddReplacement(name, value), S_OK);
    name[0] = L'X';
    value[1] = L'2';
    ASSERT_EQ(m_processor.RegisterBuffer(UnderTestKey(L"K = s '%name%'").c_str(), TRUE), S_OK);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, TestPath(L"K"), nullptr), SzValue(L"v1"));
}

TEST_F(ProcessorObject, ClearedReplacementsAreUnknownPlaceholders) {
    ASSERT_EQ(m_processor.AddReplacement(L"Name", L"v"), S_OK);
    EXPECT_EQ(m_processor.ClearReplacements(), S_OK);
    EXPECT_EQ(m_processor.RegisterBuffer(UnderTestKey(L"K = s '%Name%'").c_str(), TRUE), DISP_E_EXCEPTION);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, TestPath(L"K")));
}

TEST_F(ProcessorObject, NullArgumentsAreInvalid) {
    EXPECT_EQ(m_processor.RegisterBuffer(nullptr, TRUE), E_INVALIDARG);
    EXPECT_EQ(m_processor.ResourceRegister(nullptr, 101, L"REGISTRY"), E_INVALIDARG);
    EXPECT_EQ(m_processor.ResourceUnregister(regtest::TestProgramPath().c_str(), 101, nullptr), E_INVALIDARG);
}

// --- scripts on the real registry ----------------------------------------------------------

class ProcessorOnRegistry : public ProcessorObject {
protected:
    HRESULT Apply(const std::wstring& items) { return m_processor.RegisterBuffer(UnderTestKey(items).c_str(), TRUE); }
    HRESULT Remove(const std::wstring& items) { return m_processor.RegisterBuffer(UnderTestKey(items).c_str(), FALSE); }
    std::optional<RegValue> Value(const std::wstring& relative, const wchar_t* name = nullptr) {
        return ReadValue(HKEY_CURRENT_USER, TestPath(relative), name);
    }
    Names Subkeys(const std::wstring& relative = L"") {
        return SubkeyNames(HKEY_CURRENT_USER, relative.empty() ? regtest::kTestKey : TestPath(relative));
    }
};

TEST_F(ProcessorOnRegistry, ValuesAreStoredWithTheirRegistryTypes) {
    ASSERT_EQ(Apply(L"K = s 'it''s' { val M = m 'one\\0two' val D = d 10 val B = b 0aFF val E = b '' }"), S_OK);
    EXPECT_EQ(Value(L"K"), SzValue(L"it's"));
    const wchar_t multi[] = L"one\0two\0";  // and the array's own NUL
    const auto* multiBytes = reinterpret_cast<const BYTE*>(multi);
    EXPECT_EQ(Value(L"K", L"M"), (RegValue{REG_MULTI_SZ, std::vector<BYTE>(multiBytes, multiBytes + sizeof(multi))}));
    EXPECT_EQ(Value(L"K", L"D"), DwordValue(10));
    EXPECT_EQ(Value(L"K", L"B"), (RegValue{REG_BINARY, {0x0A, 0xFF}}));
    EXPECT_EQ(Value(L"K", L"E"), (RegValue{REG_BINARY, {}}));
}

TEST_F(ProcessorOnRegistry, ForceRemoveDeletesTheWholeSubtreeBeforeWriting) {
    regtest::CreateKey(HKEY_CURRENT_USER, TestPath(L"Fresh\\Stale\\Deeper\\Deepest"));
    regtest::SetValue(HKEY_CURRENT_USER, TestPath(L"Fresh"), L"Old", DwordValue(1));
    regtest::SetValue(HKEY_CURRENT_USER, TestPath(L"Fresh\\Stale\\Deeper"), L"Old", DwordValue(2));
    regtest::CreateKey(HKEY_CURRENT_USER, TestPath(L"Sibling"));
    ASSERT_EQ(Apply(L"ForceRemove Fresh = s new { Kept }"), S_OK);
    EXPECT_EQ(Subkeys(), (Names{L"Fresh", L"Sibling"}));
    EXPECT_EQ(Subkeys(L"Fresh"), (Names{L"Kept"}));
    EXPECT_FALSE(Value(L"Fresh", L"Old"));
    EXPECT_EQ(Value(L"Fresh"), SzValue(L"new"));
}

TEST_F(ProcessorOnRegistry, NoRemoveKeepsKeysWhenRemoving) {
    const std::wstring items = L"NoRemove Keep = s kept { Child { Grandchild } val V = d 1 } Gone { val W = d 2 }";
    ASSERT_EQ(Apply(items), S_OK);
    ASSERT_EQ(Remove(items), S_OK);
    EXPECT_EQ(Subkeys(), (Names{L"Keep"}));
    EXPECT_EQ(Subkeys(L"Keep"), Names{});
    EXPECT_FALSE(Value(L"Keep", L"V"));
    EXPECT_EQ(Value(L"Keep"), SzValue(L"kept"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, regtest::kTestKey)) << "the NoRemove path itself stays";
}

TEST_F(ProcessorOnRegistry, RemovingAKeyWithForeignSubkeysFails) {
    ASSERT_EQ(Apply(L"A { B }"), S_OK);
    regtest::CreateKey(HKEY_CURRENT_USER, TestPath(L"A\\Foreign"));
    EXPECT_EQ(Remove(L"A { B }"), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Subkeys(L"A"), (Names{L"Foreign"}));
}

TEST_F(ProcessorOnRegistry, RemovingKeysThatAreGoneSucceeds) {
    EXPECT_EQ(Remove(L"A = s a { B { val V = d 1 } } NoRemove C { D }"), S_OK);
    EXPECT_EQ(Subkeys(), Names{});
}

TEST_F(ProcessorOnRegistry, ARegistryFailureMidwayRollsTheBlockBack) {
    // Only volatile keys can be created under a volatile key.
    regtest::CreateKey(HKEY_CURRENT_USER, TestPath(L"Volatile"), REG_OPTION_VOLATILE);
    regtest::SetValue(HKEY_CURRENT_USER, TestPath(L"Existing"), L"V", DwordValue(7));
    EXPECT_EQ(Apply(L"A = s a { B { val X = d 1 } } NoRemove Existing { C val W = s w } "
                    L"NoRemove Volatile { Child } After"),
              HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_EQ(Subkeys(), (Names{L"Existing", L"Volatile"}));
    EXPECT_EQ(Subkeys(L"Existing"), Names{});
    EXPECT_EQ(Value(L"Existing", L"V"), DwordValue(7));
    EXPECT_FALSE(Value(L"Existing", L"W"));
}

TEST_F(ProcessorOnRegistry, AMalformedScriptChangesNothing) {
    regtest::CreateKey(HKEY_CURRENT_USER, TestPath(L"Existing\\Sub"));
    EXPECT_EQ(Apply(L"Delete Existing New = s 'x' Broken\\Name"), DISP_E_EXCEPTION);
    EXPECT_EQ(Apply(L"ForceRemove Existing = b 'abc'"), E_FAIL);
    EXPECT_EQ(Remove(L"Existing { Sub } val V s x"), DISP_E_EXCEPTION);
    EXPECT_EQ(Subkeys(), (Names{L"Existing"}));
    EXPECT_EQ(Subkeys(L"Existing"), (Names{L"Sub"}));
}

// --- the module's scripts from resources ---------------------------------------------------

class ModuleScriptResources : public ProcessorOnRegistry {
protected:
    void SetUp() override {
        ProcessorOnRegistry::SetUp();
        RedirectClassesRoot();
        ASSERT_EQ(m_processor.AddReplacement(L"APPID", AsWide(regtest::kAppId)), S_OK);
        ASSERT_EQ(m_processor.AddReplacement(L"Module", L"C:\\Program Files\\it''s\\MvJavaJniComRot.dll"), S_OK);
    }
    HRESULT Register(unsigned id) {
        return m_processor.ResourceRegister(regtest::TestProgramPath().c_str(), id, L"REGISTRY");
    }
    HRESULT Unregister(unsigned id) {
        return m_processor.ResourceUnregister(regtest::TestProgramPath().c_str(), id, L"REGISTRY");
    }
};

TEST_F(ModuleScriptResources, RegisterAndUnregisterTheModulesScripts) {
    ASSERT_EQ(Register(regtest::kAppIdScript), S_OK);
    ASSERT_EQ(Register(regtest::kJvmFinderScript), S_OK);
    ASSERT_EQ(Register(regtest::kMvJavaCppScript), S_OK);

    // Through HKEY_CLASSES_ROOT, and stored in the key it was redirected to.
    const std::wstring clsid = L"CLSID\\" + std::wstring(AsWide(regtest::kMvJavaCppClsid));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", nullptr),
              SzValue(L"C:\\Program Files\\it's\\MvJavaJniComRot.dll"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel"), SzValue(L"Both"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, clsid, L"AppID"), SzValue(AsWide(regtest::kAppId)));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, L"MvJavaJniComRot.JvmFinder\\CurVer", nullptr),
              SzValue(L"MvJavaJniComRot.JvmFinder.1"));
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, TestPath(L"Classes")),
              (Names{L"AppID", L"CLSID", L"MvJavaJniComRot.JvmFinder", L"MvJavaJniComRot.JvmFinder.1",
                     L"MvJavaJniComRot.MvJavaCpp", L"MvJavaJniComRot.MvJavaCpp.1"}));
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, TestPath(L"Classes\\" + clsid)),
              (Names{L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib", L"VersionIndependentProgID"}));

    ASSERT_EQ(Unregister(regtest::kJvmFinderScript), S_OK);
    ASSERT_EQ(Unregister(regtest::kMvJavaCppScript), S_OK);
    ASSERT_EQ(Unregister(regtest::kAppIdScript), S_OK);
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, TestPath(L"Classes")), (Names{L"AppID", L"CLSID"}));
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, TestPath(L"Classes\\CLSID")), Names{});
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, TestPath(L"Classes\\AppID")), Names{});
}

TEST_F(ModuleScriptResources, ResourcesThatCannotBeReadGiveTheSystemError) {
    const std::wstring self = regtest::TestProgramPath();
    EXPECT_EQ(m_processor.ResourceRegister(self.c_str(), 999, L"REGISTRY"),
              HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(m_processor.ResourceRegister(self.c_str(), 101, L"NOSUCHTYPE"),
              HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND));
    const HRESULT missing = m_processor.ResourceUnregister(L"C:\\no\\such\\module.dll", 101, L"REGISTRY");
    EXPECT_TRUE(FAILED(missing) && HRESULT_FACILITY(missing) == FACILITY_WIN32) << std::hex << missing;
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, TestPath(L"Classes")), Names{});
}

TEST_F(ModuleScriptResources, EightBitTextIsReadInTheThreadsAnsiCodePage) {
    ASSERT_EQ(Register(regtest::kAnsiTextScript), S_OK);
    wchar_t name[16] = {};
    wchar_t value[16] = {};
    ASSERT_GT(::MultiByteToWideChar(CP_THREAD_ACP, 0, "Caf\xE9", -1, name, 16), 0);
    ASSERT_GT(::MultiByteToWideChar(CP_THREAD_ACP, 0, "na\xEFve \x80", -1, value, 16), 0);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, TestPath(name), nullptr), SzValue(value));
    if (::GetACP() == 1252) {
        EXPECT_EQ(std::wstring(value), L"na\u00EFve \u20AC") << "0x80 is the euro sign in code page 1252";
    }
    ASSERT_EQ(Unregister(regtest::kAnsiTextScript), S_OK);
    EXPECT_EQ(Subkeys(), (Names{L"Classes"}));
}

// --- HKEY_CLASSES_ROOT itself --------------------------------------------------------------

class ClassesRoot : public ProcessorObject {
protected:
    static constexpr wchar_t kProgId[] = L"MvRegistryScriptTest.Probe";
    static constexpr wchar_t kClsidKey[] = L"CLSID\\{F1E2D3C4-0000-4000-8000-00000000ABCD}";

    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kClsidKey);
        ProcessorObject::TearDown();
    }
};

TEST_F(ClassesRoot, AClassScriptIsWrittenToAndRemovedFromTheClassesRoot) {
    const wchar_t* script =
        L"HKCR\r\n{\r\n"
        L"\tMvRegistryScriptTest.Probe = s 'Probe Class' { CLSID = s '{F1E2D3C4-0000-4000-8000-00000000ABCD}' }\r\n"
        L"\tNoRemove CLSID\r\n\t{\r\n"
        L"\t\tForceRemove {F1E2D3C4-0000-4000-8000-00000000ABCD} = s 'Probe Class'\r\n"
        L"\t\t{\r\n\t\t\tInprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Both' }\r\n\t\t}\r\n"
        L"\t}\r\n}\r\n";
    ASSERT_EQ(m_processor.AddReplacement(L"MODULE", L"C:\\probe.dll"), S_OK);
    ASSERT_EQ(m_processor.RegisterBuffer(script, TRUE), S_OK);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kProgId, nullptr), SzValue(L"Probe Class"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, std::wstring(kClsidKey) + L"\\InprocServer32", L"ThreadingModel"),
              SzValue(L"Both"));
    // HKEY_CLASSES_ROOT writes new keys into the machine's classes.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\") + kClsidKey));

    ASSERT_EQ(m_processor.RegisterBuffer(script, FALSE), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kProgId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

}  // namespace
