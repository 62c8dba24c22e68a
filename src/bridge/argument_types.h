#pragma once
// Object arguments against their declared types. JNI does not check that an argument is of its
// parameter's type, nor a value of its field's: a method handed a String for a char[] reads the
// String's memory as an array, and the JVM may corrupt its heap without a visible fault. The
// declared types come from the JVM's reflection of the method or field, so a class of the
// application resolves as the method's own class loader resolves it.
//
// Checks that need no JNI request come first: null, a parameter of type Object, and a string the
// bridge made for a parameter that every String is (String, Object, CharSequence, Serializable,
// Comparable, Constable, ConstantDesc). A call with nothing else to check makes no request; one
// that has makes seven (a local frame, the reflected method and its parameter types), then two for
// each argument checked. Switched off with the handle checks (bridge_call.h), none is made.

#include <jni.h>

#include "bridge/jni_arguments.h"

namespace mv {

// S_OK when every object argument in `args` is an instance of its parameter's declared type (or
// null); E_FAIL, with any Java error cleared, when one is not or the types cannot be had.
HRESULT CheckArgumentTypes(JNIEnv* env, jclass cls, jmethodID method, bool isStatic, const jni_arguments& args);

// Whether `value` (not null) may be stored in the field, whose declared type is `signature`.
bool FieldTakes(JNIEnv* env, jclass cls, jfieldID field, bool isStatic, const char* signature, jobject value) noexcept;

}  // namespace mv
