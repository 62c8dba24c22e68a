#pragma once
// Captures the debugger output (OutputDebugStringA) of the calling thread while it lives.
// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the text's length and address; a vectored
// exception handler sees it first (under Wine as under Windows) and records the text, then lets
// the system go on as it would without us.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace mv::test {

class debug_output_capture {
public:
    // `probe`, if given, is asked for a mark at each text (for example the length of a trace),
    // to show what had happened when the text was written.
    explicit debug_output_capture(std::function<std::size_t()> probe = nullptr);
    ~debug_output_capture();
    debug_output_capture(const debug_output_capture&) = delete;
    debug_output_capture& operator=(const debug_output_capture&) = delete;

    // The texts written on this thread since the capture began, in order.
    std::vector<std::string> lines() const;
    // The probe's answer at each text.
    std::vector<std::size_t> marks() const;

private:
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info);

    void* m_handler = nullptr;
    DWORD m_thread = 0;
    std::function<std::size_t()> m_probe;
    std::vector<std::string> m_lines;
    std::vector<std::size_t> m_marks;
};

}  // namespace mv::test
