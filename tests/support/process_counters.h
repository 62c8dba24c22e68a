#pragma once
// What a process holds, read from outside through the system's process list: its open handles and
// its private (committed) memory. Leak checks sample these for the Java-process host under load.

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

namespace mv::test {

struct ProcessCounters {
    bool ok = false;
    std::uint64_t handles = 0, privateBytes = 0;
};

class ProcessCounterReader {
public:
    explicit ProcessCounterReader(DWORD pid) : m_pid(pid) {}
    ProcessCounters Read() const {
        std::vector<unsigned char> list(1 << 20);
        ULONG needed = 0;
        while (::NtQuerySystemInformation(SystemProcessInformation, list.data(), static_cast<ULONG>(list.size()),
                                          &needed) == static_cast<NTSTATUS>(0xC0000004L))  // too small
            list.resize(needed + (1 << 16));
        ProcessCounters counters;
        for (std::size_t at = 0;;) {
            const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(list.data() + at);
            if (reinterpret_cast<ULONG_PTR>(process->UniqueProcessId) == m_pid) {
                counters.handles = process->HandleCount;
                // Wine leaves PrivatePageCount 0 and gives the commit charge as PagefileUsage.
                counters.privateBytes = process->PrivatePageCount ? process->PrivatePageCount
                                                                  : process->VirtualMemoryCounters.PagefileUsage;
            }
            if (!process->NextEntryOffset) break;
            at += process->NextEntryOffset;
        }
        counters.ok = counters.handles > 0 && counters.privateBytes > 0;
        return counters;
    }

private:
    DWORD m_pid;
};

}  // namespace mv::test
