#pragma once
// A method's argument array (one VARIANT: VT_EMPTY for none, or a one-dimensional SAFEARRAY of
// VARIANTs) turned into JNI argument slots. The slots are not matched to a signature here: the
// JVM reads each slot as the method's signature says.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include <jni.h>

#include "common/jni/local_ref.h"

namespace mv {

// The argument slots of one call. The Java strings made for VT_BSTR elements are local
// references of the call, deleted when this ends, so a thread that stays attached to the JVM
// does not collect them.
struct jni_arguments {
    std::vector<jvalue> slots;                 // one per element, in memory order
    std::string kinds;                         // the JNI type letter each slot holds ('L': a reference)
    std::vector<local_ref<jstring>> strings;   // made for VT_BSTR elements

    // The slots to pass to a Call...MethodA function (null when there are none).
    const jvalue* data() const noexcept { return slots.empty() ? nullptr : slots.data(); }
};

// Fills `args` with one jvalue per element. Element types accepted, and the slot each fills:
//   VT_I2 s, VT_I4 i, VT_R4 f, VT_R8 d, VT_BSTR l (a new Java string), VT_BOOL z (1 or 0),
//   VT_I1/VT_UI1 b, VT_UI2 c, VT_I8 j, VT_UI8 l (a handle).
// Any other element type, or a paramArray other than VT_EMPTY and VT_ARRAY|VT_VARIANT, fails
// with E_FAIL; failing bounds queries give their own HRESULT. E_FAIL too for an array labelled
// VT_ARRAY|VT_VARIANT whose descriptor does not hold VARIANTs (VARIANT-sized elements whose
// type, stored or by FADF_VARIANT, is VT_VARIANT), that has no data, or whose first dimension
// runs past LONG's range, and for a string the JVM cannot make (its error cleared). The array
// is never left locked.
HRESULT BuildJniArguments(JNIEnv* env, const VARIANT& paramArray, jni_arguments& args);

}  // namespace mv
