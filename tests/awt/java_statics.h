#pragma once
// Public static methods of the sample applications (LoginApp.lastSignIn(), AwtApp.text(name)...)
// called through the bridge's generic members only. The bridge looks a static method up in the
// run-time class of an object and these classes have no instances, so the calls go through
// reflection: the class is loaded by the hook object's (the application's) class loader and its
// public methods run by Method.invoke with an Object[] of the String arguments.

#include <windows.h>

#include <map>
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
    JavaHandle& operator=(JavaHandle&& other) noexcept;
    JavaHandle(const JavaHandle&) = delete;
    JavaHandle& operator=(const JavaHandle&) = delete;
    ~JavaHandle() { reset(); }
    UINT64 get() const { return m_handle; }
    explicit operator bool() const { return m_handle != 0; }
    void reset();

private:
    com_ptr<IMvJavaCpp> m_jvm;
    UINT64 m_handle = 0;
};

class JavaStatics {
public:
    JavaStatics(IMvJavaCpp* jvm, const std::wstring& className);  // dotted, e.g. L"samples.LoginApp"
    bool loaded() const { return static_cast<bool>(m_class); }
    // The result's handle (empty for a null result, a failure or a Java exception).
    JavaHandle Call(const std::wstring& method, const std::vector<std::wstring>& args = {});
    // For methods that answer a String / an Integer; nullopt for null or failure.
    std::optional<std::wstring> CallString(const std::wstring& method, const std::vector<std::wstring>& args = {});
    std::optional<LONG> CallInt(const std::wstring& method, const std::vector<std::wstring>& args = {});

private:
    UINT64 MethodNamed(const std::wstring& method);
    com_ptr<IMvJavaCpp> m_jvm;
    JavaHandle m_class;
    std::map<std::wstring, JavaHandle> m_methods;
};

}  // namespace mv::test
