#include "test_observer.h"

#include <string>

#include "wine_path.h"

namespace mv::test {

STDMETHODIMP TestObserver::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ITestObserver) {
        *out = static_cast<ITestObserver*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP TestObserver::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP TestObserver::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (count != 1 || !names || !ids) return E_INVALIDARG;
    if (::lstrcmpiW(names[0], L"Ping") != 0) {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    ids[0] = 1;
    return S_OK;
}

STDMETHODIMP TestObserver::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    LONG value = 0;
    Ping(&value);
    if (result) {
        ::VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = value;
    }
    return S_OK;
}

STDMETHODIMP TestObserver::Ping(LONG* value) {
    if (!value) return E_POINTER;
    *value = 42;
    return S_OK;
}

namespace {
std::wstring LibraryPath() { return WindowsPathOfUnixPath(MV_TEST_OBSERVER_TLB); }
}  // namespace

TestObserverLibrary::TestObserverLibrary() {
    ITypeLib* lib = nullptr;
    m_hr = ::LoadTypeLibEx(LibraryPath().c_str(), REGKIND_REGISTER, &lib);
    if (lib) lib->Release();
}

TestObserverLibrary::~TestObserverLibrary() {
    if (SUCCEEDED(m_hr)) ::UnRegisterTypeLib(LIBID_MvTestObserverLib, 1, 0, 0, SYS_WIN64);
}

}  // namespace mv::test
