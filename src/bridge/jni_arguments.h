#pragma once
// A method's argument array (one VARIANT: VT_EMPTY for none, or a one-dimensional SAFEARRAY of
// VARIANTs) turned into JNI argument slots, one per parameter of the method's signature, each
// converted to its parameter's type (argument_conversion.h): the JVM reads each slot as the
// signature says, so a slot of another kind, or a missing one, would hand the method garbage.

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
    std::vector<local_ref<jstring>> strings;   // made for VT_BSTR elements

    // The slots to pass to a Call...MethodA function (null when there are none).
    const jvalue* data() const noexcept { return slots.empty() ? nullptr : slots.data(); }
};

// Fills `args` with one jvalue per element, converting element i to the parameter whose JNI type
// letter is parameters[i] ('L' for any reference, as ParameterKinds gives them). E_FAIL for an
// element that does not convert, for a count of elements other than the count of parameters, and
// for a paramArray other than VT_EMPTY (no arguments) and VT_ARRAY|VT_VARIANT: every VT_BYREF
// form included; failing bounds queries give their own HRESULT. E_FAIL too for an array labelled
// VT_ARRAY|VT_VARIANT whose descriptor does not hold VARIANTs (VARIANT-sized elements whose
// type, stored or by FADF_VARIANT, is VT_VARIANT), that has no data, or whose first dimension
// runs past LONG's range, and for a string the JVM cannot make (its error cleared). No JNI call
// is made unless every element converts, and the array is never left locked.
HRESULT BuildJniArguments(JNIEnv* env, const VARIANT& paramArray, const std::string& parameters,
                          jni_arguments& args);

}  // namespace mv
