#pragma once
// Windows programs of the test prefix (regsvr32, cscript) run as children through the same Wine. Their output
// goes to a file, which no process the child leaves behind can hold open the way it would hold a pipe.

#include <windows.h>

#include <map>
#include <string>

namespace mvtest {

struct ProcessRun {
    bool started = false;
    bool timedOut = false;  // the child was killed after the time allowed
    DWORD exitCode = 0;
    std::string output;  // stdout and stderr, interleaved as written
};
ProcessRun RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds = 60000);
std::wstring SystemProgram(const wchar_t* name);  // C:\windows\system32\<name>

// A JScript file of tests/scripts/ run by cscript; it reports one line per step, "<label> ok
// <value>" or "<label> error 0x<code>".
struct ScriptReport {
    ProcessRun run;
    std::map<std::string, std::string> steps;  // label -> "ok <value>" or "error 0x<code>"
    std::string Step(const std::string& label) const;  // "(missing)" when the script never reported it
};
ScriptReport RunScript(const std::string& fileName, const std::wstring& arguments);

}  // namespace mvtest
