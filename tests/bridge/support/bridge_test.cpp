#include "bridge_test.h"

#include "jvm/mv_java_cpp.h"

namespace mv::test {

void BridgeTest::SetUp() {
    JniTest::SetUp();
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, m_bridge.put_void()), S_OK);
    ASSERT_EQ(m_bridge->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()),
                                           reinterpret_cast<UINT64>(vm())),
              S_OK);
    m_liveAtStart = LiveGlobalReferences();
}

void BridgeTest::TearDown() {
    for (jobject o : m_owned) env()->DeleteGlobalRef(o);
    m_owned.clear();
    m_bridge.reset();
    ::CoUninitialize();
    JniTest::TearDown();
}

UINT64 BridgeTest::Handle(jobject object) {
    jobject global = env()->NewGlobalRef(object);
    EXPECT_NE(global, nullptr);
    m_owned.push_back(global);
    return static_cast<UINT64>(reinterpret_cast<std::uintptr_t>(global));
}

UINT64 BridgeTest::NewObjectHandle(const char* className) {
    LocalFrame frame(env(), 8);
    return Handle(NewDefault(className));
}

jobject BridgeTest::ObjectOf(UINT64 handle) {
    return reinterpret_cast<jobject>(static_cast<std::uintptr_t>(handle));
}

long long BridgeTest::LiveGlobalRefs() const { return LiveGlobalReferences() - m_liveAtStart - static_cast<long long>(m_owned.size()); }

ArgumentArray::ArgumentArray(std::vector<VARIANT> elements, LONG lowerBound) {
    ::VariantInit(&m_var);
    SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), lowerBound};
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
    if (!array) return;
    VARIANT* data = nullptr;
    if (SUCCEEDED(::SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) {
        for (std::size_t i = 0; i < elements.size(); ++i) data[i] = elements[i];  // takes ownership
        ::SafeArrayUnaccessData(array);
    }
    V_VT(&m_var) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&m_var) = array;
}

ArgumentArray::~ArgumentArray() { ::VariantClear(&m_var); }

}  // namespace mv::test
