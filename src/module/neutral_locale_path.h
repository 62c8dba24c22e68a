#pragma once
// The path of a registered type library, recorded also under the neutral locale 0.
//
// The system registers a library under the locale it declares (TypeLib\{LIBID}\1.0\409\win64).
// Wine's type-library marshaller, which carries every call between processes, looks only under
// TypeLib\{LIBID}\1.0\0\win64, and so does a script engine that passes locale 0 to the loader.
// A library that declares the neutral locale needs nothing more.

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace mv {

HRESULT RecordNeutralLocalePath(const TLIBATTR& library, const std::wstring& path) noexcept;
// Removes the record again; one that is not there is no error.
HRESULT RemoveNeutralLocalePath(const TLIBATTR& library) noexcept;

}  // namespace mv
