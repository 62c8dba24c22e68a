#pragma once
// How one element of a method's argument array becomes the value of one Java parameter, without
// any JNI call. An element of the parameter's own automation type crosses as it always has:
// VT_BOOL boolean, VT_I1 or VT_UI1 byte, VT_UI2 char, VT_I2 short, VT_I4 int, VT_I8 long, VT_R4
// float, VT_R8 double, VT_UI8 (a handle) or VT_BSTR (a new string) for a reference. Other elements
// are taken when their value survives exactly, because script clients can make only a few types
// (JScript numbers are VT_I4 or VT_R8, a VBScript literal 1 is VT_I2, a JScript handle a number):
//   - a whole number (VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_INT, VT_I8, VT_UI8, or VT_R4/VT_R8
//     holding one) to byte, char, short, int or long within the type's range; byte takes -128 to
//     255, 128 to 255 as the byte's bits (as VT_UI1 gives them);
//   - VT_R8 to float, rounded as Java's (float) cast rounds; VT_R4 to double; a whole number to
//     float or double when that type holds it exactly;
//   - to a reference: VT_NULL as null, and a whole number from 0 below 2^53 in VT_I4, VT_I8 or
//     VT_R8 read as a VT_UI8 handle of that value is read (a VT_R8 from 2^53 on may have lost its
//     low bits on the way);
//   - VT_BOOL only to boolean, and boolean only from VT_BOOL.
// Everything else is refused: VT_EMPTY, VT_UI4, VT_NULL for a primitive, VT_BSTR for a primitive,
// any VT_BYREF or VT_ARRAY element, values out of range or not whole.

#include <windows.h>
#include <oleauto.h>

#include <jni.h>

namespace mv {

enum class argument_conversion {
    refused,
    value,      // the slot holds the parameter's value
    new_string  // the slot is to hold a new Java string of the element's BSTR
};

// `parameter` is the parameter's JNI type letter, 'L' for any reference (class or array).
argument_conversion ConvertArgument(const VARIANT& element, char parameter, jvalue& slot) noexcept;

}  // namespace mv
