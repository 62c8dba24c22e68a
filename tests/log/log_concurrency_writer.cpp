// Child process of the log concurrency test: once the start event is set, several threads
// each write numbered lines through the log.
//   log_concurrency_writer <process index> <threads> <lines per thread> <start event name>
// Message: "p=<process> t=<thread> n=<line> " followed by 40 dots.

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "common/win/handles.h"
#include "log/log.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    const int process = std::stoi(argv[1]);
    const int threads = std::stoi(argv[2]);
    const int lines = std::stoi(argv[3]);
    mv::unique_handle start(::OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
    if (!start || ::WaitForSingleObject(start.get(), 60000) != WAIT_OBJECT_0) return 3;

    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([process, t, lines] {
            for (int n = 0; n < lines; ++n) {
                const std::wstring message = L"p=" + std::to_wstring(process) + L" t=" +
                                             std::to_wstring(t) + L" n=" + std::to_wstring(n) +
                                             L" " + std::wstring(40, L'.');
                mv::LogLine(L"LogConcurrency", L"writer", message.c_str());
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    return 0;
}
