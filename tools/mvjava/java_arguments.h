#pragma once
// Argument arrays for the bridge's generic call members: one VARIANT holding a SAFEARRAY of
// VARIANTs (VT_ARRAY | VT_VARIANT, lower bound 0), element by element.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/variant.h"
#include "java_ref.h"

namespace mvjava {

VARIANT ArgumentI4(LONG value);
VARIANT ArgumentI8(LONGLONG value);
VARIANT ArgumentBool(bool value);
VARIANT ArgumentUI8(ULONGLONG value);  // a Java object handle; 0 is null
VARIANT ArgumentBstr(const std::wstring& text);

// Fills `out` with the array; takes over (and clears) `elements`. False when it cannot be built.
bool MakeArgumentArray(mv::unique_variant& out, std::vector<VARIANT> elements);

// The object `method` (of `signature`) answers on `object`, owned; empty when the call fails.
JavaRef CallObject(IMvJavaCpp* jvm, UINT64 object, const wchar_t* method, const wchar_t* signature,
                   std::vector<VARIANT> args = {});

}  // namespace mvjava
