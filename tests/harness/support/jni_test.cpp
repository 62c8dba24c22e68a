#include "jni_test.h"

#include "jniproxy/mv_jni_proxy.h"
#include "jni_warnings.h"
#include "mv_java_jni.h"

namespace mv::test {

std::unique_ptr<JniServer> JniTest::s_server;

void JniTest::StartServer(const JniServerSettings& settings) { s_server = std::make_unique<JniServer>(settings); }
void JniTest::TearDownTestSuite() { s_server.reset(); }

void JniTest::SetUp() {
    ASSERT_TRUE(s_server && s_server->started()) << "JNI server: " << (s_server ? s_server->error() : "");
    m_outputMark = s_server->Output().size();
    m_reportMark = s_server->VmReports().size();
    MvJniProxy_ClearFaults();
    MvJniProxy_ClearTrace();
    MvJniProxy_ResetCounters();
    MvJavaJni_Reset();
    ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&m_env), nullptr), JNI_OK);
}

void JniTest::TearDown() {
    if (!s_server || !s_server->started()) return;
    JNIEnv* current = nullptr;
    if (vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6) == JNI_OK) {
        if (current->ExceptionCheck()) {
            ADD_FAILURE() << "the test left a Java exception pending";
            current->ExceptionClear();
        }
        vm()->DetachCurrentThread();
    }
    MvJniProxy_ClearFaults();
    // The report log from this test's mark on, read as written by whoever wrote at the mark.
    const std::string reports = s_server->VmReports();
    const std::size_t mark = m_reportMark <= reports.size() ? m_reportMark : 0;
    const std::size_t tag = reports.rfind("<writer thread='", mark);
    const std::string writer = tag == std::string::npos ? "" : reports.substr(tag, reports.find('\n', tag) - tag) + "\n";
    for (const std::string& warning : FindJniWarnings(writer + reports.substr(mark)))
        ADD_FAILURE() << "the JVM reported a JNI warning: " << warning << "\nJVM output:\n" << OutputOfThisTest();
}

std::string JniTest::OutputOfThisTest() const {
    std::string all = s_server->Output();
    return m_outputMark <= all.size() ? all.substr(m_outputMark) : all;
}

jclass JniTest::FindClass(const char* name) {
    jclass cls = m_env->FindClass(name);
    if (cls == nullptr) m_env->ExceptionClear(), ADD_FAILURE() << "class not found: " << name;
    return cls;
}

template <typename Id>
Id JniTest::Checked(Id id, const char* what, const char* name, const char* signature) {
    if (id == nullptr) m_env->ExceptionClear(), ADD_FAILURE() << what << " not found: " << name << " " << signature;
    return id;
}

jmethodID JniTest::MethodId(jclass cls, const char* name, const char* signature) {
    return Checked(m_env->GetMethodID(cls, name, signature), "method", name, signature);
}
jmethodID JniTest::StaticMethodId(jclass cls, const char* name, const char* signature) {
    return Checked(m_env->GetStaticMethodID(cls, name, signature), "static method", name, signature);
}
jfieldID JniTest::FieldId(jclass cls, const char* name, const char* signature) {
    return Checked(m_env->GetFieldID(cls, name, signature), "field", name, signature);
}
jfieldID JniTest::StaticFieldId(jclass cls, const char* name, const char* signature) {
    return Checked(m_env->GetStaticFieldID(cls, name, signature), "static field", name, signature);
}

jobject JniTest::NewDefault(const char* className) {
    jclass cls = FindClass(className);
    jmethodID init = cls ? MethodId(cls, "<init>", "()V") : nullptr;
    jobject object = init ? m_env->NewObject(cls, init) : nullptr;
    if (m_env->ExceptionCheck()) m_env->ExceptionClear(), ADD_FAILURE() << "the constructor of " << className << " threw";
    m_env->DeleteLocalRef(cls);
    return object;
}

bool JniTest::TakeException(const char* className) {
    jthrowable pending = m_env->ExceptionOccurred();
    if (pending == nullptr) return false;
    m_env->ExceptionClear();
    jclass expected = m_env->FindClass(className);
    const bool matches = expected != nullptr && m_env->IsInstanceOf(pending, expected);
    if (expected == nullptr) m_env->ExceptionClear();
    m_env->DeleteLocalRef(expected);
    m_env->DeleteLocalRef(pending);
    return matches;
}

long long LiveGlobalReferences() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return counters.globalRefsMade - counters.globalRefsDeleted;
}

std::string Utf(JNIEnv* env, jstring string) {
    const char* chars = string ? env->GetStringUTFChars(string, nullptr) : nullptr;
    const std::string text = !string ? "<null>" : chars ? chars : "<no chars>";
    if (chars) env->ReleaseStringUTFChars(string, chars);
    return text;
}

}  // namespace mv::test
