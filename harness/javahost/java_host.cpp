// mvjava-host: plays a Java process on Windows. It starts a JVM (through the JNI harness) with a
// Java application of ours, creates the module's main object through COM, saves the JVM with
// its own process id, publishes the object in the Running Object Table and then answers
// commands on stdin until told to stop; then it withdraws the object and exits cleanly.
//
//   mvjava-host --class-path PATH [--main-class CLASS] [--jvm-option OPT]... [--arg ARG]...
//               [--jvm-output FILE] [--max-lifetime SECONDS] [--jni-server PATH]
//               [--reference-offset N]
//
// PATHs are Linux paths (the JVM runs there; a class path is ':'-separated). On stdout it prints
// "ready <pid>" once published, one answer per command (host_commands.h), and "stopped" at the
// end. It stops at a line "stop" on stdin, at the end of stdin (so it ends with a parent that
// holds its stdin), or at the maximum lifetime. --reference-offset shows the JVM's references to this
// process moved by N (MvJniProxy_SetReferenceOffset): 0x80000000 gives a 32-bit host the high-bit
// references of a large-address-aware Java process. Native windows live on a UI thread of their own
// (native_windows.h); a Java application needs a display (DISPLAY) to open its windows.

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/win/handles.h"
#include "fault_report.h"
#include "host_commands.h"
#include "jniproxy/mv_jni_proxy.h"
#include "native_windows.h"

namespace {

struct HostOptions {
    std::string classPath;
    std::string mainClass;
    std::vector<std::string> jvmOptions;
    std::vector<std::string> mainArgs;
    std::string jvmOutput;
    int maxLifetimeSeconds = 600;
    std::string jniServer;  // empty: the mv-jniserver built with jniproxy.dll
    unsigned long long referenceOffset = 0;
};

bool ParseOptions(int argc, char** argv, HostOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--class-path") options.classPath = value;
        else if (name == "--main-class") options.mainClass = value;
        else if (name == "--jvm-option") options.jvmOptions.push_back(value);
        else if (name == "--arg") options.mainArgs.push_back(value);
        else if (name == "--jvm-output") options.jvmOutput = value;
        else if (name == "--max-lifetime") options.maxLifetimeSeconds = std::atoi(value.c_str());
        else if (name == "--jni-server") options.jniServer = value;
        else if (name == "--reference-offset") options.referenceOffset = std::strtoull(value.c_str(), nullptr, 0);
        else return false;
    }
    return !options.classPath.empty() && options.maxLifetimeSeconds > 0;
}

std::vector<const char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<const char*> p;
    for (const auto& t : texts) p.push_back(t.c_str());
    return p;
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reads command lines until "stop" or the end of stdin and prints each answer.
struct CommandReader {
    mv::host::HostCommands* commands;

    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<CommandReader*>(param);
        // Commands use the main object from this thread, a member of the process's apartment.
        const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        char buffer[1024];
        std::string line;
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            line += buffer;
            if (line.empty() || line.back() != '\n') continue;  // the rest of a long line follows
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            if (line == "stop") break;
            if (!line.empty())
                for (const std::string& answer : self->commands->Run(line)) PrintLine(answer);
            line.clear();
        }
        if (SUCCEEDED(init)) ::CoUninitialize();
        return 0;
    }
};

// Answers commands until told to stop (true), at most `seconds` (false: the reader may still be
// blocked on stdin or inside a command, so what it uses must stay).
bool AnswerCommandsUntilStopped(mv::host::HostCommands& commands, int seconds) {
    static CommandReader reader;
    reader.commands = &commands;
    mv::unique_handle thread(::CreateThread(nullptr, 0, &CommandReader::Run, &reader, 0, nullptr));
    if (!thread) return true;
    return ::WaitForSingleObject(thread.get(), static_cast<DWORD>(seconds) * 1000) != WAIT_TIMEOUT;
}

int Run(const HostOptions& options) {
    const auto jvmOptions = Pointers(options.jvmOptions);
    const auto mainArgs = Pointers(options.mainArgs);
    MvJniServerConfig config{};
    config.classPath = options.classPath.c_str();
    config.jvmOptions = jvmOptions.data();
    config.jvmOptionCount = static_cast<int>(jvmOptions.size());
    config.mainClass = options.mainClass.empty() ? nullptr : options.mainClass.c_str();
    config.mainArgs = mainArgs.data();
    config.mainArgCount = static_cast<int>(mainArgs.size());
    config.outputPath = options.jvmOutput.empty() ? nullptr : options.jvmOutput.c_str();
    config.maxLifetimeSeconds = options.maxLifetimeSeconds + 30;
    config.serverPath = options.jniServer.empty() ? nullptr : options.jniServer.c_str();
    char error[512] = {};
    JavaVM* vm = MvJniProxy_StartServer(&config, error, sizeof error);
    if (!vm) {
        std::fprintf(stderr, "mvjava-host: the JVM did not start: %s\n", error);
        return 3;
    }
    // Nobody reads the host's call trace; kept, it would grow with every call the clients make
    // (up to the proxy's cap) and hide the host's own memory use from leak checks.
    MvJniProxy_SetTracing(0);
    MvJniProxy_SetReferenceOffset(options.referenceOffset);

    int exitCode = 0;
    {
        mv::host::NativeWindows windows;
        if (!windows.started())
            std::fprintf(stderr, "mvjava-host: no UI thread (is there a display?); window commands will fail\n");
        mv::com_ptr<IMvJavaCpp> main;
        HRESULT hr = ::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IMvJavaCpp,
                                        main.put_void());
        if (SUCCEEDED(hr)) hr = main->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()),
                                                         reinterpret_cast<UINT64>(vm));
        if (SUCCEEDED(hr)) hr = main->JavaAddToROT();
        if (FAILED(hr)) {
            std::fprintf(stderr, "mvjava-host: could not publish the main object: 0x%08lx\n",
                         static_cast<unsigned long>(hr));
            exitCode = 4;
        } else {
            PrintLine("ready " + std::to_string(::GetCurrentProcessId()));
            mv::host::HostCommands commands(main.get(), windows);
            const bool told = AnswerCommandsUntilStopped(commands, options.maxLifetimeSeconds);
            main->JavaRemoveFromROT();
            // Component objects that clients still hold point to the main object without a count,
            // and COM releases them as the process's apartment goes, after this: it stays.
            main.detach();
            if (!told) {
                // Ends here, leaving the objects a reader thread may still use to the process's end.
                std::fprintf(stderr, "mvjava-host: maximum lifetime reached\n");
                MvJniProxy_StopServer();
                PrintLine("stopped");
                ::ExitProcess(0);
            }
        }
    }
    MvJniProxy_StopServer();
    PrintLine("stopped");
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: mvjava-host --class-path PATH [--main-class CLASS] [--jvm-option OPT]...\n"
                     "                   [--arg ARG]... [--jvm-output FILE] [--max-lifetime SECONDS]\n"
                     "                   [--jni-server PATH] [--reference-offset N]\n");
        return 2;
    }
    mv::host::ReportAccessViolations();
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 5;
    const int code = Run(options);
    ::CoUninitialize();
    return code;
}
