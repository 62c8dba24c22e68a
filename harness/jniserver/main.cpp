// mv-jniserver: hosts a real JVM for Windows test programs running under Wine (see
// protocol/jni_wire.h for the protocol and server_options.h for the command line).
// It never outlives its parent: it ends when the control connection closes, when told to stop,
// and at the latest after its maximum lifetime (the alarm signal ends it even if it hangs).
//
// JNI references, method and field IDs are addresses of memory that the JVM takes from malloc.
// Linked as a fixed-address (non-PIE) program and with a single malloc arena for all threads,
// that memory is the program's data segment low in the address space, so the values stay below
// 2^31 and survive a module that carries references in 32 bits (as it does for a 32-bit JVM).

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "call_connection.h"
#include "jvm_host.h"
#include "posix_socket.h"
#include "protocol/jni_wire.h"
#include "server_options.h"

namespace {

using namespace mv::server;

[[noreturn]] void Exit(int code, const char* why) {
    std::fprintf(stderr, "mv-jniserver: exiting (%s)\n", why);
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code);
}

void RedirectOutput(const std::string& path) {
    int devnull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devnull >= 0) ::dup2(devnull, 0);
    if (path.empty()) return;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::close(fd);
}

bool SendReady(int control, std::uint64_t token, std::int32_t status, std::uint16_t port,
               jint version, const std::string& error) {
    mv::wire::Writer ready;
    ready.Put(mv::wire::kReadyMagic);
    ready.Put(token);
    ready.Put(status);
    ready.Put(static_cast<std::uint32_t>(port));
    ready.Put(version);
    ready.Put(static_cast<std::uint32_t>(::getpid()));
    ready.PutString(error);
    const auto& bytes = ready.Finish(0);
    // Only the payload goes out: the control messages have no frame header.
    return SendAll(control, bytes.data() + 8, bytes.size() - 8);
}

// Serves until the parent goes away, says stop, or the lifetime ends.
[[noreturn]] void Run(JavaVM* vm, int control, int listener, const ServerOptions& options) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.maxLifetimeSeconds);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) Exit(3, "maximum lifetime reached");
        pollfd fds[2] = {{control, POLLIN, 0}, {listener, POLLIN, 0}};
        int n = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (n <= 0) continue;
        if (fds[0].revents != 0) {
            std::uint32_t magic = 0;
            if (!ReceiveAll(control, &magic, sizeof magic)) Exit(0, "parent closed the control connection");
            if (magic == mv::wire::kStopMagic) Exit(0, "parent asked to stop");
        }
        if (fds[1].revents & POLLIN) {
            unique_fd connection = AcceptConnection(listener);
            if (connection) StartCallConnection(vm, options.token, std::move(connection));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::mallopt(M_ARENA_MAX, 1);  // before any thread exists: every thread uses the main arena
    ::closefrom(3);  // nothing of the Windows parent stays open here
    ServerOptions options;
    std::string error;
    bool parsed = ParseServerOptions(argc, argv, options, error);
    if (options.controlPort == 0) {
        std::fprintf(stderr, "mv-jniserver: %s\n", error.c_str());
        return 2;
    }
    RedirectOutput(options.outputPath);
    ::alarm(options.maxLifetimeSeconds + 5);  // the safety net behind the deadline in Run

    unique_fd control = ConnectToLoopback(options.controlPort, error);
    if (!control) Exit(2, error.c_str());
    if (!parsed) {
        SendReady(control.get(), options.token, 1, 0, 0, error);
        Exit(2, error.c_str());
    }
    std::uint16_t port = 0;
    unique_fd listener = ListenOnLoopback(port, error);
    JavaVM* vm = listener ? CreateJvm(options.classPath, options.jvmOptions, error) : nullptr;
    bool running = vm != nullptr &&
                   (options.mainClass.empty() ||
                    StartMainClass(vm, options.mainClass, options.mainArgs, error));
    JNIEnv* env = nullptr;
    jint version = 0;
    if (running && vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_10) == JNI_OK)
        version = env->GetVersion();
    if (!SendReady(control.get(), options.token, running ? 0 : 1, port, version, error) || !running)
        Exit(2, running ? "cannot report to the parent" : error.c_str());
    Run(vm, control.get(), listener.get(), options);
}
