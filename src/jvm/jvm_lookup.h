#pragma once
// Finding the main object that a Java process published in the Running Object Table. The
// calling thread must have initialised COM.

#include <windows.h>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"

namespace mv {

// The object published by process `pid`; the table's or the query's HRESULT on failure. An object
// that fails a call (its process has ended) is not handed out: that call's HRESULT.
HRESULT FindJvmByPid(com_ptr<IMvJavaCpp>& out, DWORD pid);

// The first entry in the table's enumeration order whose display name contains "MvJavaCOM"
// (E_FAIL when there is none), and the process id in its name (0 unless found completely).
// The search stops at that entry even if it cannot be bound or queried or fails a call.
HRESULT FindFirstRunningJvm(com_ptr<IMvJavaCpp>& out, DWORD& pid);

}  // namespace mv
