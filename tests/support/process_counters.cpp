#include "process_counters.h"

#include <psapi.h>
#include <winternl.h>

#include <vector>

namespace mv::test {
namespace {

// One entry of the system handle table (SystemExtendedHandleInformation, class 64).
struct HandleEntry {
    PVOID object;
    ULONG_PTR ownerPid, handle;
    ULONG access;
    USHORT creatorBackTraceIndex, objectType;
    ULONG attributes, reserved;
};

// Handles of `pid` in the system handle table, or 0 when the table cannot be read.
std::uint64_t HandlesInSystemTable(DWORD pid) {
    using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<unsigned char> buffer(1 << 20);
    NTSTATUS status = -1;
    for (int attempt = 0; query && attempt < 8; ++attempt, buffer.resize(buffer.size() * 2)) {
        ULONG needed = 0;
        status = query(64, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != static_cast<NTSTATUS>(0xC0000004L)) break;  // unless the buffer is too small
    }
    if (status < 0) return 0;
    const auto count = *reinterpret_cast<const ULONG_PTR*>(buffer.data());
    const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    std::uint64_t owned = 0;
    for (ULONG_PTR i = 0; i < count; ++i) owned += entries[i].ownerPid == pid ? 1 : 0;
    return owned;
}

}  // namespace

ProcessCounterReader::ProcessCounterReader(DWORD pid)
    : m_pid(pid), m_process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)) {}

ProcessCounters ProcessCounterReader::Read() const {
    ProcessCounters counters;
    if (!m_process) return counters;
    // A live process always holds handles; Wine answers 0 here, so its handle table is counted.
    DWORD handles = 0;
    counters.handles = ::GetProcessHandleCount(m_process.get(), &handles) && handles > 0 ? handles
                                                                                        : HandlesInSystemTable(m_pid);
    // The commit charge is the process's private memory; Wine fills only PagefileUsage (the same
    // figure) for another process and leaves PrivateUsage 0.
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(m_process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        counters.privateBytes = memory.PrivateUsage > 0 ? memory.PrivateUsage : memory.PagefileUsage;
    counters.ok = counters.handles > 0 && counters.privateBytes > 0;
    return counters;
}

}  // namespace mv::test
