#include "awt/java_object_ref.h"

#include <utility>

#include "awt/java_calls.h"

namespace mv {
namespace {
constexpr java_method kGetTitle{L"getTitle", L"()Ljava/lang/String;"};
}  // namespace

CJObjectRef::CJObjectRef(IMvJavaCpp* bridge, UINT64 handle) noexcept : m_pBridge(bridge), m_hObj(handle) {
    if (m_pBridge) m_pBridge->AddRef();
}

CJObjectRef::~CJObjectRef() {
    if (m_pBridge && m_hObj != 0) m_pBridge->DeleteJavaObject(std::exchange(m_hObj, 0));
    if (m_pBridge) m_pBridge->Release();
}

UINT64 CJObjectRef::ReleaseHandle() noexcept { return std::exchange(m_hObj, 0); }

LONG CJObjectRef::IntField(const wchar_t* name) const noexcept {
    if (!m_pBridge || m_hObj == 0) return 0;
    LONG value = 0;
    return SUCCEEDED(GetJavaIntField(m_pBridge, m_hObj, name, &value)) ? value : 0;
}

HRESULT CJObjectRef::GetTitle(BSTR* title) noexcept {
    if (!m_pBridge || m_hObj == 0) {
        m_status = E_FAIL;
    } else {
        m_status = CallJava(m_pBridge, &IMvJavaCpp::CallStringMethod, m_hObj, kGetTitle, NoArguments(), title);
    }
    return m_status;
}

}  // namespace mv
