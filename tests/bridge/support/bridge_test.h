#pragma once
// Fixture for the main object's generic Java members against a real JVM (JniTest: -Xcheck:jni, a
// test fails on any JNI warning). The bridge runs on the test thread's attachment, so a local
// reference a member fails to delete stays there, and the JVM reports it once the frame overflows.
#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"
#include "jvm/mv_java_cpp.h"
#include "variant_values.h"

namespace mv::test {

// Every object reference this process sees moves by `offset` for the scope (the JNI proxy's offset):
// references beyond 32 bits, or with the high bit set in a 32-bit process. Handles made by the
// fixture (Handle) must not cross its bounds.
struct ShiftedReferences {
    explicit ShiftedReferences(unsigned long long offset) { MvJniProxy_SetReferenceOffset(offset); }
    ~ShiftedReferences() { MvJniProxy_SetReferenceOffset(0); }
    ShiftedReferences(const ShiftedReferences&) = delete;
    ShiftedReferences& operator=(const ShiftedReferences&) = delete;
};

// The object a handle stands for (no new reference).
inline jobject ObjectOf(UINT64 handle) { return reinterpret_cast<jobject>(static_cast<std::uintptr_t>(handle)); }

class BridgeTest : public JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, m_bridge.put_void()), S_OK);
        const auto pid = static_cast<LONG>(::GetCurrentProcessId());
        ASSERT_EQ(m_bridge->JavaSaveRunningJVM(pid, reinterpret_cast<UINT64>(vm())), S_OK);
        m_liveAtStart = LiveGlobalReferences();
    }
    void TearDown() override {
        for (jobject o : m_owned) env()->DeleteGlobalRef(o);
        m_owned.clear();
        m_bridge.reset();
        ::CoUninitialize();
        JniTest::TearDown();
    }
    IMvJavaCpp* bridge() const { return m_bridge.get(); }
    UINT64 Handle(jobject object) {  // a new global reference owned by the test, deleted in TearDown
        jobject global = env()->NewGlobalRef(object);
        EXPECT_NE(global, nullptr);
        m_owned.push_back(global);
        return static_cast<UINT64>(reinterpret_cast<std::uintptr_t>(global));
    }
    UINT64 NewObjectHandle(const char* className) {  // the same for a new object by its ()V constructor
        LocalFrame frame(env(), 8);
        return Handle(NewDefault(className));
    }
    long long LiveGlobalRefs() const {  // global references made and not deleted since SetUp, the test's own left out
        return LiveGlobalReferences() - m_liveAtStart - static_cast<long long>(m_owned.size());
    }

private:
    com_ptr<IMvJavaCpp> m_bridge;
    std::vector<jobject> m_owned;
    long long m_liveAtStart = 0;
};

}  // namespace mv::test
