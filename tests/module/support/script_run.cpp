#include "script_run.h"

#include <sstream>

#include "module_paths.h"

namespace mvtest {

std::string ScriptReport::Step(const std::string& label) const {
    const auto found = steps.find(label);
    return found == steps.end() ? "(missing)" : found->second;
}

ScriptReport RunScript(const std::string& fileName, const std::wstring& arguments) {
    ScriptReport report;
    const std::wstring line = L"\"" + SystemProgram(L"cscript.exe") + L"\" //nologo \"" + TestScriptPath(fileName) +
                              L"\" " + arguments;
    report.run = RunProcess(line);
    std::istringstream lines(report.run.output);
    std::string text;
    while (std::getline(lines, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        // The outcome starts at the last " ok " or " error " (labels have no such words).
        for (const char* marker : {" ok ", " error "}) {
            const auto at = text.rfind(marker);
            if (at != std::string::npos) {
                report.steps[text.substr(0, at)] = text.substr(at + 1);
                break;
            }
        }
    }
    return report;
}

}  // namespace mvtest
