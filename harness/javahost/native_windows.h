#pragma once
// Native windows of the host process, all owned by one UI thread that pumps their messages, as
// the windows of a Java application on Windows are. Other threads ask for a window and wait for
// the answer; the UI thread keeps the list of windows it made.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/handles.h"

namespace mv::host {

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class NativeWindows {
public:
    // Starts the UI thread; `started()` tells whether it could make its message window.
    NativeWindows();
    // Destroys every window made and ends the UI thread.
    ~NativeWindows();
    NativeWindows(const NativeWindows&) = delete;
    NativeWindows& operator=(const NativeWindows&) = delete;

    bool started() const noexcept { return m_messageWindow != nullptr; }

    // A visible top-level (WS_POPUP) window at exactly `rect` in screen coordinates; null on failure.
    HWND CreateTopLevel(const WindowRect& rect, const std::wstring& title);
    // A visible child of `parent` at `rect` in the parent's client coordinates; null on failure.
    HWND CreateChild(HWND parent, const WindowRect& rect);
    // Destroys a window made here (its children go with it); false for any other handle.
    bool Close(HWND window);

private:
    struct Request;
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Perform(Request& request);  // on the UI thread
    void Send(Request& request);

    unique_handle m_ready;
    unique_handle m_thread;
    HWND m_messageWindow = nullptr;
    std::vector<HWND> m_made;  // touched on the UI thread only
};

}  // namespace mv::host
