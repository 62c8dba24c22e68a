#pragma once
// The eight primitive Java array types as the array members of the main object see them: the
// Java array class, the SAFEARRAY types on the automation side, and the JNI calls that make,
// write and read a whole array. One row per JavaTypes value, so the members work from a row
// instead of eight copies of themselves.

#include <windows.h>
#include <oleauto.h>

#include <jni.h>

#include "MvJavaJniComRot_h.h"

namespace mv {

struct PrimitiveArrayType {
    const char* arrayClass;  // the array class for FindClass, e.g. "[I"
    VARTYPE inType;          // the whole VARIANT type that SetJavaPrimitiveArray requires
    UINT inElementSize;      // the element size of that SAFEARRAY
    VARTYPE outElement;      // the element type of the SAFEARRAY that GetJavaPrimitiveArray builds
    // New<T>Array: null when the JVM refuses (its error is then pending).
    jarray (*newArray)(JNIEnv* env, jsize length);
    // Set<T>ArrayRegion over elements 0..length-1 from SAFEARRAY data of type `inType`. False
    // only when a conversion buffer could not be had (nothing was written then).
    bool (*write)(JNIEnv* env, jarray array, jsize length, const void* elements);
    // Get<T>ArrayRegion over elements 0..length-1 into SAFEARRAY data of type `outElement`.
    // False only when a conversion buffer could not be had.
    bool (*read)(JNIEnv* env, jarray array, jsize length, void* elements);
};

// The row of `type`; null for a value outside Boolean..Double.
const PrimitiveArrayType* FindPrimitiveArrayType(JavaTypes type) noexcept;

}  // namespace mv
