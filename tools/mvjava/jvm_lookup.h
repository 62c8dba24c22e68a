#pragma once
// Finding published JVMs. The module MvJavaJniComRot.dll is loaded by path, from next to
// mvjava.exe or else from its registered in-process server entry, and its exported lookup
// functions give the main object of a process. `list` reads the Running Object Table for the
// items "MvJavaCOM:P<pid>" that Java processes publish.

#include <windows.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/win/loaded_module.h"

namespace mvjava {

class JvmLookup {
public:
    // Loads the module; throws Failure (kCallFailed) when it cannot be found or loaded.
    JvmLookup();

    // The main object published by process `pid`; throws Failure (kNoJvm) when there is none.
    mv::com_ptr<IMvJavaCpp> FromPid(DWORD pid) const;
    // The first published main object and its process id; null when none is published.
    mv::com_ptr<IMvJavaCpp> AnyRunning(DWORD& pid) const;
    // Where the module was loaded from.
    const std::wstring& modulePath() const { return m_path; }

private:
    using ByPid = IMvJavaCpp*(__cdecl*)(DWORD);
    using AnyAndPid = IMvJavaCpp*(__cdecl*)(DWORD*);
    std::wstring m_path;
    mv::unique_hmodule m_module;
    ByPid m_byPid = nullptr;
    AnyAndPid m_anyAndPid = nullptr;
};

// Process ids of the items "MvJavaCOM:P<pid>" in the Running Object Table, ascending.
std::vector<DWORD> PublishedProcessIds();

}  // namespace mvjava
