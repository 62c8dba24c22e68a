#pragma once
// The full path of a module's file.
// GetModuleFilePath: as GetModuleFileName gives it in a buffer of MAX_PATH units: no path -> the
// HRESULT of the system error; a path that fills the whole buffer (and so may be cut short) ->
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER). Registration and the type library use it.
// GetLongModuleFilePath: the whole path, of any length Windows allows (32,767 units).
// GetSiblingFilePath: the path of `fileName` in the module's own folder, in the extended form
// (\\?\...) when it is too long for the loader otherwise.

#include <windows.h>

#include <string>

namespace mv {

HRESULT GetModuleFilePath(HINSTANCE module, std::wstring& path) noexcept;
HRESULT GetLongModuleFilePath(HINSTANCE module, std::wstring& path) noexcept;
HRESULT GetSiblingFilePath(HINSTANCE module, const wchar_t* fileName, std::wstring& path) noexcept;

}  // namespace mv
