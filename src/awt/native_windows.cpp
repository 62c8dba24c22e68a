#include "awt/native_windows.h"

#include <new>

namespace mv {
namespace {

struct process_windows {
    DWORD processId;
    std::vector<HWND>* windows;
    bool outOfMemory;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM context) noexcept {
    auto* search = reinterpret_cast<process_windows*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    try {
        search->windows->push_back(window);
    } catch (const std::bad_alloc&) {
        search->outOfMemory = true;
        return FALSE;
    }
    return TRUE;
}

struct window_search {
    ULONG wanted;
    HWND found;
};

BOOL CALLBACK StopAtWindow(HWND window, LPARAM context) noexcept {
    auto* search = reinterpret_cast<window_search*>(context);
    if (WindowHandleValue(window) != search->wanted) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOfThisProcess() {
    std::vector<HWND> windows;
    process_windows search{::GetCurrentProcessId(), &windows, false};
    ::EnumWindows(&CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    if (search.outOfMemory) throw std::bad_alloc();
    return windows;
}

HWND FindTopLevelWindow(ULONG handle) noexcept {
    window_search search{handle, nullptr};
    ::EnumWindows(&StopAtWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace mv
