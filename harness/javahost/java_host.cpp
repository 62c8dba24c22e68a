// mvjava-host: plays a Java process on Windows. It starts a JVM (through the JNI harness) with a
// Java application of ours, creates the module's main object through COM, saves the JVM with
// its own process id, publishes the object in the Running Object Table and waits until told to
// stop; then it withdraws the object and exits cleanly.
//
//   mvjava-host --class-path PATH [--main-class CLASS] [--jvm-option OPT]... [--arg ARG]...
//               [--jvm-output FILE] [--max-lifetime SECONDS]
//
// PATHs are Linux paths (the JVM runs there). On stdout it prints "ready <pid>" once published,
// then "stopped" at the end. It stops at a line "stop" on stdin, at the end of stdin (so it ends
// with a parent that holds its stdin), or at the maximum lifetime.

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "jniproxy/mv_jni_proxy.h"

namespace {

struct HostOptions {
    std::string classPath;
    std::string mainClass;
    std::vector<std::string> jvmOptions;
    std::vector<std::string> mainArgs;
    std::string jvmOutput;
    int maxLifetimeSeconds = 600;
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
        else return false;
    }
    return !options.classPath.empty();
}

std::vector<const char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<const char*> p;
    for (const auto& t : texts) p.push_back(t.c_str());
    return p;
}

// Waits for "stop" or the end of stdin, at most `seconds`.
void WaitUntilToldToStop(int seconds) {
    struct Reader {
        static DWORD WINAPI Run(void*) {
            char line[256];
            while (std::fgets(line, sizeof line, stdin)) {
                if (std::strncmp(line, "stop", 4) == 0) break;
            }
            return 0;
        }
    };
    HANDLE reader = ::CreateThread(nullptr, 0, &Reader::Run, nullptr, 0, nullptr);
    if (!reader) return;
    ::WaitForSingleObject(reader, static_cast<DWORD>(seconds) * 1000);
    ::CloseHandle(reader);  // a reader still blocked on stdin ends with the process
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
    char error[512] = {};
    JavaVM* vm = MvJniProxy_StartServer(&config, error, sizeof error);
    if (!vm) {
        std::fprintf(stderr, "mvjava-host: the JVM did not start: %s\n", error);
        return 3;
    }

    int exitCode = 0;
    {
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
            std::printf("ready %lu\n", static_cast<unsigned long>(::GetCurrentProcessId()));
            std::fflush(stdout);
            WaitUntilToldToStop(options.maxLifetimeSeconds);
            main->JavaRemoveFromROT();
        }
    }
    MvJniProxy_StopServer();
    std::printf("stopped\n");
    std::fflush(stdout);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: mvjava-host --class-path PATH [--main-class CLASS] [--jvm-option OPT]...\n"
                     "                   [--arg ARG]... [--jvm-output FILE] [--max-lifetime SECONDS]\n");
        return 2;
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 5;
    const int code = Run(options);
    ::CoUninitialize();
    return code;
}
