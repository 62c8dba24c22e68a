#pragma once
// The fixture of the mvjava tests that drive the sample applications: the AWT tests' host (both
// sample applications, the hook installed) and mvjava.exe run against its process id.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "awt_test.h"
#include "component_records.h"
#include "json_reader.h"
#include "mvjava_process.h"

namespace mv::test {

class MvjavaTest : public AwtTest {
protected:
    std::wstring Pid() { return std::to_wstring(host().pid()); }

    // mvjava with the arguments; PID stands for the host's process id.
    MvjavaResult Mvjava(std::vector<std::wstring> args) {
        for (std::wstring& arg : args)
            if (arg == L"PID") arg = Pid();
        return RunMvjava(args);
    }

    // The JSON text parsed; fails the test (and answers null) when it does not parse.
    static std::optional<mvjava::JsonValue> Parse(const std::string& text) {
        mvjava::JsonParseResult parsed = mvjava::ParseJson(text);
        EXPECT_TRUE(parsed.value) << parsed.error << "\n" << text;
        return parsed.value;
    }

    // Whether the hook library in the host answers the one-call snapshot.
    bool HookHasSnapshot();

    // The path of the component named `name` as the component interfaces give it.
    std::wstring PathOf(const std::wstring& name) {
        const std::vector<ComponentRecord> records = RecordTree(jvm());
        const ComponentRecord* record = RecordNamed(records, name);
        return record ? record->path : L"/none";
    }
};

// What a failed run printed, for assertion messages.
std::string Show(const MvjavaResult& result);

// The stderr of a failed command: exactly one line, starting "mvjava: ".
::testing::AssertionResult OneErrorLine(const MvjavaResult& result);

}  // namespace mv::test
