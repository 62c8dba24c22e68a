// mvjava: a command-line inspector of the Java windows that processes publish through
// MvJavaJniComRot, built only on the module's public COM interface.

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "console_output.h"
#include "exit_codes.h"

namespace {

std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);
    return args;
}

mvjava::ExitCode Run(const mvjava::Options& options) {
    using mvjava::Command;
    switch (options.command) {
        case Command::kHelp: mvjava::WriteOut(mvjava::UsageText()); return mvjava::ExitCode::kOk;
        case Command::kVersion: mvjava::WriteOut(mvjava::VersionText()); return mvjava::ExitCode::kOk;
        case Command::kList: return mvjava::RunList(options);
        case Command::kTree: return mvjava::RunTree(options);
        case Command::kFind: return mvjava::RunFind(options);
        case Command::kGet: return mvjava::RunGet(options);
        case Command::kSet: return mvjava::RunSet(options);
        case Command::kClick: return mvjava::RunClick(options);
        case Command::kHwnd: return mvjava::RunHwnd(options);
        case Command::kSnapshot: return mvjava::RunSnapshot(options);
        case Command::kLog: return mvjava::RunLog(options);
        case Command::kWatch: return mvjava::RunWatch(options);
        case Command::kRecord: return mvjava::RunRecord(options);
        case Command::kReplay: return mvjava::RunReplay(options);
    }
    return mvjava::ExitCode::kUsage;
}

// COM for the life of the command (the multithreaded apartment: no message loop here).
class ComScope {
public:
    ComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

}  // namespace

int main() {
    mvjava::PrepareConsoleOutput();
    try {
        const mvjava::Options options = mvjava::ParseCommandLine(Arguments());
        const ComScope com;
        if (FAILED(com.result()))
            throw mvjava::Failure(mvjava::ExitCode::kCallFailed,
                                  "CoInitializeEx failed: " + mvjava::DescribeHresult(com.result()));
        return static_cast<int>(Run(options));
    } catch (const mvjava::Failure& failure) {
        mvjava::WriteNote(failure.what());
        return static_cast<int>(failure.code());
    } catch (const std::bad_alloc&) {
        mvjava::WriteNote("out of memory");
        return static_cast<int>(mvjava::ExitCode::kCallFailed);
    } catch (const std::exception& e) {
        mvjava::WriteNote(e.what());
        return static_cast<int>(mvjava::ExitCode::kCallFailed);
    }
}
