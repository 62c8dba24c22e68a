#pragma once
// MvJavaJni.dll, the test stand-in for the agent's sibling library. The module imports two
// functions from it by name, both plain extern "C" with the default (__cdecl) convention and no
// arguments:
//   GetJavaVersion  a signed 32-bit number (the module compares it with 4)
//   GetJNIEnv       a JNIEnv* usable on the calling thread, or null
// Tests configure the answers through the MvJavaJni_ exports. GetJNIEnv takes its environment
// from the running JNI proxy server: it answers the thread's environment when the thread is
// attached, and otherwise attaches the thread itself and keeps it attached (as a library that
// owns its threads' environments would).

#include <jni.h>

#ifdef MV_JAVA_JNI_BUILD
#define MV_JAVA_JNI_API extern "C" __declspec(dllexport)
#else
#define MV_JAVA_JNI_API extern "C" __declspec(dllimport)
#endif

MV_JAVA_JNI_API int GetJavaVersion(void);
MV_JAVA_JNI_API JNIEnv* GetJNIEnv(void);

// The number GetJavaVersion answers (17 until set).
MV_JAVA_JNI_API void MvJavaJni_SetJavaVersion(int version);
// Whether GetJNIEnv gives an environment (0 until set: it answers null).
MV_JAVA_JNI_API void MvJavaJni_SetProvidesEnv(int provides);
// How often each function was called since the last reset.
MV_JAVA_JNI_API long MvJavaJni_GetJNIEnvCalls(void);
MV_JAVA_JNI_API long MvJavaJni_GetJavaVersionCalls(void);
// Back to the defaults, counts to zero; forgets an attachment of the calling thread.
MV_JAVA_JNI_API void MvJavaJni_Reset(void);
// Detaches the calling thread if GetJNIEnv attached it; 1 if it did.
MV_JAVA_JNI_API int MvJavaJni_ReleaseCurrentThread(void);
