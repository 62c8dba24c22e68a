#pragma once
// The JNIEnv of one attached Windows thread: its connection to the server thread that is
// attached to the JVM for it, and the request/response exchange over that connection.

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/jni_wire.h"
#include "socket_io.h"

namespace mv::proxy {

// What this process's code sees added to every object reference of the JVM (0: the JVM's own
// values); see MvJniProxy_SetReferenceOffset.
std::uint64_t ReferenceOffset();
void SetReferenceOffset(std::uint64_t offset);

class ProxyEnv {
public:
    ProxyEnv(unique_socket connection, unsigned generation);
    ProxyEnv(const ProxyEnv&) = delete;
    ProxyEnv& operator=(const ProxyEnv&) = delete;

    JNIEnv* env() { return reinterpret_cast<JNIEnv*>(this); }
    unsigned generation() const { return m_generation; }
    DWORD threadId() const { return m_threadId; }

    // A fresh request for `slot` (a JNI table index or a kOp value).
    wire::Writer& Request() {
        m_request.Clear();
        m_request.SetObjectOffset(ReferenceOffset());
        return m_request;
    }
    // Sends the request and answers a reader over the response payload. `slot` names the JNI
    // function for messages. A refused request or a lost connection is fatal.
    wire::Reader Transact(std::uint32_t op, std::uint32_t slot);
    // As Transact, but a lost connection answers false instead (used to detach).
    bool TryTransact(std::uint32_t op, wire::Reader& reply);

private:
    bool Exchange(std::uint32_t op, std::uint32_t& status);

    // A JNIEnv* points here: the JVM's function table pointer comes first, as in JNIEnv_.
    const JNINativeInterface_* m_functions;
    unique_socket m_connection;
    unsigned m_generation;
    DWORD m_threadId;
    static constexpr std::size_t kReceiveChunk = 64 * 1024;

    wire::Writer m_request;
    std::vector<std::uint8_t> m_received;  // raw bytes of the response being read
    std::vector<std::uint8_t> m_response;  // its status and payload
};

// The table every ProxyEnv carries.
const JNINativeInterface_* ProxyFunctionTable();

// The session of `env` for a call of `slot`: fatal when env is not the calling thread's own or
// belongs to a server that has stopped.
ProxyEnv& SessionOf(JNIEnv* env, std::uint32_t slot);

// The calling thread's session with the running server, or null when it is not attached.
ProxyEnv* CurrentSession();
void SetCurrentSession(ProxyEnv* session);

}  // namespace mv::proxy
