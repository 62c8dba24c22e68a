#include "proxy_env.h"

#include <atomic>
#include <cstring>
#include <string>

#include "counters.h"
#include "fatal.h"
#include "protocol/jni_function_names.h"
#include "server_process.h"

namespace mv::proxy {

namespace {

thread_local ProxyEnv* t_session = nullptr;
std::atomic<std::uint64_t> g_referenceOffset{0};

std::string NameOf(std::uint32_t slot) {
    switch (slot) {
    case wire::kOpAttach: return "AttachCurrentThread";
    case wire::kOpDetach: return "DetachCurrentThread";
    case wire::kOpThrowOutOfMemory: return "an injected fault";
    default: return wire::JniFunctionName(slot);
    }
}

}  // namespace

std::uint64_t ReferenceOffset() { return g_referenceOffset.load(); }
void SetReferenceOffset(std::uint64_t offset) { g_referenceOffset.store(offset); }

ProxyEnv::ProxyEnv(unique_socket connection, unsigned generation)
    : m_functions(ProxyFunctionTable()),
      m_connection(std::move(connection)),
      m_generation(generation),
      m_threadId(::GetCurrentThreadId()) {}

// Every socket call costs a trip through the Wine server, so a response is read with as few
// receives as possible: usually one brings the whole of it.
bool ProxyEnv::Exchange(std::uint32_t op, std::uint32_t& status) {
    const auto& bytes = m_request.Finish(op);
    Counters().calls++;
    if (!SendAll(m_connection.get(), bytes.data(), bytes.size())) return false;
    std::size_t have = 0, need = 4;
    if (m_received.size() < kReceiveChunk) m_received.resize(kReceiveChunk);
    while (have < need) {
        if (m_received.size() < need) m_received.resize(need);
        int n = ::recv(m_connection.get(), reinterpret_cast<char*>(m_received.data() + have),
                       static_cast<int>(m_received.size() - have), 0);
        if (n <= 0) return false;
        have += static_cast<std::size_t>(n);
        if (need == 4 && have >= 4) {
            std::uint32_t size = 0;
            std::memcpy(&size, m_received.data(), 4);
            if (size < 4 || size > wire::kMaxMessage) return false;
            need = 4 + size;
        }
    }
    if (have != need) return false;  // the server sends one response per request
    m_response.assign(m_received.begin() + 4, m_received.begin() + static_cast<std::ptrdiff_t>(need));
    std::memcpy(&status, m_response.data(), 4);
    return true;
}

wire::Reader ProxyEnv::Transact(std::uint32_t op, std::uint32_t slot) {
    std::uint32_t status = 0;
    if (!Exchange(op, status))
        Fatal("connection to the JNI server lost during " + NameOf(slot));
    wire::Reader reply(m_response.data() + 4, m_response.size() - 4, m_request.objectOffset());
    if (status != wire::kOk) Fatal("the JNI server refused " + NameOf(slot) + ": " + reply.Rest());
    return reply;
}

bool ProxyEnv::TryTransact(std::uint32_t op, wire::Reader& reply) {
    std::uint32_t status = 0;
    if (!Exchange(op, status) || status != wire::kOk) return false;
    reply = wire::Reader(m_response.data() + 4, m_response.size() - 4, m_request.objectOffset());
    return true;
}

ProxyEnv& SessionOf(JNIEnv* env, std::uint32_t slot) {
    if (env == nullptr) Fatal(NameOf(slot) + " called with a null JNIEnv");
    auto* session = reinterpret_cast<ProxyEnv*>(env);
    if (session != t_session)
        Fatal(NameOf(slot) + " called with a JNIEnv that is not this thread's own");
    ServerInfo server;
    if (!CurrentServer(server) || server.generation != session->generation())
        Fatal(NameOf(slot) + " called with the JNIEnv of a JNI server that has stopped");
    return *session;
}

ProxyEnv* CurrentSession() {
    ProxyEnv* session = t_session;
    if (session == nullptr) return nullptr;
    ServerInfo server;
    if (!CurrentServer(server) || server.generation != session->generation()) {
        // The server went away under this thread: its attachment went with it.
        delete session;
        t_session = nullptr;
        return nullptr;
    }
    return session;
}

void SetCurrentSession(ProxyEnv* session) { t_session = session; }

}  // namespace mv::proxy
