#pragma once
// Native top-level windows as EnumWindows reports them (from the top of the Z order down), and
// the exact rectangle comparison by which a Java window is matched to a native one.

#include <windows.h>

#include <vector>

namespace mv {

// The top-level windows owned by this process, in enumeration order. May throw bad_alloc.
std::vector<HWND> TopLevelWindowsOfThisProcess();

// The top-level window (of any process) whose handle, as a 32-bit value, is `handle`; null
// when there is none.
HWND FindTopLevelWindow(ULONG handle) noexcept;

// A Java window's bounds: position and size.
struct java_bounds {
    LONG x;
    LONG y;
    LONG width;
    LONG height;
};

// True when `rect` covers exactly the given bounds (no tolerance).
inline bool SameRectangle(const RECT& rect, const java_bounds& bounds) noexcept {
    return rect.left == bounds.x && rect.top == bounds.y && rect.right - rect.left == bounds.width &&
           rect.bottom - rect.top == bounds.height;
}

// The 32-bit value of a window handle, as the automation interfaces carry it.
inline ULONG WindowHandleValue(HWND window) noexcept {
    return static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(window));
}

}  // namespace mv
