// Functions forwarded as they are, around which the proxy counts references, learns method
// signatures or injects faults.

#include "counters.h"
#include "custom_functions.h"
#include "faults.h"
#include "forward.h"
#include "injected_faults.h"
#include "method_signatures.h"

namespace mv::proxy {

void FailWithOutOfMemory(ProxyEnv& session, std::uint32_t slot) {
    std::string name = wire::JniFunctionName(slot);
    session.Request().PutString("injected fault in " + name);
    session.Transact(wire::kOpThrowOutOfMemory, slot);
    if (TraceEnabled()) AddTraceLine(name + "(...) -> null (injected OutOfMemoryError)");
}

namespace {

// A reference-returning call that fails with null and nothing pending.
template <typename R>
R FailWithNull(JNIEnv* env, std::uint32_t slot) {
    SessionOf(env, slot);
    if (TraceEnabled()) AddTraceLine(std::string(wire::JniFunctionName(slot)) + "(...) -> null (injected fault)");
    return nullptr;
}

template <typename R, typename... A>
R AllocateOrFail(const char* name, std::uint32_t slot, JNIEnv* env, A... args) {
    if (TakeFault(name)) {
        FailWithOutOfMemory(SessionOf(env, slot), slot);
        return nullptr;
    }
    return Forward<R>(env, slot, args...);
}

const char* MemberName(const char* function, const char* name) {
    return TakeFault(function) ? kMissingMemberName : name;
}

}  // namespace

namespace functions {

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
    if (TakeFault("FindClass")) name = kMissingClassName;
    return Forward<jclass>(env, MV_JNI_SLOT(FindClass), name);
}

jmethodID JNICALL GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    jmethodID method = Forward<jmethodID>(env, MV_JNI_SLOT(GetMethodID), cls,
                                          MemberName("GetMethodID", name), sig);
    RememberMethod(method, name, sig);
    return method;
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    jmethodID method = Forward<jmethodID>(env, MV_JNI_SLOT(GetStaticMethodID), cls,
                                          MemberName("GetStaticMethodID", name), sig);
    RememberMethod(method, name, sig);
    return method;
}

jfieldID JNICALL GetFieldID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return Forward<jfieldID>(env, MV_JNI_SLOT(GetFieldID), cls, MemberName("GetFieldID", name), sig);
}

jfieldID JNICALL GetStaticFieldID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return Forward<jfieldID>(env, MV_JNI_SLOT(GetStaticFieldID), cls,
                             MemberName("GetStaticFieldID", name), sig);
}

jclass JNICALL GetObjectClass(JNIEnv* env, jobject object) {
    if (TakeFault("GetObjectClass")) return FailWithNull<jclass>(env, MV_JNI_SLOT(GetObjectClass));
    return Forward<jclass>(env, MV_JNI_SLOT(GetObjectClass), object);
}

jobject JNICALL NewGlobalRef(JNIEnv* env, jobject object) {
    if (TakeFault("NewGlobalRef")) return FailWithNull<jobject>(env, MV_JNI_SLOT(NewGlobalRef));
    jobject global = Forward<jobject>(env, MV_JNI_SLOT(NewGlobalRef), object);
    if (global != nullptr) Counters().globalRefsMade++;
    return global;
}

void JNICALL DeleteGlobalRef(JNIEnv* env, jobject global) {
    Forward<void>(env, MV_JNI_SLOT(DeleteGlobalRef), global);
    if (global != nullptr) Counters().globalRefsDeleted++;
}

jweak JNICALL NewWeakGlobalRef(JNIEnv* env, jobject object) {
    if (TakeFault("NewWeakGlobalRef")) return FailWithNull<jweak>(env, MV_JNI_SLOT(NewWeakGlobalRef));
    jweak weak = Forward<jweak>(env, MV_JNI_SLOT(NewWeakGlobalRef), object);
    if (weak != nullptr) Counters().weakRefsMade++;
    return weak;
}

void JNICALL DeleteWeakGlobalRef(JNIEnv* env, jweak weak) {
    Forward<void>(env, MV_JNI_SLOT(DeleteWeakGlobalRef), weak);
    if (weak != nullptr) Counters().weakRefsDeleted++;
}

jobject JNICALL NewLocalRef(JNIEnv* env, jobject object) {
    if (TakeFault("NewLocalRef")) return FailWithNull<jobject>(env, MV_JNI_SLOT(NewLocalRef));
    return Forward<jobject>(env, MV_JNI_SLOT(NewLocalRef), object);
}

jobject JNICALL AllocObject(JNIEnv* env, jclass cls) {
    return AllocateOrFail<jobject>("AllocObject", MV_JNI_SLOT(AllocObject), env, cls);
}

jstring JNICALL NewStringUTF(JNIEnv* env, const char* utf) {
    return AllocateOrFail<jstring>("NewStringUTF", MV_JNI_SLOT(NewStringUTF), env, utf);
}

jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject initial) {
    return AllocateOrFail<jobjectArray>("NewObjectArray", MV_JNI_SLOT(NewObjectArray), env, length,
                                        elementClass, initial);
}

#define MV_NEW_ARRAY(Name, type) \
    type##Array JNICALL New##Name##Array(JNIEnv* env, jsize length) { \
        return AllocateOrFail<type##Array>("New" #Name "Array", MV_JNI_SLOT(New##Name##Array), env, \
                                           length); \
    }
MV_JNI_PRIMITIVE_TYPES(MV_NEW_ARRAY)
#undef MV_NEW_ARRAY

}  // namespace functions
}  // namespace mv::proxy
