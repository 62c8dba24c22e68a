#pragma once
// Test scripts run by cscript, and what they report.

#include <map>
#include <string>

#include "child_process.h"

namespace mv::test {

// A script (a file of tests/scripts/, or one named by its full Linux path) run by cscript; it
// reports one line per step, "<label> ok <value>" or "<label> error 0x<code>".
struct ScriptReport {
    ProcessRun run;
    std::map<std::string, std::string> steps;  // label -> "ok <value>" or "error 0x<code>"
    std::string Step(const std::string& label) const;  // "(missing)" when the script never reported it
};
ScriptReport RunScript(const std::string& file, const std::wstring& arguments, DWORD timeoutMilliseconds = 60000);

}  // namespace mv::test
