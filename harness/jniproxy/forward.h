#pragma once
// Generic forwarding: the arguments of a JNI function are encoded by their types, sent to the
// server thread of the calling thread's connection, and the result comes back the same way.

#include <cstdint>
#include <type_traits>

#include "fatal.h"
#include "protocol/jni_function_names.h"
#include "proxy_env.h"
#include "trace.h"

namespace mv::proxy {

template <typename T>
void PutArgument(wire::Writer& request, T value) {
    if constexpr (std::is_same_v<T, const char*>) request.PutString(value);
    else request.Put(value);
}

inline void RequireWellFormed(const wire::Reader& reply, std::uint32_t slot) {
    if (!reply.ok() || !reply.AtEnd())
        Fatal(std::string("malformed answer to ") + wire::JniFunctionName(slot));
}

// Traces "Name(args) -> result" (or without the result for void).
template <typename R, typename... A>
void TraceForwarded(std::uint32_t slot, const R* result, A... args) {
    if (!TraceEnabled()) return;
    std::string line = TraceCall(wire::JniFunctionName(slot), TraceValue(args)...);
    if (result != nullptr) line += " -> " + TraceValue(*result);
    AddTraceLine(std::move(line));
}

// Sends `slot` with `args` over `env`'s connection and returns the JVM's result.
template <typename R, typename... A>
R Forward(JNIEnv* env, std::uint32_t slot, A... args) {
    ProxyEnv& session = SessionOf(env, slot);
    wire::Writer& request = session.Request();
    (PutArgument(request, args), ...);
    wire::Reader reply = session.Transact(slot, slot);
    if constexpr (std::is_void_v<R>) {
        RequireWellFormed(reply, slot);
        TraceForwarded<int>(slot, nullptr, args...);
    } else {
        R result = reply.template Get<R>();
        RequireWellFormed(reply, slot);
        TraceForwarded(slot, &result, args...);
        return result;
    }
}

// The table entry of a function forwarded as is.
template <std::uint32_t Slot, typename Function>
struct Plain;

template <std::uint32_t Slot, typename R, typename... A>
struct Plain<Slot, R(JNICALL*)(JNIEnv*, A...)> {
    static R JNICALL Call(JNIEnv* env, A... args) { return Forward<R>(env, Slot, args...); }
};

}  // namespace mv::proxy
