// The module registered with Wine's regsvr32 from a folder whose name has a single quote, as an
// installer does it: every key and value, creation by CLSID and ProgID, late binding from this
// program and from cscript without and then with the type library's registration, and removal.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/win/handles.h"
#include "process_run.h"
#include "wine_path.h"

namespace {

using mv::com_ptr;
using Lines = std::set<std::wstring>;

const wchar_t kAppId[] = L"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}", kLibId[] = L"{9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93}";
struct Class {
    const wchar_t *clsid, *progId, *description;
};
const Class kClasses[] = {
    {L"{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}", L"MvJavaJniComRot.MvJavaCpp", L"MvJavaCpp Class"},
    {L"{5D21A8F3-0C47-4B9E-A1D6-72F3E9B8C015}", L"MvJavaJniComRot.JvmFinder", L"JvmFinder Class"}};
const wchar_t* const kInterfaces[] = {
    L"{4E7B1D20-96C3-4F58-8A0E-3D6C2B9F1A75}", L"{B18F3C64-2D7A-4E05-9B3C-6A0E4F8D2C17}",
    L"{2C5D8E91-4B06-47A3-8E1F-9D3A7C6B5E02}", L"{7A1E6F38-0D92-4C5B-A4E7-1F8B3D0C9A56}",
    L"{D4093B7E-6C21-48F9-B5A0-2E7C9F1D3B84}", L"{61F2A9C5-8E34-4D17-9B6A-0C5E3F7A2D19}",
    L"{E3B85D07-1A6F-4C92-8D3E-7B4A0F2C6E51}"};

// What registration writes for each class (%C its CLSID, %N its ProgID, %D its description), and
// for the module (%M its path, %A the AppID, %L the LIBID), as "key|name=data" ("key|" for a key
// without values). The class and AppID trees hold exactly these lines; the trees of the type
// library and the interfaces (the system's lines, from "TypeLib" on) hold more.
const wchar_t* const kClassLines[] = {
    L"%N.1|=%D", L"%N.1\\CLSID|=%C", L"%N|=%D", L"%N\\CLSID|=%C", L"%N\\CurVer|=%N.1", L"CLSID\\%C|=%D",
    L"CLSID\\%C|AppID=%A", L"CLSID\\%C\\ProgID|=%N.1", L"CLSID\\%C\\VersionIndependentProgID|=%N",
    L"CLSID\\%C\\Programmable|", L"CLSID\\%C\\InprocServer32|=%M", L"CLSID\\%C\\InprocServer32|ThreadingModel=Both",
    L"CLSID\\%C\\TypeLib|=%L"};
const wchar_t* const kModuleLines[] = {L"AppID\\%A|=MvJavaJniComRot", L"AppID\\MvJavaJniComRot.DLL|AppID=%A",
                                       L"TypeLib\\%L\\1.0\\409\\%P|=%M", L"TypeLib\\%L\\1.0\\0\\%P|=%M"};
// Each module registers its type library for its own platform, its classes in its own registry view.
constexpr bool k64Bit = sizeof(void*) == 8;
const wchar_t* const kPlatform = k64Bit ? L"win64" : L"win32";
constexpr SYSKIND kSysKind = k64Bit ? SYS_WIN64 : SYS_WIN32;
constexpr REGSAM kOtherView = k64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

std::wstring Expand(std::wstring text, const Class& c, const std::wstring& module) {
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"%C", c.clsid}, {L"%N", c.progId}, {L"%D", c.description}, {L"%M", module.c_str()}, {L"%A", kAppId},
        {L"%L", kLibId}, {L"%P", kPlatform}};
    for (const auto& [name, value] : names)
        for (size_t at; (at = text.find(name)) != std::wstring::npos;) text.replace(at, 2, value);
    return text;
}

// Every value below HKEY_CLASSES_ROOT\<path> as "key|name=data", every key without values as "key|".
void ReadTree(const std::wstring& path, Lines& lines) {
    mv::unique_hkey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    wchar_t name[256], data[1024];
    DWORD index = 0, length = 256, size = sizeof data - sizeof(wchar_t), type = 0;
    for (; ::RegEnumValueW(key.get(), index, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == 0;
         ++index, length = 256, size = sizeof data - sizeof(wchar_t)) {
        data[size / sizeof(wchar_t)] = L'\0';
        lines.insert(path + L"|" + std::wstring(name, length) + L"=" +
                     (type == REG_SZ ? std::wstring(data) : L"(type " + std::to_wstring(type) + L")"));
    }
    if (index == 0) lines.insert(path + L"|");
    for (DWORD k = 0; length = 256, ::RegEnumKeyExW(key.get(), k, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
         ++k)
        ReadTree(path + L"\\" + std::wstring(name, length), lines);
}

Lines ReadRegistration() {
    Lines found;
    for (const Class& c : kClasses)
        for (const wchar_t* root : {L"%N.1", L"%N", L"CLSID\\%C"}) ReadTree(Expand(root, c, L""), found);
    for (const wchar_t* root : {L"AppID\\%A", L"AppID\\MvJavaJniComRot.DLL", L"TypeLib\\%L"})
        ReadTree(Expand(root, kClasses[0], L""), found);
    for (const wchar_t* iid : kInterfaces) ReadTree(L"Interface\\" + std::wstring(iid), found);
    return found;
}

bool Regsvr32(const std::wstring& module, bool unregister = false) {
    const mv::test::ProcessRun run = mv::test::RunProcess(L"\"" + mv::test::SystemProgram(L"regsvr32.exe") + L"\" /s " +
                                                      (unregister ? L"/u \"" : L"\"") + module + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << "regsvr32 " << (unregister ? "/u " : "") << run.output;
    return run.started && !run.timedOut && run.exitCode == 0;
}

// GetIDsOfNames as "<hr> <DISPID>...".
std::string NamesToIds(IDispatch* object, std::vector<const wchar_t*> names) {
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const HRESULT hr =
        object->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names.data()), UINT(names.size()), 0, ids.data());
    char hex[16];
    std::string text(hex, size_t(std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(hr))));
    for (DISPID id : ids) text += SUCCEEDED(hr) ? " " + std::to_string(id) : "";
    return text;
}

// Late binding, first without the type library's registration: this process's type information
// records must still be empty, so nothing before it may ask for type information. The library's
// registration goes before the objects are made: a main object holds the library from its making on.
void LateBinding(const std::wstring& module) {
    // registration records it for its own locale and the neutral one
    ASSERT_EQ(::UnRegisterTypeLib(LIBID_MvJavaJniComRotLib, 1, 0, 0, kSysKind), S_OK);
    ASSERT_EQ(::UnRegisterTypeLib(LIBID_MvJavaJniComRotLib, 1, 0, 0x409, kSysKind), S_OK);
    com_ptr<IMvJavaCpp> jvm;
    com_ptr<IJvmFinder> finder;
    ASSERT_EQ(::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IMvJavaCpp, jvm.put_void()), S_OK);
    ASSERT_EQ(::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder, finder.put_void()),
              S_OK);
    EXPECT_NE(::GetModuleHandleW(module.c_str()), nullptr) << "COM loaded the module from the quoted path";
    const LONG self = LONG(::GetCurrentProcessId());
    const struct {
        IDispatch* object;
        std::vector<const wchar_t*> names;
        const char* ids;
    } names[] = {
        // Names spelled as in the library come from the module's own table, one member each (the
        // type information alone would read the second name on as parameters and refuse them)...
        {jvm.get(), {L"JavaAddToROT", L"GetJVMVersion", L"SetStaticBoolenField", L"GetAllTopLevelComponents",
                     L"MakeJComponentFromHandle", L"GetComponentFromHwnd"}, "0x00000000 1 4 33 99 200 203"},
        {finder.get(), {L"GetJvmFromProcess"}, "0x00000000 80"},
        // ...a parameter name after a member from the type information (letter case: the script's steps).
        {jvm.get(), {L"getJVMversion", L"version"}, "0x00000000 4 0"},
        {jvm.get(), {L"SetStaticBooleanField"}, "0x80020006"},  // DISP_E_UNKNOWNNAME: only the library's spelling
        {finder.get(), {L"GetJVMVersion"}, "0x80020006"},  // each interface knows only its own members
    };
    // Invoke as a client sees it: failures as exceptions (E_FAIL, E_INVALIDARG), S_FALSE as a null object, a VT_UI8
    // above 2^32 for another process refused. JScript's own error for an unknown name is 0x800A01B6.
    const std::pair<const char*, const char*> steps[] = {
        {"create MvJavaCpp", "ok object"}, {"create MvJavaCpp.1", "ok object"}, {"create JvmFinder", "ok object"},
        {"create JvmFinder.1", "ok object"}, {"GetJVMVersion", "error 0x80004005"},
        {"getjvmversion", "error 0x80004005"}, {"GetJVMVersio", "error 0x800A01B6"},
        {"JavaSaveRunningJVM", "error 0x80004005"}, {"GetJvmFromProcess 0", "error 0x80070057"},
        {"GetJvmFromProcess", "ok null"}, {"GETJVMFROMPROCESS", "ok null"}, {"GetJvmFromProces", "error 0x800A01B6"}};

    for (const bool libraryRegistered : {false, true}) {
        SCOPED_TRACE(libraryRegistered ? "type library registered" : "type library not registered");
        const std::string missing = "0x8002801D";  // TYPE_E_LIBNOTREGISTERED
        if (!libraryRegistered) {
            ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
            EXPECT_EQ(jvm->GetTypeInfo(0, 0, &none), TYPE_E_LIBNOTREGISTERED);
            EXPECT_EQ(none, nullptr);
            DISPPARAMS noArgs{};
            EXPECT_EQ(jvm->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &noArgs, nullptr, nullptr, nullptr),
                      TYPE_E_LIBNOTREGISTERED);
            LONG version = 0;  // vtable calls need no type library
            EXPECT_EQ(jvm->GetJVMVersion(&version), E_FAIL) << "the member itself answers: no JVM saved";
            IDispatch* found = nullptr;
            EXPECT_EQ(finder->GetJvmFromProcess(ULONG(self), &found), S_FALSE);
            EXPECT_EQ(found, nullptr);
        } else {
            ASSERT_TRUE(Regsvr32(module));  // a failed load is tried again on the next call
            const std::pair<IDispatch*, IID> objects[] = {{jvm.get(), IID_IMvJavaCpp}, {finder.get(), IID_IJvmFinder}};
            for (const auto& [object, iid] : objects) {
                com_ptr<ITypeInfo> first, fifth;
                ASSERT_EQ(object->GetTypeInfo(0, 0, first.put()), S_OK);
                TYPEATTR* attr = nullptr;
                ASSERT_EQ(first->GetTypeAttr(&attr), S_OK);
                EXPECT_EQ(attr->guid, iid) << "each interface is described by its own type information";
                first->ReleaseTypeAttr(attr);
                ASSERT_EQ(object->GetTypeInfo(5, 0x409, fifth.put()), S_OK);
                EXPECT_EQ(first.get(), fifth.get()) << "one cached type information, whatever the index";
                EXPECT_EQ(object->GetTypeInfo(0, 0, nullptr), E_POINTER);
            }
        }
        UINT count = 0;
        EXPECT_TRUE(jvm->GetTypeInfoCount(&count) == S_OK && count == 1);
        for (const auto& row : names)
            EXPECT_EQ(NamesToIds(row.object, row.names), libraryRegistered ? row.ids : missing) << row.names[0];
        const mv::test::ScriptReport script = mv::test::RunScript("late_binding.js", std::to_wstring(self));
        for (const auto& [step, outcome] : steps) {
            const bool creation = std::string(step).rfind("create", 0) == 0;
            EXPECT_EQ(script.Step(step), libraryRegistered || creation ? outcome : "error " + missing)
                << step << "\n" << script.run.output;
        }
    }
}

TEST(Registration, WritesEveryKeyBindsLateAndRemovesEverything) {
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"mv it's module", module = folder + L"\\MvJavaJniComRot.dll";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(mv::test::WindowsPathOfUnixPath(MV_MODULE_PATH).c_str(), module.c_str(), FALSE));
    struct Registration {  // removed also after a failure
        ~Registration() { removed || Regsvr32(module, true); }
        const std::wstring& module;
        bool removed;
    } registration{module, false};
    ASSERT_TRUE(Regsvr32(module));
    // A stale key under a class key goes when the module registers again (ForceRemove).
    mv::unique_hkey stale;
    ::RegCreateKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + std::wstring(kClasses[0].clsid) + L"\\Stale").c_str(), 0,
                      nullptr, 0, KEY_WRITE, nullptr, stale.put(), nullptr);
    ASSERT_TRUE(Regsvr32(module));
    Lines expected;
    for (const Class& c : kClasses) for (const wchar_t* line : kClassLines) expected.insert(Expand(line, c, module));
    for (const wchar_t* line : kModuleLines) expected.insert(Expand(line, kClasses[0], module));
    for (const wchar_t* iid : kInterfaces) expected.insert(L"Interface\\" + std::wstring(iid) + L"\\TypeLib|=" + kLibId);
    const Lines found = ReadRegistration();
    for (const std::wstring& line : expected) EXPECT_EQ(found.count(line), 1u) << "missing: " << line;
    for (const std::wstring& line : found) {
        const bool system = line.rfind(L"TypeLib\\", 0) == 0 || line.rfind(L"Interface\\", 0) == 0;
        EXPECT_TRUE(system || expected.count(line)) << "not in the table: " << line;
    }
    for (const Class& c : kClasses) {  // the other bitness's view does not see this module's classes
        mv::unique_hkey server;  // a key that does not open leaves the path empty
        wchar_t path[MAX_PATH] = L"";
        DWORD size = sizeof path - sizeof(wchar_t);
        ::RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + std::wstring(c.clsid) + L"\\InprocServer32").c_str(), 0, KEY_READ | kOtherView, server.put());
        ::RegQueryValueExW(server.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
        EXPECT_NE(std::wstring(path), module) << "the other registry view names this module for " << c.progId;
    }
    LateBinding(module);
    registration.removed = true;
    ASSERT_TRUE(Regsvr32(module, true));
    EXPECT_EQ(ReadRegistration(), Lines{}) << "everything is removed";
    for (const wchar_t* kept : {L"AppID", L"CLSID"}) {
        mv::unique_hkey key;
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, kept, 0, KEY_READ, key.put()), ERROR_SUCCESS) << kept;
    }
    ::CoFreeUnusedLibrariesEx(0, 0);
    ::CoUninitialize();
    ::DeleteFileW(module.c_str());  // may stay while still loaded; the next run replaces it
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
