#pragma once
// Public static methods of the sample applications (LoginApp.lastSignIn(), AwtApp.text(name)...)
// called from the client through the bridge's generic members only. A static call in the bridge
// looks the method up in the run-time class of an object, and these classes have no instances,
// so the calls go through Java reflection: the class is loaded by the class loader of the hook
// object (the application's loader), its public methods are listed once, and Method.invoke runs
// them with an Object[] of the arguments.

#include <windows.h>

#include <map>
#include <optional>
#include <string>
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
    JavaHandle(JavaHandle&& other) noexcept;
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
    // `className` in dotted form, e.g. L"samples.LoginApp".
    JavaStatics(IMvJavaCpp* jvm, const std::wstring& className);
    bool loaded() const { return static_cast<bool>(m_class); }

    // The result of a static method with String arguments: its handle (null result, failure or
    // a Java exception: an empty handle).
    JavaHandle Call(const std::wstring& method, const std::vector<std::wstring>& args = {});
    // The same for methods that answer a String / an int; nullopt for null or failure.
    std::optional<std::wstring> CallString(const std::wstring& method, const std::vector<std::wstring>& args = {});
    std::optional<LONG> CallInt(const std::wstring& method, const std::vector<std::wstring>& args = {});

private:
    UINT64 MethodNamed(const std::wstring& method);
    JavaHandle ArgumentArray(const std::vector<std::wstring>& args);

    com_ptr<IMvJavaCpp> m_jvm;
    JavaHandle m_class;
    std::map<std::wstring, JavaHandle> m_methods;
};

}  // namespace mv::test
