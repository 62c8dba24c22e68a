#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_
// Machine-dependent JNI types for Windows, used with the JDK's own jni.h (which includes this
// file by name). The JDK installed here is a Linux one and ships the Linux variant only.
// Windows fixes: exports and imports through the DLL tables, __stdcall for JNI functions (the
// same as the default convention on x86_64), jint a 32-bit long, jlong a 64-bit integer.

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif  // _JAVASOFT_JNI_MD_H_
