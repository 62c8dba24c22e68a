#pragma once
// Object and string values that the field and method members hand back to the client.

#include <windows.h>
#include <oleauto.h>

#include <jni.h>

namespace mv {

// Writes a handle to `object` (a new global reference that the client owns) to `out`. E_FAIL
// when the JVM gives no global reference (a pending error is cleared); `out` is then untouched.
HRESULT HandOutReference(JNIEnv* env, jobject object, UINT64* out) noexcept;

// Writes the text of the Java string `s` to `out` as a new BSTR, cut at the first NUL; an empty
// BSTR when the string's characters cannot be had. E_OUTOFMEMORY when no BSTR can be made.
HRESULT HandOutString(JNIEnv* env, jstring s, BSTR* out);

}  // namespace mv
