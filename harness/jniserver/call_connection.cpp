#include "call_connection.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dispatch.h"
#include "protocol/jni_wire.h"

namespace mv::server {

namespace {

bool Send(int fd, wire::Writer& message, std::uint32_t status) {
    const auto& bytes = message.Finish(status);
    return SendAll(fd, bytes.data(), bytes.size());
}

bool SendError(int fd, const std::string& text) {
    wire::Writer message;
    message.PutBytes(text.data(), text.size());
    return Send(fd, message, wire::kFailed);
}

// Reads the attach request and attaches this thread as it asks; null env on failure.
JNIEnv* Attach(JavaVM* vm, std::uint64_t token, int fd) {
    std::vector<std::uint8_t> body;
    if (!ReceiveMessage(fd, body, 4096)) return nullptr;
    std::uint32_t op = 0;
    std::memcpy(&op, body.data(), 4);
    wire::Reader in(body.data() + 4, body.size() - 4);
    if (op != wire::kOpAttach || in.Get<std::uint64_t>() != token) return nullptr;
    auto daemon = in.Get<std::uint8_t>();
    auto hasArgs = in.Get<std::uint8_t>();
    JavaVMAttachArgs args{};
    args.version = in.Get<jint>();
    const char* name = in.GetString();
    std::string nameCopy = name != nullptr ? name : "";
    args.name = name != nullptr ? nameCopy.data() : nullptr;
    args.group = in.Get<jobject>();
    if (!in.ok() || !in.AtEnd()) {
        SendError(fd, "malformed attach request");
        return nullptr;
    }
    JNIEnv* env = nullptr;
    void** penv = reinterpret_cast<void**>(&env);
    void* attachArgs = hasArgs != 0 ? &args : nullptr;
    jint result = daemon != 0 ? vm->AttachCurrentThreadAsDaemon(penv, attachArgs)
                              : vm->AttachCurrentThread(penv, attachArgs);
    wire::Writer reply;
    reply.Put(result);
    if (!Send(fd, reply, wire::kOk) || result != JNI_OK) {
        if (result == JNI_OK) vm->DetachCurrentThread();
        return nullptr;
    }
    return env;
}

void Serve(JavaVM* vm, std::uint64_t token, unique_fd connection) {
    int fd = connection.get();
    JNIEnv* env = Attach(vm, token, fd);
    if (env == nullptr) return;
    std::vector<std::uint8_t> body;
    wire::Writer reply;
    while (ReceiveMessage(fd, body, wire::kMaxMessage)) {
        std::uint32_t op = 0;
        std::memcpy(&op, body.data(), 4);
        reply.Clear();
        if (op == wire::kOpDetach) {
            reply.Put(vm->DetachCurrentThread());
            Send(fd, reply, wire::kOk);
            return;
        }
        wire::Reader in(body.data() + 4, body.size() - 4);
        try {
            Dispatch(env, op, in, reply);
        } catch (const std::exception& e) {
            SendError(fd, e.what());
            break;
        }
        if (!Send(fd, reply, wire::kOk)) break;
    }
    vm->DetachCurrentThread();
}

}  // namespace

void StartCallConnection(JavaVM* vm, std::uint64_t token, unique_fd connection) {
    std::thread(Serve, vm, token, std::move(connection)).detach();
}

}  // namespace mv::server
