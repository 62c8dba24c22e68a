#include "bridge/java_strings.h"

#include <cwchar>

#include "common/jni/string_chars.h"

namespace mv {

utf8_name::utf8_name(BSTR text) : m_null(text == nullptr) {
    if (m_null) return;
    // Code page 65001: standard UTF-8 (a character outside the BMP is one four-byte sequence),
    // not JNI's modified form. -1: up to and including the first NUL.
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return;
    m_utf8.resize(static_cast<std::size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, m_utf8.data(), size, nullptr, nullptr);
    m_utf8.resize(static_cast<std::size_t>(size - 1));
}

std::wstring ToJniClassName(BSTR className) {
    std::wstring name = className ? std::wstring(className, LengthBeforeNul(className)) : std::wstring();
    for (wchar_t& c : name)
        if (c == L'.') c = L'/';
    return name;
}

jsize LengthBeforeNul(BSTR text) noexcept {
    return text ? static_cast<jsize>(std::wcslen(text)) : 0;
}

jstring NewJavaString(JNIEnv* env, BSTR text) noexcept {
    static const jchar empty = 0;
    const jchar* units = text ? reinterpret_cast<const jchar*>(text) : &empty;
    return env->NewString(units, LengthBeforeNul(text));
}

bool JavaStringToBstr(JNIEnv* env, jstring s, std::wstring& text) {
    const string_chars chars(env, s);
    if (!chars) return false;
    const jsize length = env->GetStringLength(s);
    const auto* units = reinterpret_cast<const wchar_t*>(chars.get());
    // The automation string ends at the first NUL of the Java string.
    std::size_t n = 0;
    while (n < static_cast<std::size_t>(length) && units[n] != L'\0') ++n;
    text.assign(units, n);
    return true;
}

}  // namespace mv
