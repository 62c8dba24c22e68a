#include "support/test_scripts.h"

#include <windows.h>

#include <stdexcept>

namespace regtest {

std::u16string ScriptResourceText(unsigned id) {
    const HMODULE self = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(id), L"REGISTRY");
    const HGLOBAL loaded = found ? ::LoadResource(self, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    if (bytes == nullptr) throw std::runtime_error("script resource missing from the test program");
    return std::u16string(bytes, bytes + ::SizeofResource(self, found));
}

std::wstring TestProgramPath() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

}  // namespace regtest
