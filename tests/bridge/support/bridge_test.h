#pragma once
// GoogleTest fixture for the generic Java members of the main object, against a real JVM
// (JniTest: one JNI server per suite, -Xcheck:jni, a test fails on any JNI warning).
//
// The test's thread stays attached for the test, so the bridge runs on that attachment: local
// references a member fails to delete stay on the thread, and a member called in a loop then
// shows the leak as a -Xcheck:jni warning ("JNI local refs ... exceeds capacity").

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "jni_test.h"
#include "variant_values.h"

namespace mv::test {

class BridgeTest : public JniTest {
protected:
    void SetUp() override;
    void TearDown() override;

    IMvJavaCpp* bridge() const { return m_bridge.get(); }

    // A handle owned by the test (a new global reference to `object`); deleted in TearDown.
    UINT64 Handle(jobject object);
    // A handle to a new object of `className` (slash form) made by its no-argument constructor.
    UINT64 NewObjectHandle(const char* className);
    // The object a handle stands for (no new reference).
    static jobject ObjectOf(UINT64 handle);

    // Global references made and not yet deleted through the proxy since SetUp.
    long long LiveGlobalRefs() const;

private:
    com_ptr<IMvJavaCpp> m_bridge;
    std::vector<jobject> m_owned;
    long long m_liveAtStart = 0;
};

// Builds a VT_ARRAY|VT_VARIANT argument array (lower bound 0 unless given).
class ArgumentArray {
public:
    explicit ArgumentArray(std::vector<VARIANT> elements, LONG lowerBound = 0);
    ~ArgumentArray();
    ArgumentArray(const ArgumentArray&) = delete;
    ArgumentArray& operator=(const ArgumentArray&) = delete;
    // The VARIANT to pass as paramArray (owned by this object).
    const VARIANT& get() const { return m_var; }

private:
    VARIANT m_var;
};

}  // namespace mv::test
