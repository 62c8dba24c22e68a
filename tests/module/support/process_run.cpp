#include <sstream>

#include "process_run.h"
#include "wine_path.h"

namespace mv::test {

std::string ScriptReport::Step(const std::string& label) const {
    const auto found = steps.find(label);
    return found == steps.end() ? "(missing)" : found->second;
}

ScriptReport RunScript(const std::string& file, const std::wstring& arguments, DWORD timeoutMilliseconds) {
    ScriptReport report;
    const std::string path = file.front() == '/' ? file : std::string(MV_TEST_SCRIPTS_DIR) + "/" + file;
    const std::wstring script = WindowsPathOfUnixPath(path);
    report.run = RunProcess(L"\"" + SystemProgram(L"cscript.exe") + L"\" //nologo \"" + script + L"\" " + arguments,
                            timeoutMilliseconds);
    std::istringstream lines(report.run.output);
    std::string text;
    while (std::getline(lines, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        // The outcome starts at the last " ok " or " error " (labels have no such words).
        const auto ok = text.rfind(" ok "), at = ok != std::string::npos ? ok : text.rfind(" error ");
        if (at != std::string::npos) report.steps[text.substr(0, at)] = text.substr(at + 1);
    }
    return report;
}

}  // namespace mv::test
