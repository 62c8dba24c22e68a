#include "debug_output_capture.h"

namespace mv::test {
namespace {

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

std::mutex g_mutex;
std::vector<std::string> g_messages;

std::string Utf8(const wchar_t* text, std::size_t units) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

DebugOutputCapture::DebugOutputCapture() {
    Clear();
    m_handler = ::AddVectoredExceptionHandler(1, &DebugOutputCapture::Handler);
}

DebugOutputCapture::~DebugOutputCapture() {
    if (m_handler) ::RemoveVectoredExceptionHandler(m_handler);
}

std::vector<std::string> DebugOutputCapture::Messages() const {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_messages;
}

void DebugOutputCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_messages.clear();
}

LONG CALLBACK DebugOutputCapture::Handler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: the length in characters including the terminator, then the text.
    const auto length = static_cast<std::size_t>(record->ExceptionInformation[0]);
    const std::size_t units = length > 0 ? length - 1 : 0;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        std::lock_guard<std::mutex> lock(g_mutex);
        g_messages.emplace_back(text, units);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
        const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
        std::lock_guard<std::mutex> lock(g_mutex);
        g_messages.push_back(Utf8(text, units));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace mv::test
