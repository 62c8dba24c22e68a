// Method calls and constructors. Every form (variadic, va_list, jvalue array) is sent as the
// A form of the same family: the arguments are read by the method's parameter list, which the
// proxy learned when the method ID was looked up, and each goes into an 8-byte jvalue slot as
// the server's JVM reads it.

#include <cstdarg>
#include <cstring>

#include "custom_functions.h"
#include "faults.h"
#include "forward.h"
#include "injected_faults.h"
#include "method_signatures.h"

namespace mv::proxy {

namespace {

enum class CallKind { Virtual, Nonvirtual, Static, Constructor };

// The arguments of one call: a va_list or a jvalue array.
struct CallArguments {
    va_list* list;
    const jvalue* array;
};

// `objectOffset`: what the request takes off object references (see wire::Writer).
std::uint64_t ArgumentSlot(char type, const CallArguments& from, std::size_t index, std::uint64_t objectOffset) {
    jvalue value;
    value.j = 0;
    if (from.list != nullptr) {
        switch (type) {  // the C promotions of variadic arguments
        case 'Z': value.z = static_cast<jboolean>(va_arg(*from.list, int)); break;
        case 'B': value.b = static_cast<jbyte>(va_arg(*from.list, int)); break;
        case 'C': value.c = static_cast<jchar>(va_arg(*from.list, int)); break;
        case 'S': value.s = static_cast<jshort>(va_arg(*from.list, int)); break;
        case 'I': value.i = va_arg(*from.list, jint); break;
        case 'J': value.j = va_arg(*from.list, jlong); break;
        case 'F': value.f = static_cast<jfloat>(va_arg(*from.list, double)); break;
        case 'D': value.d = va_arg(*from.list, double); break;
        default: return wire::UnshiftRef(wire::ToRef(va_arg(*from.list, jobject)), objectOffset);
        }
    } else {
        const jvalue& given = from.array[index];
        switch (type) {
        case 'Z': value.z = given.z; break;
        case 'B': value.b = given.b; break;
        case 'C': value.c = given.c; break;
        case 'S': value.s = given.s; break;
        case 'I': value.i = given.i; break;
        case 'J': value.j = given.j; break;
        case 'F': value.f = given.f; break;
        case 'D': value.d = given.d; break;
        default: return wire::UnshiftRef(wire::ToRef(given.l), objectOffset);
        }
    }
    std::uint64_t slot = 0;
    std::memcpy(&slot, &value, sizeof slot);
    return slot;
}

template <typename R>
R Invoke(JNIEnv* env, std::uint32_t callerSlot, std::uint32_t wireSlot, CallKind kind, jobject object,
         jclass cls, jmethodID method, CallArguments arguments) {
    ProxyEnv& session = SessionOf(env, callerSlot);
    const char* name = wire::JniFunctionName(callerSlot);
    MethodInfo info;
    if (!FindMethod(method, info))
        Fatal(std::string(name) + " with a jmethodID that no forwarded GetMethodID or GetStaticMethodID returned");
    if (arguments.array == nullptr && arguments.list == nullptr && !info.parameters.empty())
        Fatal(std::string(name) + " with a null jvalue array for " + info.name + info.signature);
    if constexpr (!std::is_void_v<R>) {
        if (kind == CallKind::Constructor && TakeFault("NewObject")) {
            FailWithOutOfMemory(session, callerSlot);
            return R{};
        }
    }
    wire::Writer& request = session.Request();
    if (kind != CallKind::Static && kind != CallKind::Constructor) request.Put(object);
    if (kind != CallKind::Virtual) request.Put(cls);
    request.Put(method);
    request.Put<std::uint8_t>(1);
    request.Put(static_cast<std::uint32_t>(info.parameters.size()));
    for (std::size_t i = 0; i < info.parameters.size(); ++i)
        request.Put(ArgumentSlot(info.parameters[i], arguments, i, request.objectOffset()));
    wire::Reader reply = session.Transact(wireSlot, callerSlot);
    std::string target = TraceValue(kind == CallKind::Static || kind == CallKind::Constructor
                                        ? static_cast<jobject>(cls) : object);
    std::string callee = info.name + info.signature;
    if constexpr (std::is_void_v<R>) {
        RequireWellFormed(reply, callerSlot);
        if (TraceEnabled()) AddTraceLine(TraceCall(name, target, callee));
    } else {
        R result = reply.template Get<R>();
        RequireWellFormed(reply, callerSlot);
        if (TraceEnabled()) AddTraceLine(TraceCall(name, target, callee) + " -> " + TraceValue(result));
        return result;
    }
}

}  // namespace

namespace functions {

// (slot the caller used, slot sent): every form goes out as the A form.
#define MV_SLOTS(form) MV_JNI_SLOT(form), MV_JNI_SLOT(form##A)
#define MV_A_SLOTS(form) MV_JNI_SLOT(form##A), MV_JNI_SLOT(form##A)

// Virtual, non-virtual and static calls for one result type; Kind##Invoke passes the target.
#define MV_CALLS(Type, R, Return, Assign) \
    R JNICALL Call##Type##Method(JNIEnv* env, jobject object, jmethodID method, ...) { \
        va_list list; \
        va_start(list, method); \
        Assign Invoke<R>(env, MV_SLOTS(Call##Type##Method), CallKind::Virtual, object, nullptr, \
                         method, {&list, nullptr}); \
        va_end(list); \
        Return; \
    } \
    R JNICALL Call##Type##MethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) { \
        return Invoke<R>(env, MV_JNI_SLOT(Call##Type##MethodV), MV_JNI_SLOT(Call##Type##MethodA), \
                         CallKind::Virtual, object, nullptr, method, {&args, nullptr}); \
    } \
    R JNICALL Call##Type##MethodA(JNIEnv* env, jobject object, jmethodID method, const jvalue* args) { \
        return Invoke<R>(env, MV_A_SLOTS(Call##Type##Method), CallKind::Virtual, object, nullptr, \
                         method, {nullptr, args}); \
    } \
    R JNICALL CallNonvirtual##Type##Method(JNIEnv* env, jobject object, jclass cls, jmethodID method, \
                                           ...) { \
        va_list list; \
        va_start(list, method); \
        Assign Invoke<R>(env, MV_SLOTS(CallNonvirtual##Type##Method), CallKind::Nonvirtual, object, \
                         cls, method, {&list, nullptr}); \
        va_end(list); \
        Return; \
    } \
    R JNICALL CallNonvirtual##Type##MethodV(JNIEnv* env, jobject object, jclass cls, jmethodID method, \
                                            va_list args) { \
        return Invoke<R>(env, MV_JNI_SLOT(CallNonvirtual##Type##MethodV), \
                         MV_JNI_SLOT(CallNonvirtual##Type##MethodA), CallKind::Nonvirtual, object, \
                         cls, method, {&args, nullptr}); \
    } \
    R JNICALL CallNonvirtual##Type##MethodA(JNIEnv* env, jobject object, jclass cls, jmethodID method, \
                                            const jvalue* args) { \
        return Invoke<R>(env, MV_A_SLOTS(CallNonvirtual##Type##Method), CallKind::Nonvirtual, object, \
                         cls, method, {nullptr, args}); \
    } \
    R JNICALL CallStatic##Type##Method(JNIEnv* env, jclass cls, jmethodID method, ...) { \
        va_list list; \
        va_start(list, method); \
        Assign Invoke<R>(env, MV_SLOTS(CallStatic##Type##Method), CallKind::Static, nullptr, cls, \
                         method, {&list, nullptr}); \
        va_end(list); \
        Return; \
    } \
    R JNICALL CallStatic##Type##MethodV(JNIEnv* env, jclass cls, jmethodID method, va_list args) { \
        return Invoke<R>(env, MV_JNI_SLOT(CallStatic##Type##MethodV), \
                         MV_JNI_SLOT(CallStatic##Type##MethodA), CallKind::Static, nullptr, cls, \
                         method, {&args, nullptr}); \
    } \
    R JNICALL CallStatic##Type##MethodA(JNIEnv* env, jclass cls, jmethodID method, const jvalue* args) { \
        return Invoke<R>(env, MV_A_SLOTS(CallStatic##Type##Method), CallKind::Static, nullptr, cls, \
                         method, {nullptr, args}); \
    }

#define MV_VALUE_CALLS(Type, R) MV_CALLS(Type, R, return result, R result =)
MV_VALUE_CALLS(Object, jobject)
MV_VALUE_CALLS(Boolean, jboolean)
MV_VALUE_CALLS(Byte, jbyte)
MV_VALUE_CALLS(Char, jchar)
MV_VALUE_CALLS(Short, jshort)
MV_VALUE_CALLS(Int, jint)
MV_VALUE_CALLS(Long, jlong)
MV_VALUE_CALLS(Float, jfloat)
MV_VALUE_CALLS(Double, jdouble)
MV_CALLS(Void, void, return, )

jobject JNICALL NewObject(JNIEnv* env, jclass cls, jmethodID method, ...) {
    va_list list;
    va_start(list, method);
    jobject result = Invoke<jobject>(env, MV_SLOTS(NewObject), CallKind::Constructor, nullptr, cls,
                                     method, {&list, nullptr});
    va_end(list);
    return result;
}

jobject JNICALL NewObjectV(JNIEnv* env, jclass cls, jmethodID method, va_list args) {
    return Invoke<jobject>(env, MV_JNI_SLOT(NewObjectV), MV_JNI_SLOT(NewObjectA), CallKind::Constructor,
                           nullptr, cls, method, {&args, nullptr});
}

jobject JNICALL NewObjectA(JNIEnv* env, jclass cls, jmethodID method, const jvalue* args) {
    return Invoke<jobject>(env, MV_A_SLOTS(NewObject), CallKind::Constructor, nullptr, cls, method,
                           {nullptr, args});
}

}  // namespace functions
}  // namespace mv::proxy
