#pragma once
// Collects what this process sends to the debugger (OutputDebugStringA/W) while it lives: the
// call raises DBG_PRINTEXCEPTION_C (or its wide form) first, which a vectored handler records.

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace mv::test {

class DebugOutputCapture {
public:
    DebugOutputCapture() {
        s_messages.clear();  // no handler is installed yet
        m_handler = ::AddVectoredExceptionHandler(1, &Handler);
    }
    ~DebugOutputCapture() { ::RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> Messages() const {  // so far, in order (wide ones as UTF-8)
        std::lock_guard<std::mutex> lock(s_mutex);
        return s_messages;
    }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        const bool narrow = record->ExceptionCode == DBG_PRINTEXCEPTION_C;
        if (record->NumberParameters < 2 || (!narrow && record->ExceptionCode != 0x4001000A /* the wide form */))
            return EXCEPTION_CONTINUE_SEARCH;
        // Parameters: the length in characters including the terminator, then the text.
        const int units = std::max(static_cast<int>(record->ExceptionInformation[0]) - 1, 0);
        const ULONG_PTR at = record->ExceptionInformation[1];
        std::string text;
        if (narrow) {
            text.assign(reinterpret_cast<const char*>(at), static_cast<std::size_t>(units));
        } else {
            const auto* wide = reinterpret_cast<const wchar_t*>(at);
            text.resize(std::size_t(::WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr)));
            ::WideCharToMultiByte(CP_UTF8, 0, wide, units, text.data(), int(text.size()), nullptr, nullptr);
        }
        std::lock_guard<std::mutex> lock(s_mutex);
        s_messages.push_back(std::move(text));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    static inline std::mutex s_mutex;
    static inline std::vector<std::string> s_messages;
    void* m_handler = nullptr;
};

}  // namespace mv::test
