#pragma once
// The JNIEnv functions that the proxy implements itself (every kind but PLAIN and UNFORWARDED in
// protocol/jni_functions.h), declared from the table's own function types so that a definition
// with a wrong signature does not compile.

#include <type_traits>

#include "protocol/jni_functions.h"
#include "protocol/jni_wire.h"

namespace mv::proxy::functions {

// GCC notes that it drops an attribute of va_list (a builtin type) in the va_list forms' types;
// the declared functions keep their calling convention, which the table assignment checks.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"

#define MV_DECLARE(name) std::remove_pointer_t<decltype(JNINativeInterface_::name)> name;
#define MV_DECLARE_PLAIN(name)
#define MV_DECLARE_UNFORWARDED(name)
#define MV_DECLARE_HOOKED(name) MV_DECLARE(name)
#define MV_DECLARE_ARGS(name) MV_DECLARE(name)
#define MV_DECLARE_VARARGS(name) MV_DECLARE(name)
#define MV_DECLARE_BUFFER(name) MV_DECLARE(name)
#define MV_DECLARE_MEMORY(name) MV_DECLARE(name)
#define MV_DECLARE_LOCAL(name) MV_DECLARE(name)
#define MV_DECLARE_BY_KIND(kind, name) MV_DECLARE_##kind(name)
MV_JNI_FUNCTIONS(MV_DECLARE_BY_KIND)
#undef MV_DECLARE_BY_KIND
#undef MV_DECLARE_LOCAL
#undef MV_DECLARE_MEMORY
#undef MV_DECLARE_BUFFER
#undef MV_DECLARE_VARARGS
#undef MV_DECLARE_ARGS
#undef MV_DECLARE_HOOKED
#undef MV_DECLARE_UNFORWARDED
#undef MV_DECLARE_PLAIN
#undef MV_DECLARE
#pragma GCC diagnostic pop

}  // namespace mv::proxy::functions
