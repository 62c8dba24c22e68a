#pragma once
// The UTF-16 characters of a Java string, held with GetStringChars and given back with
// ReleaseStringChars when the owner ends.

#include <jni.h>

namespace mv {

class string_chars {
public:
    string_chars(JNIEnv* env, jstring s) noexcept
        : m_env(env), m_string(s), m_chars(env->GetStringChars(s, nullptr)) {}
    string_chars(const string_chars&) = delete;
    string_chars& operator=(const string_chars&) = delete;
    ~string_chars() {
        if (m_chars) m_env->ReleaseStringChars(m_string, m_chars);
    }

    // Null when the characters could not be had (the JVM then has an error pending).
    const jchar* get() const noexcept { return m_chars; }
    explicit operator bool() const noexcept { return m_chars != nullptr; }

private:
    JNIEnv* m_env;
    jstring m_string;
    const jchar* m_chars;
};

}  // namespace mv
