#pragma once
// Owners of JNI references made inside one operation on one thread. Move-only and with no
// default constructor: an owner always knows the environment that made its reference.

#include <jni.h>

#include <utility>

namespace mv {

// A local reference, deleted with DeleteLocalRef when the owner ends. DeleteLocalRef is one of
// the JNI functions allowed while an exception is pending, so failure paths may end owners.
template <typename T = jobject>
class local_ref {
public:
    local_ref(JNIEnv* env, T ref) noexcept : m_env(env), m_ref(ref) {}
    local_ref(local_ref&& other) noexcept : m_env(other.m_env), m_ref(std::exchange(other.m_ref, nullptr)) {}
    local_ref& operator=(local_ref&& other) noexcept {
        if (this != &other) {
            reset();
            m_env = other.m_env;
            m_ref = std::exchange(other.m_ref, nullptr);
        }
        return *this;
    }
    local_ref(const local_ref&) = delete;
    local_ref& operator=(const local_ref&) = delete;
    ~local_ref() { reset(); }

    T get() const noexcept { return m_ref; }
    explicit operator bool() const noexcept { return m_ref != nullptr; }
    // Gives the reference up without deleting it.
    T release() noexcept { return std::exchange(m_ref, nullptr); }
    void reset() noexcept {
        if (T ref = std::exchange(m_ref, nullptr)) m_env->DeleteLocalRef(ref);
    }

private:
    JNIEnv* m_env;
    T m_ref;
};

// A global reference owned for a scope (one the operation makes for itself and drops again).
class scoped_global_ref {
public:
    scoped_global_ref(JNIEnv* env, jobject ref) noexcept : m_env(env), m_ref(ref) {}
    scoped_global_ref(const scoped_global_ref&) = delete;
    scoped_global_ref& operator=(const scoped_global_ref&) = delete;
    ~scoped_global_ref() {
        if (m_ref) m_env->DeleteGlobalRef(m_ref);
    }

    jobject get() const noexcept { return m_ref; }
    explicit operator bool() const noexcept { return m_ref != nullptr; }
    // Hands the reference to the caller (a client that will own it).
    jobject release() noexcept { return std::exchange(m_ref, nullptr); }

private:
    JNIEnv* m_env;
    jobject m_ref;
};

}  // namespace mv
