#include "bridge/bridge_lookup.h"

#include "bridge/java_class_lookup.h"
#include "bridge/java_handles.h"
#include "bridge/java_strings.h"

namespace mv {

HRESULT CheckMemberArguments(UINT64 hjObject, std::initializer_list<BSTR> names) noexcept {
    if (HandleToJObject(hjObject) == nullptr) return E_FAIL;
    for (BSTR name : names)
        if (!name) return E_FAIL;
    return S_OK;
}

HRESULT CheckMemberArguments(const void* output, UINT64 hjObject, std::initializer_list<BSTR> names) noexcept {
    if (!output) return E_POINTER;
    return CheckMemberArguments(hjObject, names);
}

local_ref<jclass> ClassOfObject(JNIEnv* env, jobject object) noexcept {
    return local_ref<jclass>(env, env->GetObjectClass(object));
}

HRESULT java_field::Find(const char* name, const char* signature) noexcept {
    m_class = ClassOfObject(m_env, m_object);
    if (!m_class) return E_FAIL;
    m_id = m_scope == member_scope::static_member ? m_env->GetStaticFieldID(m_class.get(), name, signature)
                                                  : m_env->GetFieldID(m_class.get(), name, signature);
    if (!m_id) {
        m_env->ExceptionClear();
        return E_FAIL;
    }
    return S_OK;
}

bool java_method::FindClass(BSTR superclass, class_name_form form) {
    if (m_group != call_group::nonvirtual_call) {
        m_class = ClassOfObject(m_env, m_object);
    } else if (form == class_name_form::dots_or_slashes) {
        m_class = FindClassWithDottedName(m_env, superclass);
    } else {
        const utf8_name name(superclass);
        m_class = local_ref<jclass>(m_env, FindClassByUtf8Name(m_env, name.get()));
    }
    // JNI does not check that a non-virtual call's object is of the named class: the JVM would run
    // the method on an object without its fields, and may end the process.
    if (m_class && m_group == call_group::nonvirtual_call && !m_env->IsInstanceOf(m_object, m_class.get()))
        m_class.reset();
    return static_cast<bool>(m_class);
}

bool java_method::FindMethod(const char* name, const char* signature) noexcept {
    m_id = m_group == call_group::static_call ? m_env->GetStaticMethodID(m_class.get(), name, signature)
                                               : m_env->GetMethodID(m_class.get(), name, signature);
    return m_id != nullptr;
}

}  // namespace mv
