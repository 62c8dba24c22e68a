#pragma once
// Public static methods of the sample applications (LoginApp.lastSignIn(), AwtApp.text(name)...)
// called through the bridge's generic members, which look a static member up in the class of an
// object: an instance made by the class's public constructor stands for the class.

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "variant_values.h"

namespace mv::test {

// A Java object handle owned by the test, deleted through the bridge.
class JavaHandle {
public:
    JavaHandle() = default;
    JavaHandle(IMvJavaCpp* jvm, UINT64 handle) : m_jvm(jvm), m_handle(handle) {}
    JavaHandle(JavaHandle&& other) noexcept { *this = std::move(other); }
    JavaHandle& operator=(JavaHandle&& other) noexcept {
        if (this != &other) reset(), m_jvm = std::move(other.m_jvm), m_handle = std::exchange(other.m_handle, 0);
        return *this;
    }
    ~JavaHandle() { reset(); }
    UINT64 get() const { return m_handle; }
    explicit operator bool() const { return m_handle != 0; }
    void reset() {
        if (m_jvm && m_handle) m_jvm->DeleteJavaObject(m_handle);
        m_handle = 0;
        m_jvm.reset();
    }

private:
    com_ptr<IMvJavaCpp> m_jvm;
    UINT64 m_handle = 0;
};

class JavaStatics {
public:
    JavaStatics(IMvJavaCpp* jvm, const std::wstring& className) : m_jvm(jvm) {  // dotted, e.g. L"samples.LoginApp"
        UINT64 instance = 0;
        if (SUCCEEDED(jvm->NewDefJavaObject(Bstr(className).get(), &instance))) m_instance = JavaHandle(jvm, instance);
    }
    bool loaded() const { return static_cast<bool>(m_instance); }
    // A method of String arguments that answers a String; nullopt for null or a failure.
    std::optional<std::wstring> CallString(const std::wstring& method, const std::vector<std::wstring>& args = {}) {
        std::vector<VARIANT> values;
        std::wstring signature = L"(";
        for (const std::wstring& arg : args) values.push_back(ArgBstr(arg.c_str())), signature += L"Ljava/lang/String;";
        unique_variant arguments;
        if (!values.empty()) MakeArgumentArray(arguments, std::move(values));
        UINT64 result = 0;
        unique_bstr text;
        if (FAILED(m_jvm->CallStaticObjectMethod(m_instance.get(), Bstr(method).get(),
                                                 Bstr(signature + L")Ljava/lang/String;").get(), arguments.get(), &result)))
            return std::nullopt;
        const JavaHandle string(m_jvm.get(), result);
        if (!string || FAILED(m_jvm->GetJavaString(string.get(), text.put()))) return std::nullopt;
        return std::wstring(text.view());
    }
    std::optional<LONG> CallInt(const std::wstring& method) {  // a ()I method
        LONG value = 0;
        if (FAILED(m_jvm->CallStaticIntMethod(m_instance.get(), Bstr(method).get(), Bstr(L"()I").get(),
                                              unique_variant().get(), &value)))
            return std::nullopt;
        return value;
    }
    HRESULT CallVoid(const std::wstring& method) {  // a ()V method
        return m_jvm->CallStaticVoidMethod(m_instance.get(), Bstr(method).get(), Bstr(L"()V").get(), unique_variant().get());
    }

private:
    com_ptr<IMvJavaCpp> m_jvm;
    JavaHandle m_instance;
};

}  // namespace mv::test
