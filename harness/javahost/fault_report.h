#pragma once
// Reports every access violation raised in the host on stderr, where it was (module and offset)
// and what it touched, even one that a handler further up (COM's RPC server, say) turns into an
// error for the caller: a fault inside a call that the caller only sees as a failed call.

namespace mv::host {

void ReportAccessViolations();

}  // namespace mv::host
