// Late binding from a real automation client: tests/scripts/late_binding.js run by Wine's
// cscript in a process of its own, with the module registered by this program.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "script_run.h"

namespace {

// JScript reports a name that IDispatch::GetIDsOfNames does not know (DISP_E_UNKNOWNNAME) as
// its own run-time error 438, "Object doesn't support this property or method".
constexpr char kScriptUnknownName[] = "error 0x800A01B6";

TEST(ScriptClient, CallsBothClassesByName) {
    // This test program published no JVM, so its process id finds none.
    const mvtest::ScriptReport report =
        mvtest::RunScript("late_binding.js", std::to_wstring(::GetCurrentProcessId()));
    ASSERT_TRUE(report.run.started);
    ASSERT_FALSE(report.run.timedOut);
    ASSERT_EQ(report.run.exitCode, 0u) << report.run.output;
    SCOPED_TRACE(report.run.output);

    EXPECT_EQ(report.Step("create MvJavaCpp"), "ok object");
    EXPECT_EQ(report.Step("create MvJavaCpp.1"), "ok object");
    EXPECT_EQ(report.Step("create JvmFinder"), "ok object");
    EXPECT_EQ(report.Step("create JvmFinder.1"), "ok object");

    EXPECT_EQ(report.Step("GetJVMVersion"), "error 0x80004005") << "E_FAIL: no JVM in the script's process";
    EXPECT_EQ(report.Step("getjvmversion"), "error 0x80004005") << "names resolve in any letter case";
    EXPECT_EQ(report.Step("GetJVMVersio"), kScriptUnknownName);
    EXPECT_EQ(report.Step("JavaSaveRunningJVM"), "error 0x80004005");

    EXPECT_EQ(report.Step("GetJvmFromProcess 0"), "error 0x80070057") << "E_INVALIDARG";
    EXPECT_EQ(report.Step("GetJvmFromProcess"), "ok null") << "S_FALSE with no object";
    EXPECT_EQ(report.Step("GETJVMFROMPROCESS"), "ok null");
    EXPECT_EQ(report.Step("GetJvmFromProces"), kScriptUnknownName);
}

}  // namespace
