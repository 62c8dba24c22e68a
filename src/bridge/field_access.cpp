// Field access: the static and instance getters and setters of the eight primitive types, of
// objects (by the caller's signature) and of java.lang.String fields.
//
// Every member checks its arguments, runs as a Java operation, finds the object's class and the
// field by name and by the member's own signature (so a field is found only when it has the
// member's type), and then reads or writes it. Getters write their output only on success.

#include "bridge/bridge_lookup.h"
#include "bridge/java_handles.h"
#include "bridge/java_strings.h"
#include "bridge/java_type_traits.h"
#include "bridge/member_results.h"
#include "common/com/error.h"
#include "common/jni/local_ref.h"
#include "jvm/mv_java_cpp.h"

namespace mv {
namespace {

constexpr member_scope kStatic = member_scope::static_member;
constexpr member_scope kInstance = member_scope::instance;

// Each builder below answers the Java work of one member, to run as a Java operation.

template <typename T>
auto ReadPrimitive(member_scope scope, UINT64 hjObject, BSTR fieldname, typename T::com_type* value) {
    return [=](JNIEnv* env) -> HRESULT {
        java_field field(env, HandleToJObject(hjObject), scope);
        MV_RETURN_IF_FAILED(field.Find(utf8_name(fieldname).get(), T::signature));
        *value = T::to_com(field.Get<T>());
        return S_OK;
    };
}

template <typename T>
auto WritePrimitive(member_scope scope, UINT64 hjObject, BSTR fieldname, typename T::com_type value) {
    return [=](JNIEnv* env) -> HRESULT {
        java_field field(env, HandleToJObject(hjObject), scope);
        MV_RETURN_IF_FAILED(field.Find(utf8_name(fieldname).get(), T::signature));
        field.Set<T>(T::to_java(value));
        return S_OK;
    };
}

// A field that holds null gives E_FAIL; otherwise the client gets a new handle of its own.
auto ReadObject(member_scope scope, UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64* value) {
    return [=](JNIEnv* env) -> HRESULT {
        java_field field(env, HandleToJObject(hjObject), scope);
        MV_RETURN_IF_FAILED(field.Find(utf8_name(fieldname).get(), utf8_name(fieldsig).get()));
        const local_ref<jobject> object(env, field.Get<java_object>());
        if (!object) return E_FAIL;
        return HandOutReference(env, object.get(), value);
    };
}

// The value is stored through a global reference of the bridge's own, so a zero handle (which
// gives none) is refused and a field cannot be set to null here. A value that is not of the
// field's declared type is refused too. The client keeps its handle.
auto WriteObject(member_scope scope, UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 value) {
    return [=](JNIEnv* env) -> HRESULT {
        java_field field(env, HandleToJObject(hjObject), scope);
        const utf8_name signature(fieldsig);
        MV_RETURN_IF_FAILED(field.Find(utf8_name(fieldname).get(), signature.get()));
        if (!field.Takes(HandleToJObject(value), signature.get())) return E_FAIL;
        const scoped_global_ref global(env, env->NewGlobalRef(HandleToJObject(value)));
        if (!global) {
            env->ExceptionClear();
            return E_FAIL;
        }
        field.Set<java_object>(global.get());
        return S_OK;
    };
}

auto ReadString(member_scope scope, UINT64 hjObject, BSTR fieldname, BSTR* value) {
    return [=](JNIEnv* env) -> HRESULT {
        java_field field(env, HandleToJObject(hjObject), scope);
        MV_RETURN_IF_FAILED(field.Find(utf8_name(fieldname).get(), java_string::signature));
        const local_ref<jstring> text(env, static_cast<jstring>(field.Get<java_string>()));
        if (!text) return E_FAIL;
        return HandOutString(env, text.get(), value);
    };
}

auto WriteString(member_scope scope, UINT64 hjObject, BSTR fieldname, BSTR value) {
    return [=](JNIEnv* env) -> HRESULT {
        java_field field(env, HandleToJObject(hjObject), scope);
        MV_RETURN_IF_FAILED(field.Find(utf8_name(fieldname).get(), java_string::signature));
        const local_ref<jstring> text(env, NewJavaString(env, value));
        if (!text) {
            env->ExceptionClear();
            return E_FAIL;
        }
        field.Set<java_string>(text.get());
        return S_OK;
    };
}

}  // namespace

// Static getters.

STDMETHODIMP CMvJavaCpp::GetStaticBooleanField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_boolean>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticByteField(UINT64 hjObject, BSTR fieldname, unsigned char* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_byte>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticCharField(UINT64 hjObject, BSTR fieldname, unsigned short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_char>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticShortField(UINT64 hjObject, BSTR fieldname, short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_short>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticIntField(UINT64 hjObject, BSTR fieldname, LONG* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_int>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticLongField(UINT64 hjObject, BSTR fieldname, INT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_long>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticFloatField(UINT64 hjObject, BSTR fieldname, float* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_float>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticDoubleField(UINT64 hjObject, BSTR fieldname, double* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_double>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname, fieldsig}));
    return RunJavaOperation({hjObject}, ReadObject(kStatic, hjObject, fieldname, fieldsig, value));
}

STDMETHODIMP CMvJavaCpp::GetStaticStringField(UINT64 hjObject, BSTR fieldname, BSTR* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadString(kStatic, hjObject, fieldname, value));
}

// Static setters (the Boolean one is named SetStaticBoolenField in the interface).

STDMETHODIMP CMvJavaCpp::SetStaticBoolenField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_boolean>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticByteField(UINT64 hjObject, BSTR fieldname, unsigned char value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_byte>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticCharField(UINT64 hjObject, BSTR fieldname, unsigned short value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_char>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticShortField(UINT64 hjObject, BSTR fieldname, short value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_short>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticIntField(UINT64 hjObject, BSTR fieldname, LONG value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_int>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticLongField(UINT64 hjObject, BSTR fieldname, INT64 value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_long>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticFloatField(UINT64 hjObject, BSTR fieldname, float value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_float>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticDoubleField(UINT64 hjObject, BSTR fieldname, double value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_double>(kStatic, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname, fieldsig}));
    return RunJavaOperation({hjObject, value}, WriteObject(kStatic, hjObject, fieldname, fieldsig, value));
}

STDMETHODIMP CMvJavaCpp::SetStaticStringField(UINT64 hjObject, BSTR fieldname, BSTR value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WriteString(kStatic, hjObject, fieldname, value));
}

// Instance getters.

STDMETHODIMP CMvJavaCpp::GetBooleanField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_boolean>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetByteField(UINT64 hjObject, BSTR fieldname, unsigned char* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_byte>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetCharField(UINT64 hjObject, BSTR fieldname, unsigned short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_char>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetShortField(UINT64 hjObject, BSTR fieldname, short* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_short>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetIntField(UINT64 hjObject, BSTR fieldname, LONG* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_int>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetLongField(UINT64 hjObject, BSTR fieldname, INT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_long>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetFloatField(UINT64 hjObject, BSTR fieldname, float* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_float>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetDoubleField(UINT64 hjObject, BSTR fieldname, double* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadPrimitive<java_double>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::GetObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname, fieldsig}));
    return RunJavaOperation({hjObject}, ReadObject(kInstance, hjObject, fieldname, fieldsig, value));
}

STDMETHODIMP CMvJavaCpp::GetStringField(UINT64 hjObject, BSTR fieldname, BSTR* value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(value, hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, ReadString(kInstance, hjObject, fieldname, value));
}

// Instance setters.

STDMETHODIMP CMvJavaCpp::SetBooleanField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_boolean>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetByteField(UINT64 hjObject, BSTR fieldname, unsigned char value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_byte>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetCharField(UINT64 hjObject, BSTR fieldname, unsigned short value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_char>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetShortField(UINT64 hjObject, BSTR fieldname, short value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_short>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetIntField(UINT64 hjObject, BSTR fieldname, LONG value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_int>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetLongField(UINT64 hjObject, BSTR fieldname, INT64 value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_long>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetFloatField(UINT64 hjObject, BSTR fieldname, float value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_float>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetDoubleField(UINT64 hjObject, BSTR fieldname, double value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WritePrimitive<java_double>(kInstance, hjObject, fieldname, value));
}

STDMETHODIMP CMvJavaCpp::SetObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname, fieldsig}));
    return RunJavaOperation({hjObject, value}, WriteObject(kInstance, hjObject, fieldname, fieldsig, value));
}

STDMETHODIMP CMvJavaCpp::SetStringField(UINT64 hjObject, BSTR fieldname, BSTR value) noexcept {
    MV_RETURN_IF_FAILED(CheckMemberArguments(hjObject, {fieldname}));
    return RunJavaOperation({hjObject}, WriteString(kInstance, hjObject, fieldname, value));
}

}  // namespace mv
