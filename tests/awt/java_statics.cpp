#include "java_statics.h"

#include <utility>

#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/safearray.h"
#include "common/com/variant.h"
#include "variant_values.h"

namespace mv::test {
namespace {

JavaHandle CallObject(IMvJavaCpp* jvm, UINT64 object, const wchar_t* name, const wchar_t* signature,
                      std::vector<VARIANT> args = {}) {
    unique_variant arguments;
    if (!args.empty()) MakeArgumentArray(arguments, std::move(args));
    UINT64 result = 0;
    if (FAILED(jvm->CallObjectMethod(object, Bstr(name).get(), Bstr(signature).get(), arguments.get(), &result)))
        return {};
    return JavaHandle(jvm, result);
}

// The elements of a Java object array, each a handle of its own.
std::vector<JavaHandle> ArrayElements(IMvJavaCpp* jvm, UINT64 array) {
    unique_variant elements;
    std::vector<JavaHandle> handles;
    if (FAILED(jvm->GetJavaObjectArray(array, elements.put())) || !(elements.type() & VT_ARRAY)) return handles;
    SAFEARRAY* data = V_ARRAY(elements.get_mutable());
    const safearray_lock lock(data);
    if (!lock.ok()) return handles;
    for (ULONG i = 0; i < data->rgsabound[0].cElements; ++i)
        handles.emplace_back(jvm, (elements.type() & VT_TYPEMASK) == VT_UI8 ? static_cast<UINT64*>(lock.data())[i]
                                                                            : static_cast<ULONG*>(lock.data())[i]);
    return handles;
}

}  // namespace

JavaHandle& JavaHandle::operator=(JavaHandle&& other) noexcept {
    if (this != &other) {
        reset();
        m_jvm = std::move(other.m_jvm);
        m_handle = std::exchange(other.m_handle, 0);
    }
    return *this;
}

void JavaHandle::reset() {
    if (m_jvm && m_handle) m_jvm->DeleteJavaObject(m_handle);
    m_handle = 0;
    m_jvm.reset();
}

JavaStatics::JavaStatics(IMvJavaCpp* jvm, const std::wstring& className) : m_jvm(jvm) {
    UINT64 hook = 0;
    if (FAILED(jvm->GetMorvaneAWTHook(&hook)) || !hook) return;
    const JavaHandle hookObject(jvm, hook);
    const JavaHandle hookClass = CallObject(jvm, hookObject.get(), L"getClass", L"()Ljava/lang/Class;");
    const JavaHandle loader =
        hookClass ? CallObject(jvm, hookClass.get(), L"getClassLoader", L"()Ljava/lang/ClassLoader;") : JavaHandle();
    if (loader)
        m_class = CallObject(jvm, loader.get(), L"loadClass", L"(Ljava/lang/String;)Ljava/lang/Class;",
                             {ArgBstr(className.c_str())});
}

UINT64 JavaStatics::MethodNamed(const std::wstring& method) {
    if (m_methods.empty() && m_class) {
        const JavaHandle all = CallObject(m_jvm.get(), m_class.get(), L"getMethods", L"()[Ljava/lang/reflect/Method;");
        for (JavaHandle& m : ArrayElements(m_jvm.get(), all.get())) {
            unique_bstr name;
            if (SUCCEEDED(m_jvm->CallStringMethod(m.get(), Bstr(L"getName").get(), Bstr(L"()Ljava/lang/String;").get(),
                                                  unique_variant().get(), name.put())))
                m_methods.emplace(std::wstring(name.view()), std::move(m));
        }
    }
    const auto found = m_methods.find(method);
    return found == m_methods.end() ? 0 : found->second.get();
}

JavaHandle JavaStatics::Call(const std::wstring& method, const std::vector<std::wstring>& args) {
    const UINT64 reflected = MethodNamed(method);
    if (!reflected) return {};
    JavaHandle arguments;  // an Object[] of the Strings, built in an ArrayList
    if (!args.empty()) {
        UINT64 list = 0;
        if (FAILED(m_jvm->NewDefJavaObject(Bstr(L"java.util.ArrayList").get(), &list))) return {};
        const JavaHandle listObject(m_jvm.get(), list);
        for (const std::wstring& arg : args) {
            unique_variant element;
            MakeArgumentArray(element, {ArgBstr(arg.c_str())});
            VARIANT_BOOL added = VARIANT_FALSE;
            if (FAILED(m_jvm->CallBooleanMethod(list, Bstr(L"add").get(), Bstr(L"(Ljava/lang/Object;)Z").get(),
                                                element.get(), &added)))
                return {};
        }
        if (!(arguments = CallObject(m_jvm.get(), list, L"toArray", L"()[Ljava/lang/Object;"))) return {};
    }
    // Method.invoke(null, args): a static method needs no receiver; null args mean none.
    return CallObject(m_jvm.get(), reflected, L"invoke", L"(Ljava/lang/Object;[Ljava/lang/Object;)Ljava/lang/Object;",
                      {ArgUI8(0), ArgUI8(arguments.get())});
}

std::optional<std::wstring> JavaStatics::CallString(const std::wstring& method, const std::vector<std::wstring>& args) {
    const JavaHandle result = Call(method, args);
    unique_bstr text;
    if (!result || FAILED(m_jvm->GetJavaString(result.get(), text.put()))) return std::nullopt;
    return std::wstring(text.view());
}

std::optional<LONG> JavaStatics::CallInt(const std::wstring& method, const std::vector<std::wstring>& args) {
    const JavaHandle result = Call(method, args);
    LONG value = 0;
    if (!result || FAILED(m_jvm->CallIntMethod(result.get(), Bstr(L"intValue").get(), Bstr(L"()I").get(),
                                               unique_variant().get(), &value)))
        return std::nullopt;
    return value;
}

}  // namespace mv::test
