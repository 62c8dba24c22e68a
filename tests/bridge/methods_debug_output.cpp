#include "methods_debug_output.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace mv::test {
namespace {

// DBG_PRINTEXCEPTION_C: what OutputDebugStringA raises.
constexpr DWORD kDebugPrintException = 0x40010006;

// The one capture that is active (captures do not nest).
std::atomic<debug_output_capture*> g_active{nullptr};

}  // namespace

debug_output_capture::debug_output_capture(std::function<std::size_t()> probe)
    : m_thread(::GetCurrentThreadId()), m_probe(std::move(probe)) {
    g_active.store(this);
    m_handler = ::AddVectoredExceptionHandler(1, &OnException);
}

debug_output_capture::~debug_output_capture() {
    if (m_handler) ::RemoveVectoredExceptionHandler(m_handler);
    g_active.store(nullptr);
}

std::vector<std::string> debug_output_capture::lines() const { return m_lines; }

std::vector<std::size_t> debug_output_capture::marks() const { return m_marks; }

LONG CALLBACK debug_output_capture::OnException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    debug_output_capture* self = g_active.load();
    if (self && record->ExceptionCode == kDebugPrintException && record->NumberParameters >= 2 &&
        ::GetCurrentThreadId() == self->m_thread) {
        // Parameters: the length including the terminating NUL, then the text's address.
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        const std::size_t length = static_cast<std::size_t>(record->ExceptionInformation[0]);
        if (text) {
            self->m_lines.emplace_back(text, ::strnlen(text, length));
            self->m_marks.push_back(self->m_probe ? self->m_probe() : 0);
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace mv::test
