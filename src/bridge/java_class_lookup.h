#pragma once
// Class lookups of the object and array members.

#include <windows.h>
#include <oleauto.h>

#include <jni.h>

#include "common/jni/local_ref.h"

namespace mv {

// FindClass of a UTF-8 class name (slash form). Two kinds of name are refused here (null, and
// nothing pending), as they name no class in this form: a name with a character outside the BMP
// (a four-byte sequence), on which the JVM's checked mode ends the process, and a field
// descriptor of a class ("Ljava/lang/String;"), which the JVM reports as an incorrect name.
jclass FindClassByUtf8Name(JNIEnv* env, const char* name) noexcept;

// FindClass of a class name given with dots or slashes ("java.awt.Window" and "java/awt/Window"
// name the same class). Null when there is no such class; the JVM's error is then pending
// (nothing is pending for a name that FindClassByUtf8Name refuses).
local_ref<jclass> FindClassWithDottedName(JNIEnv* env, BSTR className);

// True when `object` is an instance of the class `descriptor` (slash form, e.g. "[I"). False
// when it is not, or when the class cannot be found (that error is cleared).
bool IsInstanceOfClass(JNIEnv* env, jobject object, const char* descriptor) noexcept;

// True when `object` is an array of any kind (its class's isArray()); errors are cleared.
bool IsJavaArray(JNIEnv* env, jobject object) noexcept;

}  // namespace mv
