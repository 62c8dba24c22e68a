#pragma once
// A Java object handle that mvjava received from the bridge and owns: deleted through
// DeleteJavaObject when it goes.

#include <windows.h>

#include <utility>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"

namespace mvjava {

class JavaRef {
public:
    JavaRef() = default;
    JavaRef(IMvJavaCpp* jvm, UINT64 handle) : m_jvm(jvm), m_handle(handle) {}
    JavaRef(JavaRef&& other) noexcept : m_jvm(std::move(other.m_jvm)), m_handle(std::exchange(other.m_handle, 0)) {}
    JavaRef& operator=(JavaRef&& other) noexcept {
        if (this != &other) {
            reset();
            m_jvm = std::move(other.m_jvm);
            m_handle = std::exchange(other.m_handle, 0);
        }
        return *this;
    }
    JavaRef(const JavaRef&) = delete;
    JavaRef& operator=(const JavaRef&) = delete;
    ~JavaRef() { reset(); }

    UINT64 get() const { return m_handle; }
    explicit operator bool() const { return m_handle != 0; }
    void reset() {
        if (m_jvm && m_handle) m_jvm->DeleteJavaObject(m_handle);
        m_handle = 0;
        m_jvm.reset();
    }

private:
    mv::com_ptr<IMvJavaCpp> m_jvm;
    UINT64 m_handle = 0;
};

}  // namespace mvjava
