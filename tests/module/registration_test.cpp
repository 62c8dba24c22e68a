// Self-registration of the built DLL with Wine's regsvr32 into the test prefix's registry:
// the keys and values written, registering twice, removal (type library included), a module
// path with a single quote, and creation by CLSID and ProgID afterwards. Every test removes
// what it registered.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "module_names.h"
#include "module_paths.h"
#include "registry_tree.h"
#include "server_registration.h"

namespace {

using mvtest::ClassNames;
using mvtest::KeyTree;
using mvtest::Sz;

const ClassNames kClassNames[] = {mvtest::kMvJavaCppNames, mvtest::kJvmFinderNames};

std::wstring ClsidKey(const ClassNames& names) { return std::wstring(L"CLSID\\") + names.clsid; }
std::wstring VersionedProgId(const ClassNames& names) { return std::wstring(names.progId) + L".1"; }
std::wstring AppIdKey() { return std::wstring(L"AppID\\") + mvtest::kAppId; }
std::wstring TypeLibKey() { return std::wstring(L"TypeLib\\") + mvtest::kLibId; }

// Everything registration writes for one class, as the class's three trees.
struct ClassTrees {
    KeyTree versionedProgId, progId, clsid;
    bool operator==(const ClassTrees& other) const {
        return versionedProgId == other.versionedProgId && progId == other.progId && clsid == other.clsid;
    }
};

ClassTrees ReadClassTrees(const ClassNames& names) {
    return {mvtest::ReadClassesTree(VersionedProgId(names)), mvtest::ReadClassesTree(names.progId),
            mvtest::ReadClassesTree(ClsidKey(names))};
}

ClassTrees ExpectedClassTrees(const ClassNames& names, const std::wstring& modulePath) {
    ClassTrees expected;
    expected.versionedProgId = {{L"", {{L"", Sz(names.description)}}}, {L"CLSID", {{L"", Sz(names.clsid)}}}};
    expected.progId = {{L"", {{L"", Sz(names.description)}}},
                       {L"CLSID", {{L"", Sz(names.clsid)}}},
                       {L"CurVer", {{L"", Sz(VersionedProgId(names))}}}};
    expected.clsid = {
        {L"", {{L"", Sz(names.description)}, {L"AppID", Sz(mvtest::kAppId)}}},
        {L"ProgID", {{L"", Sz(VersionedProgId(names))}}},
        {L"VersionIndependentProgID", {{L"", Sz(names.progId)}}},
        {L"Programmable", {}},
        {L"InprocServer32", {{L"", Sz(modulePath)}, {L"ThreadingModel", Sz(L"Both")}}},
        {L"TypeLib", {{L"", Sz(mvtest::kLibId)}}},
    };
    return expected;
}

void ExpectRegisteredAt(const std::wstring& modulePath) {
    for (const ClassNames& names : kClassNames) {
        const ClassTrees found = ReadClassTrees(names);
        const ClassTrees expected = ExpectedClassTrees(names, modulePath);
        EXPECT_EQ(found.versionedProgId, expected.versionedProgId) << names.progId;
        EXPECT_EQ(found.progId, expected.progId);
        EXPECT_EQ(found.clsid, expected.clsid);
    }
    EXPECT_EQ(mvtest::ReadClassesTree(AppIdKey()), (KeyTree{{L"", {{L"", Sz(L"MvJavaJniComRot")}}}}));
    EXPECT_EQ(mvtest::ReadClassesTree(L"AppID\\MvJavaJniComRot.DLL"),
              (KeyTree{{L"", {{L"AppID", Sz(mvtest::kAppId)}}}}));
    // The type library, registered for the locale it declares and for the neutral locale
    // (where Wine's marshaller and script engines look), under the module's path.
    EXPECT_EQ(mvtest::ReadClassesString(TypeLibKey() + L"\\1.0\\409\\win64"), modulePath);
    EXPECT_EQ(mvtest::ReadClassesString(TypeLibKey() + L"\\1.0\\0\\win64"), modulePath);
    for (const wchar_t* iid : mvtest::kInterfaceIds) {
        EXPECT_EQ(mvtest::ReadClassesString(std::wstring(L"Interface\\") + iid + L"\\TypeLib"),
                  std::wstring(mvtest::kLibId))
            << "marshalling of every dual interface goes through the type library";
    }
}

void ExpectNothingRegistered() {
    for (const ClassNames& names : kClassNames) {
        EXPECT_FALSE(mvtest::ClassesKeyExists(VersionedProgId(names)));
        EXPECT_FALSE(mvtest::ClassesKeyExists(names.progId));
        EXPECT_FALSE(mvtest::ClassesKeyExists(ClsidKey(names)));
    }
    EXPECT_FALSE(mvtest::ClassesKeyExists(AppIdKey()));
    EXPECT_FALSE(mvtest::ClassesKeyExists(L"AppID\\MvJavaJniComRot.DLL"));
    EXPECT_FALSE(mvtest::ClassesKeyExists(TypeLibKey()));
    for (const wchar_t* iid : mvtest::kInterfaceIds) {
        EXPECT_FALSE(mvtest::ClassesKeyExists(std::wstring(L"Interface\\") + iid));
    }
    EXPECT_TRUE(mvtest::ClassesKeyExists(L"AppID")) << "never removed";
    EXPECT_TRUE(mvtest::ClassesKeyExists(L"CLSID")) << "never removed";
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ExpectNothingRegistered();
    }
    void TearDown() override { ::CoUninitialize(); }
};

TEST_F(Registration, WritesEveryKeyAndRemovesThemAgain) {
    const std::wstring module = mvtest::BuiltModulePath();
    {
        mvtest::ScopedServerRegistration registration(module);
        ASSERT_TRUE(registration.registered()) << registration.registration().output;
        ExpectRegisteredAt(module);
    }
    ExpectNothingRegistered();
}

TEST_F(Registration, RegisteringAgainRewritesTheSameKeys) {
    const std::wstring module = mvtest::BuiltModulePath();
    mvtest::ScopedServerRegistration registration(module);
    ASSERT_TRUE(registration.registered());
    const ClassTrees before = ReadClassTrees(mvtest::kMvJavaCppNames);
    // A stale subkey under a class key, which the next registration's ForceRemove drops.
    mvtest::CreateClassesKey(ClsidKey(mvtest::kMvJavaCppNames) + L"\\Stale");
    ASSERT_TRUE(mvtest::ClassesKeyExists(ClsidKey(mvtest::kMvJavaCppNames) + L"\\Stale"));

    const mvtest::ProcessRun again = mvtest::RunRegsvr32(module, false);
    ASSERT_EQ(again.exitCode, 0u) << again.output;
    EXPECT_TRUE(ReadClassTrees(mvtest::kMvJavaCppNames) == before);
    ExpectRegisteredAt(module);
}

TEST_F(Registration, KeepsASingleQuoteOfTheModulePath) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"mv it's module";
    const std::wstring copy = folder + L"\\MvJavaJniComRot.dll";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(mvtest::BuiltModulePath().c_str(), copy.c_str(), FALSE)) << ::GetLastError();
    {
        mvtest::ScopedServerRegistration registration(copy);
        ASSERT_TRUE(registration.registered()) << registration.registration().output;
        EXPECT_EQ(mvtest::ReadClassesString(ClsidKey(mvtest::kJvmFinderNames) + L"\\InprocServer32"), copy);
        ExpectRegisteredAt(copy);

        mv::com_ptr<IJvmFinder> finder;
        ASSERT_EQ(::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder,
                                     finder.put_void()), S_OK);
        EXPECT_NE(::GetModuleHandleW(copy.c_str()), nullptr) << "COM loaded the module from the quoted path";
    }
    ExpectNothingRegistered();
    ::CoFreeUnusedLibrariesEx(0, 0);
    ::DeleteFileW(copy.c_str());  // may stay while COM keeps the copy loaded; the next run replaces it
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(Registration, MakesBothClassesCreatableByClsidAndProgId) {
    mvtest::ScopedServerRegistration registration(mvtest::BuiltModulePath());
    ASSERT_TRUE(registration.registered());
    struct Creatable {
        const ClassNames& names;
        const CLSID& clsid;
        const IID& iid;
    };
    const Creatable classes[] = {{mvtest::kMvJavaCppNames, CLSID_MvJavaCpp, IID_IMvJavaCpp},
                                 {mvtest::kJvmFinderNames, CLSID_CJvmFinder, IID_IJvmFinder}};
    for (const Creatable& c : classes) {
        for (const std::wstring& progId : {std::wstring(c.names.progId), VersionedProgId(c.names)}) {
            CLSID found{};
            ASSERT_EQ(::CLSIDFromProgID(progId.c_str(), &found), S_OK);
            EXPECT_EQ(found, c.clsid);
        }
        mv::com_ptr<IDispatch> instance;
        ASSERT_EQ(::CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER, c.iid, instance.put_void()), S_OK);
        EXPECT_TRUE(instance);
    }
}

}  // namespace
