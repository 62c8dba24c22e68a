#pragma once
// The object-array read behind GetJavaObjectArray, with its choice of element type, open to
// tests of the narrow fallback form.

#include <windows.h>
#include <oleauto.h>

#include <jni.h>

namespace mv {

// The element type of the handle array for `count` elements: VT_UI8, or VT_UI4 where this
// system cannot make a VT_UI8 SAFEARRAY.
VARTYPE ObjectArrayElementType(ULONG count) noexcept;

// Reads the `length` elements of `array`, each as a new global reference for the client, into a
// SAFEARRAY (lower bound 0) of `elementType`: VT_UI8 holds handles, VT_UI4 the 32-bit references
// themselves. On success `out` is cleared and then holds the array. A null element, a reference
// the JVM refuses, a reference beyond 32 bits for VT_UI4 (64-bit module) or a pending exception
// gives E_FAIL: every reference made is deleted again, the exception cleared, and `out` left as
// it was.
HRESULT ReadObjectArray(JNIEnv* env, jobjectArray array, jsize length, VARTYPE elementType, VARIANT* out);

}  // namespace mv
