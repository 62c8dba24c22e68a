#include "fault_report.h"

#include <windows.h>

#include <cstdio>

namespace mv::host {
namespace {

LONG CALLBACK Report(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCSTR>(record->ExceptionAddress), &module))
        ::GetModuleFileNameA(module, name, sizeof name);
    const ULONG_PTR kind = record->NumberParameters >= 2 ? record->ExceptionInformation[0] : 9;
    const ULONG_PTR target = record->NumberParameters >= 2 ? record->ExceptionInformation[1] : 0;
    std::fprintf(stderr, "mvjava-host: access violation in %s+0x%llx (%s 0x%llx), thread %lu\n", name,
                 static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(record->ExceptionAddress) -
                                                 reinterpret_cast<ULONG_PTR>(module)),
                 kind == 0 ? "reading" : kind == 1 ? "writing" : "executing", static_cast<unsigned long long>(target),
                 ::GetCurrentThreadId());
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void ReportAccessViolations() { ::AddVectoredExceptionHandler(1, &Report); }

}  // namespace mv::host
