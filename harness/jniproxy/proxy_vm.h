#pragma once
// The proxy's JavaVM: attachment of Windows threads, one server connection per attached thread.

#include <jni.h>

namespace mv::proxy {

// The one JavaVM of this process (valid while a server runs; its functions answer errors
// otherwise).
JavaVM* ProxyJavaVM();

}  // namespace mv::proxy
