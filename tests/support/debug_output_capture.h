#pragma once
// Collects what this process sends to the debugger with OutputDebugStringA/W while it lives.
// OutputDebugString raises DBG_PRINTEXCEPTION_C (and DBG_PRINTEXCEPTION_WIDE_C) before anything
// else sees the text; a vectored handler records the text and lets it continue.

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace mv::test {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // The messages so far, in order (wide ones converted to UTF-8).
    std::vector<std::string> Messages() const;
    void Clear();

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info);
    void* m_handler = nullptr;
};

}  // namespace mv::test
