#include "publisher.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <mutex>
#include <new>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "agent_log.h"
#include "common/com/com_ptr.h"
#include "common/win/handles.h"
#include "java_release.h"
#include "module/module_file_path.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace mv::agent {
namespace {

constexpr wchar_t kModuleName[] = L"MvJavaJniComRot.dll";
constexpr DWORD kWithdrawWaitMs = 5000;

std::atomic<JavaVM*> g_vm{nullptr};
std::atomic<int> g_release{0};

// The publishing thread and how it is told to withdraw; guarded by g_lock.
std::mutex g_lock;
bool g_started = false;
bool g_withdrawn = false;
unique_handle g_withdrawEvent;
unique_handle g_thread;

// Reads the JVM's release on an attachment of its own: as a daemon, so that the JVM's shutdown
// never waits for this thread, and detached again at once.
bool ReadRelease(JavaVM* vm) {
    JNIEnv* env = nullptr;
    if (vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return false;
    g_release = ReadJavaRelease(env);
    vm->DetachCurrentThread();
    return true;
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

constexpr wchar_t kPublishedAlready[] = L"this process is published already";

// A new main object of the module beside this library in `main`, or why there is none. The module
// stays loaded for the life of the process: the object and COM's stubs of it live in it.
std::wstring CreateMainObject(com_ptr<IMvJavaCpp>& main) {
    std::wstring path;
    if (FAILED(GetSiblingFilePath(reinterpret_cast<HINSTANCE>(&__ImageBase), kModuleName, path)))
        return L"the folder of MvJavaJni.dll is unknown";
    const HMODULE module =
        ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return L"cannot load " + path + L" (error " + std::to_wstring(::GetLastError()) + L")";
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using GetJvmFromPid = IMvJavaCpp*(__cdecl*)(DWORD);
    const auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    const auto getJvmFromPid =
        reinterpret_cast<GetJvmFromPid>(reinterpret_cast<void*>(::GetProcAddress(module, "GetJVMFromPid")));
    if (!getClassObject || !getJvmFromPid) return path + L" is not the module";
    // By another copy of this library, or by the application's own code.
    if (com_ptr<IMvJavaCpp> existing{getJvmFromPid(::GetCurrentProcessId())}) return kPublishedAlready;
    com_ptr<IClassFactory> factory;
    HRESULT hr = getClassObject(CLSID_MvJavaCpp, IID_IClassFactory, factory.put_void());
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IMvJavaCpp, main.put_void());
    return FAILED(hr) ? L"the module made no main object (" + Hex(hr) + L")" : std::wstring();
}

void PublishAndHold(JavaVM* vm, HANDLE withdrawEvent) {
    if (!ReadRelease(vm)) return Log(L"Publish", L"not published: the thread could not attach to the JVM");
    com_ptr<IMvJavaCpp> main;
    std::wstring why = CreateMainObject(main);
    if (why == kPublishedAlready) return Log(L"Publish", L"not published again: " + why);
    HRESULT hr = S_OK;
    if (why.empty() && FAILED(hr = main->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()),
                                                             static_cast<UINT64>(reinterpret_cast<std::uintptr_t>(vm)))))
        why = L"JavaSaveRunningJVM failed (" + Hex(hr) + L")";
    if (why.empty() && FAILED(hr = main->JavaAddToROT())) why = L"JavaAddToROT failed (" + Hex(hr) + L")";
    if (!why.empty()) return Log(L"Publish", L"not published: " + why);
    Log(L"Publish", L"published process " + std::to_wstring(::GetCurrentProcessId()) + L" (Java " +
                        std::to_wstring(g_release.load()) + L")");
    ::WaitForSingleObject(withdrawEvent, INFINITE);
    hr = main->JavaRemoveFromROT();
    Log(L"Withdraw", FAILED(hr) ? L"JavaRemoveFromROT failed (" + Hex(hr) + L")" : L"withdrawn: the JVM ended");
    // Component objects that clients still hold point to the main object without a count, and COM
    // releases them when the process's apartment goes: it lives as long as the process.
    main.detach();
}

struct ThreadStart {
    JavaVM* vm;
    HANDLE withdrawEvent;
};

DWORD WINAPI PublishingThread(void* parameter) {
    const ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        if (SUCCEEDED(init)) PublishAndHold(start.vm, start.withdrawEvent);
        else Log(L"Publish", L"not published: COM could not be initialised (" + Hex(init) + L")");
    } catch (...) {  // out of memory while building a log line: the publication is what it is
    }
    if (SUCCEEDED(init)) ::CoUninitialize();
    return 0;
}

}  // namespace

void ServeJavaVM(JavaVM* vm) noexcept {
    JavaVM* none = nullptr;
    g_vm.compare_exchange_strong(none, vm);
}

JavaVM* ServedJavaVM() noexcept { return g_vm; }
int ServedJavaRelease() noexcept { return g_release; }

void StartPublishing(JavaVM* vm) noexcept {
    ServeJavaVM(vm);
    const std::lock_guard<std::mutex> hold(g_lock);
    if (g_started || g_withdrawn || !vm) return;
    g_started = true;
    g_withdrawEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto* start = new (std::nothrow) ThreadStart{vm, g_withdrawEvent.get()};
    if (g_withdrawEvent && start)
        g_thread.reset(::CreateThread(nullptr, 0, &PublishingThread, start, 0, nullptr));
    if (!g_thread) {
        delete start;
        Log(L"Publish", L"not published: no thread could be started");
    }
}

void Withdraw() noexcept {
    const std::lock_guard<std::mutex> hold(g_lock);
    g_withdrawn = true;
    if (!g_thread) return;
    ::SetEvent(g_withdrawEvent.get());
    ::WaitForSingleObject(g_thread.get(), kWithdrawWaitMs);
}

}  // namespace mv::agent
