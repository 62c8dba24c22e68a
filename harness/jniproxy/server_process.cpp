#include "server_process.h"

#include <windows.h>

#include <vector>

#include "common/win/command_line.h"
#include "common/win/critical_section.h"
#include "common/win/handles.h"
#include "protocol/jni_wire.h"
#include "socket_io.h"

#ifndef MV_JNI_SERVER_PATH
#error "MV_JNI_SERVER_PATH must name the built mv-jniserver"
#endif

namespace mv::proxy {

namespace {

constexpr unsigned kStartTimeoutMs = 120000;  // a JVM start under load can be slow
constexpr unsigned kStopTimeoutMs = 20000;

struct Server {
    critical_section lock;
    unique_socket control;
    ServerInfo info;
    unsigned generation = 0;
};

Server& TheServer() {
    static Server server;
    return server;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::wstring DosPathOfUnixPath(const std::string& path) {
    std::wstring dos = L"Z:" + Widen(path);
    for (wchar_t& c : dos)
        if (c == L'/') c = L'\\';
    return dos;
}

std::uint64_t MakeToken() {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    std::uint64_t token = static_cast<std::uint64_t>(counter.QuadPart) * 0x9E3779B97F4A7C15ull;
    token ^= (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^ ::GetTickCount64();
    return token;
}

std::wstring BuildCommandLine(const MvJniServerConfig& config, const std::string& serverPath,
                              std::uint16_t controlPort, std::uint64_t token) {
    std::wstring line;
    AppendCommandLineArgument(line, DosPathOfUnixPath(serverPath));
    auto add = [&line](const wchar_t* name, const std::string& value) {
        AppendCommandLineArgument(line, name);
        AppendCommandLineArgument(line, Widen(value));
    };
    add(L"--control-port", std::to_string(controlPort));
    add(L"--token", std::to_string(token));
    if (config.classPath != nullptr && *config.classPath != '\0') add(L"--class-path", config.classPath);
    for (int i = 0; i < config.jvmOptionCount; ++i) add(L"--jvm-option", config.jvmOptions[i]);
    if (config.mainClass != nullptr && *config.mainClass != '\0') {
        add(L"--main-class", config.mainClass);
        for (int i = 0; i < config.mainArgCount; ++i) add(L"--main-arg", config.mainArgs[i]);
    }
    if (config.outputPath != nullptr) add(L"--output", config.outputPath);
    if (config.maxLifetimeSeconds > 0) add(L"--max-lifetime", std::to_string(config.maxLifetimeSeconds));
    return line;
}

// Reads the server's Ready report from the control connection.
bool ReadReady(SOCKET control, std::uint64_t token, ServerInfo& info, std::string& error) {
    constexpr std::size_t kFixedSize = 4 + 8 + 4 + 4 + 4 + 4 + 1;  // up to the text's flag
    std::uint8_t raw[kFixedSize];
    if (!WaitReadable(control, kStartTimeoutMs) || !ReceiveAll(control, raw, sizeof raw)) {
        error = "the JNI server did not report";
        return false;
    }
    wire::Reader in(raw, sizeof raw);
    auto magic = in.Get<std::uint32_t>();
    auto echoed = in.Get<std::uint64_t>();
    auto status = in.Get<std::int32_t>();
    auto port = in.Get<std::uint32_t>();
    auto version = in.Get<std::int32_t>();
    auto pid = in.Get<std::uint32_t>();
    bool hasText = in.Get<std::uint8_t>() != 0;
    std::string text;
    if (hasText) {
        std::uint32_t n = 0;
        std::vector<char> bytes;
        if (ReceiveAll(control, &n, sizeof n) && n <= 65536) bytes.resize(n);
        if (bytes.size() != n || (n != 0 && !ReceiveAll(control, bytes.data(), n))) {
            error = "the JNI server sent a malformed report";
            return false;
        }
        text.assign(bytes.data(), n != 0 ? n - 1 : 0);  // without the NUL
    }
    if (magic != wire::kReadyMagic || echoed != token) {
        error = "a stranger answered on the control port";
        return false;
    }
    if (status != 0) {
        error = "the JNI server failed to start: " + text;
        return false;
    }
    info.port = static_cast<std::uint16_t>(port);
    info.jniVersion = version;
    info.pid = pid;
    info.token = token;
    return true;
}

}  // namespace

bool StartServer(const MvJniServerConfig& config, std::string& error) {
    Server& server = TheServer();
    critical_section_lock hold(server.lock);
    if (server.control) {
        error = "a JNI server is already running in this process";
        return false;
    }
    if (!StartWinsock()) {
        error = "Winsock did not start";
        return false;
    }
    std::uint16_t controlPort = 0;
    unique_socket listener = ListenOnLoopback(controlPort);
    if (!listener) {
        error = "cannot listen on 127.0.0.1";
        return false;
    }
    std::uint64_t token = MakeToken();
    std::string serverPath = config.serverPath != nullptr ? config.serverPath : MV_JNI_SERVER_PATH;
    std::wstring commandLine = BuildCommandLine(config, serverPath, controlPort, token);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Wine starts the Linux program; its process handle is of no use (it is not waitable), so
    // the control connection is the only link.
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        error = "cannot start " + serverPath + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    // Nor are its handles ours to close: for a Linux program Wine leaves stale values from its
    // stack in `process`, and closing them closed unrelated handles of this process (seen:
    // Winsock's per-thread event, after which every connect of the thread failed).
    if (!WaitReadable(listener.get(), kStartTimeoutMs)) {
        error = "the JNI server did not connect back";
        return false;
    }
    unique_socket control(::accept(listener.get(), nullptr, nullptr));
    ServerInfo info;
    if (!control || !ReadReady(control.get(), token, info, error)) {
        if (error.empty()) error = "the JNI server did not connect back";
        return false;
    }
    info.generation = ++server.generation;
    server.info = info;
    server.control = std::move(control);
    return true;
}

bool StopServer() {
    Server& server = TheServer();
    critical_section_lock hold(server.lock);
    if (!server.control) return false;
    std::uint32_t stop = wire::kStopMagic;
    SendAll(server.control.get(), &stop, sizeof stop);
    // The server closes the connection as it exits.
    char byte;
    while (WaitReadable(server.control.get(), kStopTimeoutMs) &&
           ::recv(server.control.get(), &byte, 1, 0) > 0) {
    }
    server.control.reset();
    server.info = ServerInfo{};
    ++server.generation;
    return true;
}

bool CurrentServer(ServerInfo& info) {
    Server& server = TheServer();
    critical_section_lock hold(server.lock);
    if (!server.control) return false;
    info = server.info;
    return true;
}

}  // namespace mv::proxy
