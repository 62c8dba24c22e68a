#pragma once
// Injected failures: "the next N calls of F fail". The functions that honour them are listed
// in mv_jni_proxy.h; each decides itself how it fails.

namespace mv::proxy {

// False for a function that cannot be made to fail or a negative count.
bool ArmFault(const char* function, int count);
void ClearFaults();
// True (and one fewer left) when the next call of `function` is to fail.
bool TakeFault(const char* function);

}  // namespace mv::proxy
