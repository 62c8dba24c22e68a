#include "mvjava_test.h"

#include "common/com/bstr.h"
#include "java_statics.h"
#include "variant_values.h"

namespace mv::test {

bool MvjavaTest::HookHasSnapshot() {
    UINT64 hook = 0;
    if (FAILED(jvm()->GetMorvaneAWTHook(&hook)) || !hook) return false;
    const JavaHandle hookObject(jvm(), hook);
    unique_variant args;
    MakeArgumentArray(args, {ArgI4(0)});
    unique_bstr json;
    return SUCCEEDED(jvm()->CallStaticStringMethod(hook, unique_bstr::copy_of(L"snapshotWindows").get(),
                                                   unique_bstr::copy_of(L"(I)Ljava/lang/String;").get(), args.get(),
                                                   json.put())) &&
           json;
}

std::string Show(const MvjavaResult& result) {
    return "exit code " + std::to_string(result.exitCode) + "\nstdout:\n" + result.out + "\nstderr:\n" + result.err;
}

::testing::AssertionResult OneErrorLine(const MvjavaResult& result) {
    const std::vector<std::string> lines = SplitLines(result.err);
    if (lines.size() != 1 || result.err.back() != '\n')
        return ::testing::AssertionFailure() << "stderr is not one line: " << result.err;
    if (lines[0].rfind("mvjava: ", 0) != 0)
        return ::testing::AssertionFailure() << "stderr does not start with \"mvjava: \": " << result.err;
    return ::testing::AssertionSuccess();
}

}  // namespace mv::test
