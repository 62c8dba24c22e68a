#pragma once
// The names and identities that registration writes, as text.

namespace mvtest {

inline constexpr wchar_t kAppId[] = L"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}";
inline constexpr wchar_t kLibId[] = L"{9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93}";

struct ClassNames {
    const wchar_t* clsid;
    const wchar_t* progId;  // version-independent; the versioned one adds ".1"
    const wchar_t* description;
};

inline constexpr ClassNames kMvJavaCppNames{L"{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}", L"MvJavaJniComRot.MvJavaCpp",
                                            L"MvJavaCpp Class"};
inline constexpr ClassNames kJvmFinderNames{L"{5D21A8F3-0C47-4B9E-A1D6-72F3E9B8C015}", L"MvJavaJniComRot.JvmFinder",
                                            L"JvmFinder Class"};

// The dual interfaces of the type library, whose marshalling registration of the library adds.
inline constexpr const wchar_t* kInterfaceIds[] = {
    L"{4E7B1D20-96C3-4F58-8A0E-3D6C2B9F1A75}",  // IJObject
    L"{B18F3C64-2D7A-4E05-9B3C-6A0E4F8D2C17}",  // IJAwtComponent
    L"{2C5D8E91-4B06-47A3-8E1F-9D3A7C6B5E02}",  // IJAwtContainer
    L"{7A1E6F38-0D92-4C5B-A4E7-1F8B3D0C9A56}",  // IJAwtWindow
    L"{D4093B7E-6C21-48F9-B5A0-2E7C9F1D3B84}",  // IJAwtTextComponent
    L"{61F2A9C5-8E34-4D17-9B6A-0C5E3F7A2D19}",  // IMvJavaCpp
    L"{E3B85D07-1A6F-4C92-8D3E-7B4A0F2C6E51}",  // IJvmFinder
};

}  // namespace mvtest
