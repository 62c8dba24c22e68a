#pragma once
// An observer object of the test's own (IDispatch and the observer interface), and the
// registration of the type library that lets COM marshal it to other processes.

#include <windows.h>
#include <oaidl.h>

#include "test_observer_h.h"

namespace mv::test {

// Answers Ping with 42, by vtable and by name; counts its references.
class TestObserver : public ITestObserver {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(::InterlockedDecrement(&m_refs)); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override;
    STDMETHODIMP Ping(LONG* value) override;

    LONG refs() const { return m_refs; }

private:
    volatile LONG m_refs = 0;  // lives on the test's stack; counts only what others hold
};

// Registers the test observer's type library for the life of the object.
class TestObserverLibrary {
public:
    TestObserverLibrary();
    ~TestObserverLibrary();
    TestObserverLibrary(const TestObserverLibrary&) = delete;
    TestObserverLibrary& operator=(const TestObserverLibrary&) = delete;
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr = E_FAIL;
};

}  // namespace mv::test
