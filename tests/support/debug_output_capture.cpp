#include "debug_output_capture.h"

#include <mutex>

namespace mv::test {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_messages;

LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    const bool narrow = record->ExceptionCode == DBG_PRINTEXCEPTION_C;
    if (record->NumberParameters < 2 || (!narrow && record->ExceptionCode != 0x4001000A /* the wide form */))
        return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: the length in characters including the terminator, then the text.
    const auto length = static_cast<int>(record->ExceptionInformation[0]);
    const int units = length > 0 ? length - 1 : 0;
    std::string text;
    if (narrow) {
        text.assign(reinterpret_cast<const char*>(record->ExceptionInformation[1]), static_cast<std::size_t>(units));
    } else {
        const auto* wide = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
        text.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr)));
        if (!text.empty()) ::WideCharToMultiByte(CP_UTF8, 0, wide, units, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_messages.push_back(std::move(text));
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

DebugOutputCapture::DebugOutputCapture() {
    g_messages.clear();  // no handler is installed yet
    m_handler = ::AddVectoredExceptionHandler(1, &Handler);
}

std::vector<std::string> DebugOutputCapture::Messages() const {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_messages;
}

}  // namespace mv::test
