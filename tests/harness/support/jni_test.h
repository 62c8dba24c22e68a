#pragma once
// GoogleTest fixture for tests that need a real JVM: one JNI server per test suite (fixtures jar
// on the class path, -Xcheck:jni), the test's thread attached for each test, and a test fails
// when the JVM reported a JNI warning while it ran (see FindJniWarnings) or left one pending.

#include <gtest/gtest.h>
#include <jni.h>

#include <memory>
#include <string>
#include <vector>

#include "jni_server.h"

namespace mv::test {

class JniTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // For a suite whose JVM needs more (class path, options, a main class): its own
    // SetUpTestSuite calls this instead.
    static void StartServer(const JniServerSettings& settings);
    void SetUp() override;
    void TearDown() override;

    static JniServer& server() { return *s_server; }
    JavaVM* vm() const { return server().vm(); }
    // The environment of the test's thread, attached in SetUp and detached in TearDown.
    JNIEnv* env() const { return m_env; }

    // JVM output printed since this test began, and the JNI warnings the JVM reported since.
    std::string OutputOfThisTest() const;
    std::vector<std::string> JniWarningsOfThisTest() const;

    // Lookups that add a test failure (and clear the Java error) when the JVM finds nothing.
    jclass FindClass(const char* name);
    jmethodID MethodId(jclass cls, const char* name, const char* signature);
    jmethodID StaticMethodId(jclass cls, const char* name, const char* signature);
    jfieldID FieldId(jclass cls, const char* name, const char* signature);
    jfieldID StaticFieldId(jclass cls, const char* name, const char* signature);
    // A new object of `className` made by its no-argument constructor (a local reference).
    jobject NewDefault(const char* className);
    // True and cleared when a Java exception of `className` is pending; the check itself is the
    // exception check that -Xcheck:jni requires after a call.
    bool TakeException(const char* className);
    // ExceptionCheck, for use right after calls that must not throw.
    bool NoException() { return !m_env->ExceptionCheck(); }

private:
    template <typename Id>
    Id Checked(Id id, const char* what, const char* name, const char* signature);
    static std::unique_ptr<JniServer> s_server;
    std::size_t m_outputMark = 0;
    std::size_t m_reportMark = 0;
    JNIEnv* m_env = nullptr;
};

// Pushes a local frame for a block of test code and pops it at the end, so that tests may make
// local references freely without exceeding the JVM's planned capacity.
class LocalFrame {
public:
    LocalFrame(JNIEnv* env, jint capacity) : m_env(env), m_pushed(env->PushLocalFrame(capacity) == JNI_OK) {}
    ~LocalFrame() {
        if (m_pushed) m_env->PopLocalFrame(nullptr);
    }
    LocalFrame(const LocalFrame&) = delete;
    LocalFrame& operator=(const LocalFrame&) = delete;
    bool pushed() const { return m_pushed; }

private:
    JNIEnv* m_env;
    bool m_pushed;
};

// JNI global references made through the harness proxy in this process and not yet deleted.
long long LiveGlobalReferences();

// The text of a Java string read through GetStringUTFChars (modified UTF-8), "<null>" for null.
std::string Utf(JNIEnv* env, jstring string);

}  // namespace mv::test
