#pragma once
// What the field and method members share: the checks of their arguments before any Java work,
// and finding the class and the field or method of one operation. A class is found from the
// object's run-time class (static members included: a static field or method is found in, and
// used through, the class of the object the handle stands for), or by name for a non-virtual
// call. The class's local reference is owned here and deleted when the operation ends.

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>

#include <jni.h>

#include "bridge/argument_types.h"
#include "bridge/jni_arguments.h"
#include "common/jni/local_ref.h"

namespace mv {

// Whether a field or method belongs to the object (instance) or to its class (static).
enum class member_scope { instance, static_member };

// Checks made before the Java work starts: a null output pointer is E_POINTER (first of all);
// a handle that carries no reference is E_FAIL; so is a null name or signature, which JNI's
// lookups cannot take.
HRESULT CheckMemberArguments(UINT64 hjObject, std::initializer_list<BSTR> names) noexcept;
HRESULT CheckMemberArguments(const void* output, UINT64 hjObject, std::initializer_list<BSTR> names) noexcept;

// The run-time class of `object`; null when the JVM gives none (its error is not cleared).
local_ref<jclass> ClassOfObject(JNIEnv* env, jobject object) noexcept;

// One field of one object, found by name and signature.
class java_field {
public:
    java_field(JNIEnv* env, jobject object, member_scope scope) noexcept
        : m_env(env), m_object(object), m_scope(scope), m_class(env, nullptr) {}

    // Finds the object's class and the field in it. E_FAIL when there is no class (the JVM's
    // error stays pending) or no such field (the JVM's error is cleared).
    HRESULT Find(const char* name, const char* signature) noexcept;

    template <typename T>
    typename T::jni_type Get() const noexcept {
        return m_scope == member_scope::static_member ? (m_env->*T::get_static_field)(m_class.get(), m_id)
                                                      : (m_env->*T::get_field)(m_object, m_id);
    }

    // Whether `value` may be stored in the field found with `signature` (argument_types.h).
    bool Takes(jobject value, const char* signature) const noexcept {
        return FieldTakes(m_env, m_class.get(), m_id, m_scope == member_scope::static_member, signature, value);
    }

    template <typename T>
    void Set(typename T::jni_type value) const noexcept {
        if (m_scope == member_scope::static_member)
            (m_env->*T::set_static_field)(m_class.get(), m_id, value);
        else
            (m_env->*T::set_field)(m_object, m_id, value);
    }

private:
    JNIEnv* m_env;
    jobject m_object;
    member_scope m_scope;
    local_ref<jclass> m_class;
    jfieldID m_id = nullptr;
};

// How a method is found and called: on the object's class (virtual), as a static method of the
// object's class, or as the implementation in a named class (non-virtual, as `super` calls it).
enum class call_group { virtual_call, static_call, nonvirtual_call };

// How a non-virtual call's class name reaches FindClass.
enum class class_name_form { dots_or_slashes, slashes_only };

// One method of one object, found by name and signature.
class java_method {
public:
    java_method(JNIEnv* env, jobject object, call_group group) noexcept
        : m_env(env), m_object(object), m_group(group), m_class(env, nullptr) {}

    // Finds the class: the object's run-time class, or for a non-virtual call the class named
    // `superclass` (with '.' turned into '/' unless `form` is slashes_only). False when there is
    // none (the JVM's error then stays pending) or when the object is not of the named class.
    bool FindClass(BSTR superclass, class_name_form form);

    // Finds the method in that class. False when there is none; the JVM's error then stays
    // pending for the caller to clear.
    bool FindMethod(const char* name, const char* signature) noexcept;

    // Whether each object argument is of its parameter's declared type (argument_types.h).
    HRESULT CheckArgumentTypes(const jni_arguments& args) const {
        return mv::CheckArgumentTypes(m_env, m_class.get(), m_id, m_group == call_group::static_call, args);
    }

    // Calls the method with `args`; the JVM's exception, if it throws, stays pending.
    template <typename T>
    typename T::jni_type Call(const jvalue* args) const noexcept {
        switch (m_group) {
        case call_group::static_call:
            return (m_env->*T::call_static)(m_class.get(), m_id, args);
        case call_group::nonvirtual_call:
            return (m_env->*T::call_nonvirtual)(m_object, m_class.get(), m_id, args);
        case call_group::virtual_call:
            break;
        }
        return (m_env->*T::call)(m_object, m_id, args);
    }

private:
    JNIEnv* m_env;
    jobject m_object;
    call_group m_group;
    local_ref<jclass> m_class;
    jmethodID m_id = nullptr;
};

}  // namespace mv
