#pragma once
// Runs a JScript file of tests/scripts/ with Wine's cscript and reads its report: one line per
// step, "<label> ok <value>" or "<label> error 0x<code>".

#include <map>
#include <string>

#include "process_run.h"

namespace mvtest {

struct ScriptReport {
    ProcessRun run;
    std::map<std::string, std::string> steps;  // label -> "ok <value>" or "error 0x<code>"

    // The outcome of one step, or "(missing)" when the script never reported it.
    std::string Step(const std::string& label) const;
};

ScriptReport RunScript(const std::string& fileName, const std::wstring& arguments);

}  // namespace mvtest
