#pragma once
// A method's argument array (one VARIANT: VT_EMPTY for none, or a one-dimensional SAFEARRAY of
// VARIANTs) turned into JNI argument slots, one per parameter of the method's signature, each
// converted to its parameter's type (argument_conversion.h): the JVM reads each slot as the
// signature says, so a slot of another kind, or a missing one, would hand the method garbage.
// The conversion makes no JNI call, so that the handles among the arguments can be checked before
// any; the strings for VT_BSTR elements are made afterwards.

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include <jni.h>

#include "common/jni/local_ref.h"

namespace mv {

// The argument slots of one call.
struct jni_arguments {
    std::vector<std::string_view> parameters;          // the descriptors, viewing the signature
    std::vector<jvalue> slots;                         // one per parameter, in memory order
    std::vector<std::pair<std::size_t, BSTR>> texts;   // slots that take a new string of the BSTR
    std::vector<jobject> handles;                      // the non-null handles among the arguments

    // The slots to pass to a Call...MethodA function (null when there are none).
    const jvalue* data() const noexcept { return slots.empty() ? nullptr : slots.data(); }
    // Whether slot `i` holds a string made for a VT_BSTR element.
    bool IsMadeString(std::size_t i) const noexcept;
};

// Fills `args` from `paramArray` for the method signature `methodsig`, without a JNI call: one
// slot per parameter, element i converted to parameter i. E_FAIL for no method signature, for an
// element that does not convert, for a count of elements other than the count of parameters, and
// for a paramArray other than VT_EMPTY (no arguments) and VT_ARRAY|VT_VARIANT: every VT_BYREF form
// included; failing bounds queries give their own HRESULT. E_FAIL too for an array labelled
// VT_ARRAY|VT_VARIANT whose descriptor does not hold VARIANTs (VARIANT-sized elements whose type,
// stored or by FADF_VARIANT, is VT_VARIANT), that has no data, or whose first dimension runs past
// LONG's range. The array is never left locked; its BSTRs must live until MakeArgumentStrings.
HRESULT ConvertJniArguments(const VARIANT& paramArray, const char* methodsig, jni_arguments& args);

// The strings made for the VT_BSTR elements: local references of the call, which must end while
// its attachment holds, so that a thread that stays attached to the JVM does not collect them.
using argument_strings = std::vector<local_ref<jstring>>;

// Makes the strings of the VT_BSTR elements into `strings`; E_FAIL for one the JVM cannot make
// (its error cleared).
HRESULT MakeArgumentStrings(JNIEnv* env, jni_arguments& args, argument_strings& strings);

}  // namespace mv
