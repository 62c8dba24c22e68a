#pragma once
// A method's argument array (one VARIANT: VT_EMPTY for none, or a one-dimensional SAFEARRAY of
// VARIANTs) turned into JNI argument slots. The element types are not compared with the
// method's signature: the JVM reads each slot as the signature says.

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include <jni.h>

namespace mv {

// Fills `args` with one jvalue per element. Element types accepted, and the slot each fills:
//   VT_I2 s, VT_I4 i, VT_R4 f, VT_R8 d, VT_BSTR l (a new Java string), VT_BOOL z (1 or 0),
//   VT_I1/VT_UI1 b, VT_UI2 c, VT_I8 j, VT_UI8 l (a handle).
// Any other element type, or a paramArray other than VT_EMPTY and VT_ARRAY|VT_VARIANT, fails
// with E_FAIL; failing bounds queries give their own HRESULT. Strings made here are local
// references of the call.
HRESULT BuildJniArguments(JNIEnv* env, const VARIANT& paramArray, std::vector<jvalue>& args);

}  // namespace mv
