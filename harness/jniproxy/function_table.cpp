// The JNIEnv function table of the proxy: every slot of JNI 10 is filled, with a generic
// forwarder, the proxy's own implementation, or a stop that names the function.

#include <string>

#include "custom_functions.h"
#include "fatal.h"
#include "forward.h"
#include "proxy_env.h"

namespace mv::proxy {

namespace {

// Unforwarded slots land in a function of this type (cast to the slot's type; it never
// returns, so the arguments it was given do not matter).
using Stop = void (*)();

#define MV_STOP_DEFINE(name) \
    [[noreturn]] void Stop_##name() { Fatal(#name " is not forwarded"); }
#define MV_STOP_BY_KIND(kind, name) MV_STOP_##kind(name)
#define MV_STOP_UNFORWARDED(name) MV_STOP_DEFINE(name)
#define MV_STOP_PLAIN(name)
#define MV_STOP_HOOKED(name)
#define MV_STOP_ARGS(name)
#define MV_STOP_VARARGS(name)
#define MV_STOP_BUFFER(name)
#define MV_STOP_MEMORY(name)
#define MV_STOP_LOCAL(name)
MV_JNI_FUNCTIONS(MV_STOP_BY_KIND)

#define MV_FILL_PLAIN(name) \
    table.name = &Plain<MV_JNI_SLOT(name), decltype(JNINativeInterface_::name)>::Call;
#define MV_FILL_CUSTOM(name) table.name = &functions::name;
#define MV_FILL_HOOKED(name) MV_FILL_CUSTOM(name)
#define MV_FILL_ARGS(name) MV_FILL_CUSTOM(name)
#define MV_FILL_VARARGS(name) MV_FILL_CUSTOM(name)
#define MV_FILL_BUFFER(name) MV_FILL_CUSTOM(name)
#define MV_FILL_MEMORY(name) MV_FILL_CUSTOM(name)
#define MV_FILL_LOCAL(name) MV_FILL_CUSTOM(name)
#define MV_FILL_UNFORWARDED(name) \
    table.name = reinterpret_cast<decltype(JNINativeInterface_::name)>(Stop(&Stop_##name));
#define MV_FILL_BY_KIND(kind, name) MV_FILL_##kind(name)

JNINativeInterface_ BuildTable() {
    JNINativeInterface_ table{};
    MV_JNI_FUNCTIONS(MV_FILL_BY_KIND)
    // Every function slot must be set: the four reserved ones stay null, as in the JVM.
    auto slots = reinterpret_cast<void* const*>(&table);
    for (std::uint32_t i = 4; i < wire::kJniSlotCount; ++i)
        if (slots[i] == nullptr) Fatal("slot " + std::to_string(i) + " of the JNIEnv table is empty");
    return table;
}

}  // namespace

const JNINativeInterface_* ProxyFunctionTable() {
    static const JNINativeInterface_ table = BuildTable();
    return &table;
}

}  // namespace mv::proxy
