// Runs for the whole test run with no inherited output: it starts the prefix's system processes
// (services, rpcss, explorer) so that they inherit its null output instead of the pipe of the
// first test program, which ctest would otherwise wait on until the prefix went idle. Writes the
// file named by its argument once they are up; ends with the prefix (wine-stop).

#include <windows.h>
#include <objbase.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 3;
    IRunningObjectTable* table = nullptr;  // asks rpcss for the table: starts it
    if (SUCCEEDED(::GetRunningObjectTable(0, &table))) table->Release();
    // The first window of the desktop starts explorer; it lives as long as the keeper.
    ::CreateWindowExW(0, L"STATIC", L"prefix keeper", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const HANDLE ready =
        ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) ::CloseHandle(ready);
    ::Sleep(INFINITE);  // the keeper ends with the prefix
    return 0;
}
