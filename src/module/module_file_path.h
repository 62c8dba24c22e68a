#pragma once
// The full path of a module's file.
// GetModuleFilePath: as GetModuleFileName gives it in a buffer of MAX_PATH units: no path -> the
// HRESULT of the system error; a path that fills the whole buffer (and so may be cut short) ->
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER). Registration and the type library use it.
// GetLongModuleFilePath: the whole path, of any length Windows allows (32,767 units).

#include <windows.h>

#include <string>

namespace mv {

HRESULT GetModuleFilePath(HINSTANCE module, std::wstring& path) noexcept;
HRESULT GetLongModuleFilePath(HINSTANCE module, std::wstring& path) noexcept;

}  // namespace mv
