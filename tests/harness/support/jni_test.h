#pragma once
// A real JVM for a test: one JNI server per suite (-Xcheck:jni), the test's thread attached for the
// test, which fails when the JVM reported a JNI warning meanwhile or it left an exception pending.

#include <gtest/gtest.h>
#include <jni.h>

#include <memory>
#include <string>

#include "jni_server.h"

namespace mv::test {

class JniTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartServer({}); }
    static void TearDownTestSuite();
    // For a suite whose JVM needs more (class path, options): its own SetUpTestSuite calls this.
    static void StartServer(const JniServerSettings& settings);
    void SetUp() override;
    void TearDown() override;

    JavaVM* vm() const { return s_server->vm(); }
    JNIEnv* env() const { return m_env; }  // attached in SetUp, detached in TearDown
    std::string OutputOfThisTest() const;  // what the JVM printed since this test began

    // Lookups that add a test failure (and clear the Java error) when the JVM finds nothing.
    jclass FindClass(const char* name);
    jmethodID MethodId(jclass cls, const char* name, const char* signature);
    jmethodID StaticMethodId(jclass cls, const char* name, const char* signature);
    jfieldID FieldId(jclass cls, const char* name, const char* signature);
    jfieldID StaticFieldId(jclass cls, const char* name, const char* signature);
    jobject NewDefault(const char* className);  // made by its ()V constructor, a local reference
    // True and cleared when a Java exception of `className` is pending (also the exception check
    // that -Xcheck:jni requires after a call).
    bool TakeException(const char* className);
    bool NoException() { return !m_env->ExceptionCheck(); }

private:
    template <typename Id>
    Id Checked(Id id, const char* what, const char* name, const char* signature);
    static std::unique_ptr<JniServer> s_server;
    std::size_t m_outputMark = 0;
    std::size_t m_reportMark = 0;
    JNIEnv* m_env = nullptr;
};

// A local frame for a block of test code, so that it may make local references freely.
class LocalFrame {
public:
    LocalFrame(JNIEnv* env, jint capacity) : m_env(env), m_pushed(env->PushLocalFrame(capacity) == JNI_OK) {}
    ~LocalFrame() { if (m_pushed) m_env->PopLocalFrame(nullptr); }
    LocalFrame(const LocalFrame&) = delete;
    LocalFrame& operator=(const LocalFrame&) = delete;

private:
    JNIEnv* m_env;
    bool m_pushed;
};

// JNI global references made through the harness proxy in this process and not yet deleted.
long long LiveGlobalReferences();

// The text of a Java string read through GetStringUTFChars (modified UTF-8), "<null>" for null.
std::string Utf(JNIEnv* env, jstring string);

}  // namespace mv::test
