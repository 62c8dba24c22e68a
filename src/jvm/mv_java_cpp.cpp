#include "jvm/mv_java_cpp.h"

#include "bridge/handle_registry.h"

#include "common/jni/pointer_bits.h"
#include "module/type_info_records.h"

namespace mv {

const interface_entry* CMvJavaCpp::InterfaceTable() noexcept {
    static const interface_entry table[] = {
        plain_entry<CMvJavaCpp, IMvJavaCpp>(),
        plain_entry<CMvJavaCpp, IDispatch, IMvJavaCpp>(),
        forwarding_entry<CMvJavaCpp, IMarshal, &CMvJavaCpp::Marshaler>(),
        end_of_table(),
    };
    return table;
}

HRESULT CMvJavaCpp::FinalConstruct() noexcept {
    IUnknown* marshaler = nullptr;
    const HRESULT hr = ::CoCreateFreeThreadedMarshaler(GetControllingUnknown(), &marshaler);
    if (FAILED(hr)) return hr;
    m_pUnkMarshaler = marshaler;
    HoldRegisteredTypeLibrary();  // before any of this process's objects crosses to another process
    return S_OK;
}

CMvJavaCpp::~CMvJavaCpp() {
    if (IUnknown* marshaler = m_pUnkMarshaler) {
        m_pUnkMarshaler = nullptr;
        marshaler->Release();
    }
    if (m_hReadyEvent) ::CloseHandle(m_hReadyEvent);
    if (m_pObserver) m_pObserver->Release();
}

STDMETHODIMP CMvJavaCpp::JavaSaveRunningJVM(LONG processId, UINT64 javaVM) noexcept {
    if (static_cast<DWORD>(processId) != ::GetCurrentProcessId()) return E_FAIL;
    // Only the Java process's own code knows its JVM: a number from another process (which may
    // name this process's id) would be taken for one by every later operation.
    if (BridgeChecksOn() && OriginOfCall().other_process) return E_FAIL;
    // The 32-bit module keeps only the low 32 bits of the value.
    const auto pointer = static_cast<std::uintptr_t>(PointerFromCarrier(javaVM));
    m_javaVM.store(reinterpret_cast<JavaVM*>(pointer), std::memory_order_release);
    handle_registry::Instance().SetJavaVM(reinterpret_cast<JavaVM*>(pointer));
    return S_OK;
}

STDMETHODIMP CMvJavaCpp::GetJVMVersion(LONG* version) noexcept {
    if (!version) return E_POINTER;
    return RunJavaOperation([&](JNIEnv* env) -> HRESULT {
        *version = env->GetVersion();
        return S_OK;
    });
}

HRESULT CreateMvJavaCpp(REFIID iid, void** out) noexcept {
    return create_instance<CMvJavaCpp>(nullptr, iid, out);
}

}  // namespace mv
