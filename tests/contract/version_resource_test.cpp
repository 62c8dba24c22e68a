// Every shipped program and library carries the project's one version in its version resource.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "wine_path.h"

namespace {

// "FileVersion" and "ProductVersion" of the US-English Unicode block, and the numeric file version.
std::string VersionsOf(const std::wstring& file) {
    DWORD ignored = 0;
    std::vector<BYTE> data(::GetFileVersionInfoSizeW(file.c_str(), &ignored));
    if (data.empty() || !::GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return "no version resource";
    std::string text;
    for (const wchar_t* key : {L"\\StringFileInfo\\040904B0\\FileVersion", L"\\StringFileInfo\\040904B0\\ProductVersion"}) {
        wchar_t* value = nullptr;
        UINT length = 0;
        if (::VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&value), &length) && value)
            text += std::string(value, value + std::wcslen(value)) + " ";
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed)
        text += std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                "." + std::to_string(HIWORD(fixed->dwFileVersionLS));
    return text;
}

TEST(VersionResource, EveryShippedFileCarriesTheProjectVersion) {
    const std::string expected = std::string(MV_VERSION) + " " + MV_VERSION + " " + MV_VERSION;
    for (const char* file : {MV_MODULE_PATH, MV_MVJAVA_PATH, MV_JAVA_HOST_PATH, MV_JNIPROXY_PATH, MV_SIBLING_PATH})
        EXPECT_EQ(VersionsOf(mv::test::WindowsPathOfUnixPath(file)), expected) << file;
}

}  // namespace
