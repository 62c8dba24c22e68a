#pragma once
// Runs one request of a call connection on the connection's attached thread.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "protocol/jni_wire.h"

namespace mv::server {

// Thrown by a handler for a request it cannot serve; the connection answers kFailed with the
// text and closes.
class RequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Handler = void (*)(JNIEnv* env, wire::Reader& in, wire::Writer& out);
using HandlerTable = std::array<Handler, wire::kJniSlotCount>;

// Handlers of the functions whose memory crosses in their own layouts (string chars, array
// elements and regions).
void AddMemoryHandlers(HandlerTable& table);

// Serves request `op` (a JNI table index or kOpThrowOutOfMemory); throws RequestError.
void Dispatch(JNIEnv* env, std::uint32_t op, wire::Reader& in, wire::Writer& out);

}  // namespace mv::server
