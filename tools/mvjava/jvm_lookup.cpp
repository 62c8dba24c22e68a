#include "jvm_lookup.h"

#include <algorithm>

#include "common/win/handles.h"
#include "exit_codes.h"
#include "utf8.h"

namespace mvjava {
namespace {

constexpr wchar_t kModuleName[] = L"MvJavaJniComRot.dll";
constexpr wchar_t kMonikerPrefix[] = L"MvJavaCOM:P";

std::wstring ModuleNextToProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    path = (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + kModuleName;
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : path;
}

// The default value of HKCR\CLSID\{MvJavaCpp}\InprocServer32, as registration wrote it
// (RRF_RT_REG_SZ also takes a REG_EXPAND_SZ value, expanded).
std::wstring RegisteredModule() {
    wchar_t clsid[64];
    if (!::StringFromGUID2(__uuidof(MvJavaCpp), clsid, 64)) return {};
    const std::wstring key = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                       nullptr, &bytes) != ERROR_SUCCESS)
        return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                       value.data(), &bytes) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

}  // namespace

JvmLookup::JvmLookup() {
    m_path = ModuleNextToProgram();
    if (m_path.empty()) m_path = RegisteredModule();
    if (m_path.empty())
        throw Failure(ExitCode::kCallFailed,
                      "MvJavaJniComRot.dll is neither next to mvjava.exe nor registered (regsvr32 MvJavaJniComRot.dll)");
    m_module.reset(::LoadLibraryExW(m_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!m_module)
        throw Failure(ExitCode::kCallFailed, "cannot load " + ToUtf8(m_path) + " (error " +
                                                 std::to_string(::GetLastError()) + ")");
    m_byPid = reinterpret_cast<ByPid>(reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "GetJVMFromPid")));
    m_anyAndPid =
        reinterpret_cast<AnyAndPid>(reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "GetRunningJVMAndPid")));
    if (!m_byPid || !m_anyAndPid)
        throw Failure(ExitCode::kCallFailed, ToUtf8(m_path) + " lacks the exports GetJVMFromPid/GetRunningJVMAndPid");
}

mv::com_ptr<IMvJavaCpp> JvmLookup::FromPid(DWORD pid) const {
    mv::com_ptr<IMvJavaCpp> jvm;
    jvm.attach(m_byPid(pid));
    if (!jvm) throw Failure(ExitCode::kNoJvm, "no JVM published by process " + std::to_string(pid));
    return jvm;
}

mv::com_ptr<IMvJavaCpp> JvmLookup::AnyRunning(DWORD& pid) const {
    pid = 0;
    mv::com_ptr<IMvJavaCpp> jvm;
    jvm.attach(m_anyAndPid(&pid));
    return jvm;
}

std::vector<DWORD> PublishedProcessIds() {
    std::vector<DWORD> pids;
    mv::com_ptr<IRunningObjectTable> table;
    mv::com_ptr<IEnumMoniker> monikers;
    mv::com_ptr<IBindCtx> context;
    if (FAILED(::GetRunningObjectTable(0, table.put())) || FAILED(table->EnumRunning(monikers.put())) ||
        FAILED(::CreateBindCtx(0, context.put())))
        throw Failure(ExitCode::kCallFailed, "cannot read the Running Object Table");
    for (;;) {
        mv::com_ptr<IMoniker> moniker;
        if (monikers->Next(1, moniker.put(), nullptr) != S_OK) break;
        LPOLESTR name = nullptr;
        if (FAILED(moniker->GetDisplayName(context.get(), nullptr, &name)) || !name) continue;
        std::wstring display(name);
        ::CoTaskMemFree(name);
        // An item moniker shows its delimiter (if any) before the item name.
        std::size_t at = display.find(kMonikerPrefix);
        if (at == std::wstring::npos || at > 1) continue;
        const std::wstring digits = display.substr(at + wcslen(kMonikerPrefix));
        if (digits.empty() || digits.size() > 10 ||
            !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
            continue;
        const unsigned long long pid = std::stoull(digits);
        if (pid <= 0xFFFFFFFFull) pids.push_back(static_cast<DWORD>(pid));
    }
    std::sort(pids.begin(), pids.end());
    pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
    return pids;
}

}  // namespace mvjava
