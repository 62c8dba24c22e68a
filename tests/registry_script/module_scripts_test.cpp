// The module's three registration scripts (AppID, MvJavaCpp class, JvmFinder class) run
// against a registry held in memory: the keys and values they write, removal, re-registration
// and the scripts written back from what they produced.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "module/registry_script/replacement_table.h"
#include "module/registry_script/script_runner.h"
#include "support/memory_registry.h"
#include "support/script_test_values.h"
#include "support/script_writer.h"
#include "support/test_scripts.h"

namespace {

namespace rs = mv::registry_script;
namespace mem = mv::registry_script::memreg;
using mem::Sz;
using Paths = std::vector<std::u16string>;

// A module path with a single quote, doubled as registration adds it.
constexpr char16_t kModuleReplacement[] = u"C:\\Program Files\\it''s\\MvJavaJniComRot.dll";
constexpr char16_t kModulePath[] = u"C:\\Program Files\\it's\\MvJavaJniComRot.dll";

struct ClassNames {
    std::u16string progId;  // N
    std::u16string description;
    std::u16string clsid;
};

const ClassNames kClasses[] = {
    {u"MvJavaJniComRot.MvJavaCpp", u"MvJavaCpp Class", regtest::kMvJavaCppClsid},
    {u"MvJavaJniComRot.JvmFinder", u"JvmFinder Class", regtest::kJvmFinderClsid},
};

Paths Sorted(Paths paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

class ModuleScripts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_table.Add(u"APPID", regtest::kAppId), rs::kOk);
        ASSERT_EQ(m_table.Add(u"Module", kModuleReplacement), rs::kOk);
    }

    rs::ScriptResult Run(unsigned id, bool registering) {
        const rs::ScriptResult result =
            rs::RegisterBuffer(regtest::ScriptResourceText(id), m_table, registering, m_registry);
        EXPECT_EQ(m_registry.OpenHandleCount(), 0u);
        return result;
    }
    // In the order of registration and unregistration.
    void RegisterAll() {
        ASSERT_EQ(Run(regtest::kAppIdScript, true), rs::kOk);
        ASSERT_EQ(Run(regtest::kJvmFinderScript, true), rs::kOk);
        ASSERT_EQ(Run(regtest::kMvJavaCppScript, true), rs::kOk);
    }
    void UnregisterAll() {
        ASSERT_EQ(Run(regtest::kJvmFinderScript, false), rs::kOk);
        ASSERT_EQ(Run(regtest::kMvJavaCppScript, false), rs::kOk);
        ASSERT_EQ(Run(regtest::kAppIdScript, false), rs::kOk);
    }

    mem::MemoryRegistry m_registry;
    rs::ReplacementTable m_table;
};

TEST_F(ModuleScripts, RegistrationWritesTheClassAndAppIdKeys) {
    RegisterAll();
    Paths expected = {u"HKCR\\AppID", u"HKCR\\AppID\\" + std::u16string(regtest::kAppId),
                      u"HKCR\\AppID\\MvJavaJniComRot.DLL", u"HKCR\\CLSID"};
    for (const ClassNames& c : kClasses) {
        const std::u16string n = u"HKCR\\" + c.progId;
        const std::u16string k = u"HKCR\\CLSID\\" + c.clsid;
        expected.insert(expected.end(), {n + u".1", n + u".1\\CLSID", n, n + u"\\CLSID", n + u"\\CurVer", k,
                                         k + u"\\ProgID", k + u"\\VersionIndependentProgID",
                                         k + u"\\Programmable", k + u"\\InprocServer32", k + u"\\TypeLib"});
    }
    EXPECT_EQ(Sorted(m_registry.KeyPaths()), Sorted(expected));

    EXPECT_EQ(m_registry.FindValue(u"HKCR\\AppID\\" + std::u16string(regtest::kAppId), u""), Sz(u"MvJavaJniComRot"));
    EXPECT_EQ(m_registry.FindValue(u"HKCR\\AppID\\MvJavaJniComRot.DLL", u"AppID"), Sz(regtest::kAppId));
    for (const ClassNames& c : kClasses) {
        const std::u16string n = u"HKCR\\" + c.progId;
        const std::u16string k = u"HKCR\\CLSID\\" + c.clsid;
        EXPECT_EQ(m_registry.FindValue(n + u".1", u""), Sz(c.description));
        EXPECT_EQ(m_registry.FindValue(n + u".1\\CLSID", u""), Sz(c.clsid));
        EXPECT_EQ(m_registry.FindValue(n, u""), Sz(c.description));
        EXPECT_EQ(m_registry.FindValue(n + u"\\CLSID", u""), Sz(c.clsid));
        EXPECT_EQ(m_registry.FindValue(n + u"\\CurVer", u""), Sz(c.progId + u".1"));
        EXPECT_EQ(m_registry.FindValue(k, u""), Sz(c.description));
        EXPECT_EQ(m_registry.FindValue(k, u"AppID"), Sz(regtest::kAppId));
        EXPECT_EQ(m_registry.FindValue(k + u"\\ProgID", u""), Sz(c.progId + u".1"));
        EXPECT_EQ(m_registry.FindValue(k + u"\\VersionIndependentProgID", u""), Sz(c.progId));
        EXPECT_FALSE(m_registry.FindValue(k + u"\\Programmable", u""));
        EXPECT_EQ(m_registry.FindValue(k + u"\\InprocServer32", u""), Sz(kModulePath)) << "quote single again";
        EXPECT_EQ(m_registry.FindValue(k + u"\\InprocServer32", u"ThreadingModel"), Sz(u"Both"));
        EXPECT_EQ(m_registry.FindValue(k + u"\\TypeLib", u""), Sz(regtest::kLibId));
    }
}

TEST_F(ModuleScripts, UnregistrationLeavesOnlyTheProtectedParents) {
    m_registry.AddKey(u"HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InprocServer32");
    m_registry.AddKey(u"HKCR\\AppID\\{00000000-0000-0000-0000-000000000002}");
    RegisterAll();
    UnregisterAll();
    EXPECT_EQ(m_registry.KeyPaths(),
              (Paths{u"HKCR\\AppID", u"HKCR\\AppID\\{00000000-0000-0000-0000-000000000002}", u"HKCR\\CLSID",
                     u"HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}",
                     u"HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InprocServer32"}));
}

TEST_F(ModuleScripts, UnregisteringTwiceSucceeds) {
    RegisterAll();
    UnregisterAll();
    UnregisterAll();
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCR\\AppID", u"HKCR\\CLSID"}));
}

TEST_F(ModuleScripts, RegisteringAgainDropsStaleSubkeysOfTheClassKeyOnly) {
    RegisterAll();
    const std::u16string classKey = u"HKCR\\CLSID\\" + std::u16string(regtest::kMvJavaCppClsid);
    m_registry.AddKey(classKey + u"\\Stale\\Deeper");
    m_registry.AddValue(classKey + u"\\InprocServer32", u"Stale", Sz(u"x"));
    m_registry.AddKey(u"HKCR\\MvJavaJniComRot.MvJavaCpp\\Extra");
    ASSERT_EQ(Run(regtest::kMvJavaCppScript, true), rs::kOk);
    EXPECT_FALSE(m_registry.HasKey(classKey + u"\\Stale"));
    EXPECT_FALSE(m_registry.FindValue(classKey + u"\\InprocServer32", u"Stale"));
    EXPECT_TRUE(m_registry.HasKey(classKey + u"\\Programmable"));
    EXPECT_TRUE(m_registry.HasKey(u"HKCR\\MvJavaJniComRot.MvJavaCpp\\Extra")) << "no ForceRemove on ProgIDs";
}

TEST_F(ModuleScripts, AForeignSubkeyUnderAClassKeyMakesUnregistrationFail) {
    RegisterAll();
    const std::u16string classKey = u"HKCR\\CLSID\\" + std::u16string(regtest::kJvmFinderClsid);
    m_registry.AddKey(classKey + u"\\Foreign");
    EXPECT_EQ(Run(regtest::kJvmFinderScript, false), rs::HresultFromWin32(mem::kErrorAccessDenied));
    EXPECT_TRUE(m_registry.HasKey(classKey + u"\\Foreign"));
    EXPECT_FALSE(m_registry.HasKey(classKey + u"\\InprocServer32")) << "its named subkeys went first";
}

TEST_F(ModuleScripts, MissingReplacementsFailBeforeWritingAnything) {
    m_table.Clear();
    ASSERT_EQ(m_table.Add(u"APPID", regtest::kAppId), rs::kOk);
    EXPECT_EQ(Run(regtest::kMvJavaCppScript, true), rs::kSyntaxError) << "no Module";
    EXPECT_TRUE(m_registry.IsEmpty());
}

TEST_F(ModuleScripts, TheRegistryWrittenBackAsAScriptRecreatesAndRemovesItself) {
    RegisterAll();
    const std::optional<std::u16string> script = mem::WriteScript(m_registry);
    ASSERT_TRUE(script);
    mem::MemoryRegistry copy;
    ASSERT_EQ(rs::RegisterBuffer(*script, rs::ReplacementTable(), true, copy), rs::kOk);
    EXPECT_TRUE(copy.SameContent(m_registry));
    ASSERT_EQ(rs::RegisterBuffer(*script, rs::ReplacementTable(), false, copy), rs::kOk);
    EXPECT_TRUE(copy.IsEmpty());
}

}  // namespace
