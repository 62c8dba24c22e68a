#pragma once
// Where a call of the main object comes from. A call that another process makes through COM runs
// on a thread of the RPC runtime, which knows the client's process; a call made in this process
// (the agent's own code, or the component objects, which do every Java step through the main
// object) has no such call behind it, or runs inside a module_call_scope.

#include <windows.h>

namespace mv {

struct call_origin {
    bool other_process = false;  // the handles it passes are checked
    DWORD process = 0;           // the caller's process id; 0 when the runtime cannot tell it
};

// The origin of the call that the calling thread makes or serves.
call_origin OriginOfCall() noexcept;

// Marks the calls of the main object that the calling thread makes during the scope as the
// module's own: the steps of a component object serving a client of another process work with
// the object's own handles, which that client may not name or delete.
class module_call_scope {
public:
    module_call_scope() noexcept;
    ~module_call_scope();
    module_call_scope(const module_call_scope&) = delete;
    module_call_scope& operator=(const module_call_scope&) = delete;
};

}  // namespace mv
