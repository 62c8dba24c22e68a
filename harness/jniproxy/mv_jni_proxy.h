#pragma once
// jniproxy.dll: a JavaVM and JNIEnv for Windows test programs that forward every call to a real
// JVM hosted by mv-jniserver on the Linux side, plus the controls tests use (server start and
// stop, a trace of JNI calls, counters, fault injection).
//
// One server per process at a time. Each attached Windows thread has its own connection, served
// on its own JVM-attached server thread, so local references, pending exceptions, monitors and
// attachment are per thread exactly as in one process. References and IDs are the JVM's own
// values. A slot that is not forwarded, or a call the proxy cannot carry, prints
// "JNI proxy: ..." naming the function to stderr and aborts the process.

#include <stddef.h>

#include <jni.h>

#ifdef MV_JNI_PROXY_BUILD
#define MV_JNI_PROXY_API extern "C" __declspec(dllexport)
#else
#define MV_JNI_PROXY_API extern "C" __declspec(dllimport)
#endif

// What the server starts with. Strings are UTF-8; paths are Linux paths (the server runs there).
struct MvJniServerConfig {
    const char* classPath;              // ':'-separated; null or empty: none
    const char* const* jvmOptions;      // e.g. "-Xcheck:jni"
    int jvmOptionCount;
    const char* mainClass;              // run on its own thread before the server reports ready
    const char* const* mainArgs;
    int mainArgCount;
    const char* outputPath;             // the JVM's stdout and stderr are appended here; null: lost
    int maxLifetimeSeconds;             // the server ends after this at the latest; 0: 900
    const char* serverPath;             // null: the mv-jniserver built with this DLL
};

// Starts the server and answers its JavaVM, or null with a message in `error`.
MV_JNI_PROXY_API JavaVM* MvJniProxy_StartServer(const MvJniServerConfig* config, char* error,
                                                size_t errorSize);
// Stops the server (its connections end with it). 1 when one was running and has gone.
MV_JNI_PROXY_API int MvJniProxy_StopServer(void);
// The JavaVM of the running server, or null.
MV_JNI_PROXY_API JavaVM* MvJniProxy_GetJavaVM(void);
// Port of the server's call listener and its Linux process id (0 when none runs).
MV_JNI_PROXY_API int MvJniProxy_ServerPort(void);
MV_JNI_PROXY_API unsigned MvJniProxy_ServerPid(void);

// Trace of JNI calls made in this process, one line per call: Name(arguments) -> result.
MV_JNI_PROXY_API void MvJniProxy_SetTracing(int enabled);
// Copies the trace (lines ending in '\n', NUL-terminated) if it fits; returns the size needed.
MV_JNI_PROXY_API size_t MvJniProxy_ReadTrace(char* buffer, size_t size);
MV_JNI_PROXY_API void MvJniProxy_ClearTrace(void);

struct MvJniProxyCounters {
    long long globalRefsMade;     // NewGlobalRef that returned a reference
    long long globalRefsDeleted;  // DeleteGlobalRef of a non-null reference
    long long weakRefsMade;
    long long weakRefsDeleted;
    long long attaches;           // successful AttachCurrentThread(AsDaemon) of a detached thread
    long long detaches;           // DetachCurrentThread of an attached thread
    long long calls;              // requests sent to the server
};
MV_JNI_PROXY_API void MvJniProxy_GetCounters(MvJniProxyCounters* counters);
MV_JNI_PROXY_API void MvJniProxy_ResetCounters(void);

// Makes the next `count` calls of `function` fail as the JVM fails them:
//   AttachCurrentThread, AttachCurrentThreadAsDaemon: JNI_ERR, the thread stays detached;
//   FindClass, GetMethodID, GetStaticMethodID, GetFieldID, GetStaticFieldID: the JVM is asked
//     for a name that does not exist, so it answers null with its own pending error;
//   GetObjectClass, NewGlobalRef, NewWeakGlobalRef, NewLocalRef: null, nothing pending;
//   AllocObject, NewObject (all forms), NewString, NewStringUTF, NewObjectArray, New<T>Array,
//   GetStringChars, GetStringUTFChars, Get<T>ArrayElements: null with OutOfMemoryError pending.
// Returns 0 (and changes nothing) for any other function name or a negative count.
MV_JNI_PROXY_API int MvJniProxy_FailNext(const char* function, int count);
MV_JNI_PROXY_API void MvJniProxy_ClearFaults(void);

// Shows every object reference of the JVM to this process moved by `offset` (null stays null) and
// takes it back the same way on every call: the server's references stay below 2^31, so this is
// how a test makes references that do not fit in 32 bits. IDs are not moved. A reference made
// under one offset is not valid under another: change it only while no such reference is in use.
// 0 (the start): the JVM's own values.
MV_JNI_PROXY_API void MvJniProxy_SetReferenceOffset(unsigned long long offset);

// JVMTI: GetEnv of the proxy's JavaVM gives environments that take event callbacks and enable
// VMInit and VMDeath, nothing else. This posts "VMInit" or "VMDeath" as the JVM would, on the
// calling thread (attached for the call if it is not): how many callbacks ran, -1 for another name.
MV_JNI_PROXY_API int MvJniProxy_PostVmEvent(const char* event);
