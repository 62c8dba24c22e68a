#include "fault_report.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace mv::host {
namespace {

// "module+0xoffset" of a code address ("?+0x..." outside any module).
void Describe(const void* address, char* text, std::size_t size) {
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCSTR>(address), &module))
        ::GetModuleFileNameA(module, name, sizeof name);
    std::snprintf(text, size, "%s+0x%llx", name,
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(address) -
                                                  reinterpret_cast<ULONG_PTR>(module)));
}

LONG CALLBACK Report(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
    const ULONG_PTR kind = record->NumberParameters >= 2 ? record->ExceptionInformation[0] : 9;
    const ULONG_PTR target = record->NumberParameters >= 2 ? record->ExceptionInformation[1] : 0;
    char where[MAX_PATH + 32], caller[MAX_PATH + 32] = "";
    Describe(record->ExceptionAddress, where, sizeof where);
    if (kind == 8) {  // a call into freed or foreign memory: its return address is the caller
#ifdef _WIN64
        const void* const* stack = reinterpret_cast<const void* const*>(info->ContextRecord->Rsp);
#else
        const void* const* stack = reinterpret_cast<const void* const*>(info->ContextRecord->Esp);
#endif
        std::snprintf(caller, sizeof caller, ", called from ");
        Describe(*stack, caller + std::strlen(caller), sizeof caller - std::strlen(caller));
    }
    std::fprintf(stderr, "mvjava-host: access violation in %s (%s 0x%llx%s), thread %lu\n", where,
                 kind == 0 ? "reading" : kind == 1 ? "writing" : "executing", static_cast<unsigned long long>(target),
                 caller, ::GetCurrentThreadId());
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void ReportAccessViolations() { ::AddVectoredExceptionHandler(1, &Report); }

}  // namespace mv::host
