#pragma once
// Collects what this process sends to the debugger with OutputDebugStringA/W while it lives.
// OutputDebugString raises DBG_PRINTEXCEPTION_C (and DBG_PRINTEXCEPTION_WIDE_C) before anything
// else sees the text; a vectored handler records the text and lets it continue.

#include <windows.h>

#include <string>
#include <vector>

namespace mv::test {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> Messages() const;  // so far, in order (wide ones as UTF-8)
    void Clear();

private:
    void* m_handler = nullptr;
};

}  // namespace mv::test
