#pragma once
// Text between automation and Java: names and signatures for JNI lookups (standard UTF-8 of
// the text before the first NUL), Java strings made from BSTRs (UTF-16 units before the first
// NUL) and read back into text (cut at the first NUL).

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <jni.h>

namespace mv {

// A name or signature converted for a JNI lookup. A null BSTR gives a null pointer.
class utf8_name {
public:
    explicit utf8_name(BSTR text);
    const char* get() const noexcept { return m_null ? nullptr : m_utf8.c_str(); }

private:
    std::string m_utf8;
    bool m_null;
};

// The class name with every '.' replaced by '/' (a null BSTR gives an empty name).
std::wstring ToJniClassName(BSTR className);

// The number of UTF-16 units before the first NUL (0 for a null BSTR).
jsize LengthBeforeNul(BSTR text) noexcept;

// A new Java string (local reference) of the units before the first NUL; null when the JVM
// could not make it (its error is then pending).
jstring NewJavaString(JNIEnv* env, BSTR text) noexcept;

// Reads a Java string: false when its characters cannot be had. The text ends at the first
// NUL, as a BSTR made from it with SysAllocString would.
bool JavaStringToBstr(JNIEnv* env, jstring s, std::wstring& text);

}  // namespace mv
