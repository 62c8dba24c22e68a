#include "bridge/call_origin.h"

#include <objbase.h>
#include <rpc.h>
#include <rpcdcep.h>

namespace mv {
namespace {

thread_local int t_moduleCalls = 0;  // module_call_scopes open on this thread

}  // namespace

module_call_scope::module_call_scope() noexcept { ++t_moduleCalls; }
module_call_scope::~module_call_scope() { --t_moduleCalls; }

call_origin OriginOfCall() noexcept {
    const DWORD self = ::GetCurrentProcessId();
    if (t_moduleCalls > 0) return {false, self};
    // The RPC runtime's call on this thread: the thread serves a client through a multithreaded
    // apartment, as the module's main object is published.
    unsigned long client = 0;
    const RPC_STATUS status = ::I_RpcBindingInqLocalClientPID(nullptr, &client);
    if (status == RPC_S_OK) return {client != self, client};
    if (status != RPC_S_NO_CALL_ACTIVE) return {true, 0};  // a call over another transport
    // A call that COM handed to a single-threaded apartment's thread: COM's call context tells
    // that there is a client, not which process it is.
    IServerSecurity* security = nullptr;
    if (SUCCEEDED(::CoGetCallContext(IID_IServerSecurity, reinterpret_cast<void**>(&security))) && security) {
        security->Release();
        return {true, 0};
    }
    return {false, self};
}

}  // namespace mv
