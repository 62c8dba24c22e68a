// Requests that carry a JNI function's arguments are decoded by the function's own parameter
// types (taken from jni.h), and the function is called through the connection thread's real
// JNIEnv: the JVM sees exactly the call the Windows side made.

#include "dispatch.h"

#include <memory>
#include <tuple>
#include <type_traits>
#include <vector>

#include "protocol/jni_function_names.h"
#include "protocol/jni_functions.h"

namespace mv::server {

namespace {

// Decodes arguments; keeps decoded input buffers alive until the call has returned.
class ArgumentDecoder {
public:
    explicit ArgumentDecoder(wire::Reader& in) : m_in(in) {}

    template <typename T>
    T Decode() {
        if constexpr (std::is_same_v<T, const char*>) {
            return m_in.GetString();
        } else if constexpr (std::is_pointer_v<T> && !wire::kIsReference<T>) {
            using Pointee = std::remove_pointer_t<T>;
            static_assert(std::is_const_v<Pointee>, "output buffers need their own handler");
            using Element = std::remove_const_t<Pointee>;
            auto buffer = std::make_shared<std::vector<Element>>();
            if (!m_in.GetBuffer(*buffer)) return nullptr;
            buffer->reserve(1);  // a present empty buffer is still a valid pointer
            m_keep.push_back(buffer);
            return buffer->data();
        } else {
            return m_in.template Get<T>();
        }
    }

private:
    wire::Reader& m_in;
    std::vector<std::shared_ptr<void>> m_keep;
};

void RequireWellFormed(const wire::Reader& in, std::uint32_t slot) {
    if (!in.ok() || !in.AtEnd())
        throw RequestError(std::string("malformed arguments for ") + wire::JniFunctionName(slot));
}

template <std::uint32_t Slot, typename Function, Function JNINativeInterface_::*Member>
struct Generic;

template <std::uint32_t Slot, typename R, typename... A,
          R(JNICALL* JNINativeInterface_::*Member)(JNIEnv*, A...)>
struct Generic<Slot, R(JNICALL*)(JNIEnv*, A...), Member> {
    static void Run(JNIEnv* env, wire::Reader& in, wire::Writer& out) {
        ArgumentDecoder decoder(in);
        std::tuple<A...> args{decoder.template Decode<A>()...};  // in order: braced list
        RequireWellFormed(in, Slot);
        auto function = env->functions->*Member;
        auto call = [&](A... a) { return function(env, a...); };
        if constexpr (std::is_void_v<R>) {
            std::apply(call, args);
        } else {
            out.Put(std::apply(call, args));
        }
    }
};

#define MV_GENERIC(name) \
    table[MV_JNI_SLOT(name)] = \
        &Generic<MV_JNI_SLOT(name), decltype(JNINativeInterface_::name), \
                 &JNINativeInterface_::name>::Run;
#define MV_SERVE_PLAIN(name) MV_GENERIC(name)
#define MV_SERVE_HOOKED(name) MV_GENERIC(name)
#define MV_SERVE_ARGS(name) MV_GENERIC(name)
#define MV_SERVE_BUFFER(name) MV_GENERIC(name)
#define MV_SERVE_MEMORY(name)       // AddMemoryHandlers
#define MV_SERVE_VARARGS(name)      // the proxy sends the A form instead
#define MV_SERVE_LOCAL(name)        // answered by the proxy
#define MV_SERVE_UNFORWARDED(name)  // the proxy refuses it
#define MV_SERVE(kind, name) MV_SERVE_##kind(name)

HandlerTable BuildTable() {
    HandlerTable table{};
    MV_JNI_FUNCTIONS(MV_SERVE)
    AddMemoryHandlers(table);
    return table;
}

void ThrowOutOfMemory(JNIEnv* env, wire::Reader& in) {
    const char* message = in.GetString();
    if (!in.ok() || !in.AtEnd()) throw RequestError("malformed fault request");
    jclass error = env->FindClass("java/lang/OutOfMemoryError");
    if (error == nullptr) return;  // FindClass left its own error pending
    env->ThrowNew(error, message);
    env->DeleteLocalRef(error);
}

}  // namespace

void Dispatch(JNIEnv* env, std::uint32_t op, wire::Reader& in, wire::Writer& out) {
    static const HandlerTable table = BuildTable();
    if (op == wire::kOpThrowOutOfMemory) {
        ThrowOutOfMemory(env, in);
        return;
    }
    if (op >= table.size() || table[op] == nullptr)
        throw RequestError(std::string("the server does not serve ") + wire::JniFunctionName(op));
    table[op](env, in, out);
}

}  // namespace mv::server
