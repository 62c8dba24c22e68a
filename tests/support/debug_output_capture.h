#pragma once
// Collects what this process sends to the debugger (OutputDebugStringA/W) while it lives: the
// call raises DBG_PRINTEXCEPTION_C (or its wide form) first, which a vectored handler records.

#include <windows.h>

#include <string>
#include <vector>

namespace mv::test {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture() { ::RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> Messages() const;  // so far, in order (wide ones as UTF-8)

private:
    void* m_handler = nullptr;
};

}  // namespace mv::test
