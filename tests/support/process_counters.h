#pragma once
// What another process holds, read from outside: its open handles and its private (committed)
// memory. Leak checks sample these for the Java-process host before, during and after load.

#include <windows.h>

#include <cstdint>

#include "common/win/handles.h"

namespace mv::test {

struct ProcessCounters {
    bool ok = false;
    std::uint64_t handles = 0, privateBytes = 0;
};

class ProcessCounterReader {
public:
    explicit ProcessCounterReader(DWORD pid);
    bool opened() const { return static_cast<bool>(m_process); }
    ProcessCounters Read() const;

private:
    DWORD m_pid;
    unique_handle m_process;
};

}  // namespace mv::test
