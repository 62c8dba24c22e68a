#include "typelib_stub_cost.h"

#include <atomic>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "process_counters.h"

namespace mv::test {
namespace {

// Answers IJObject (and, for the stub's query only, the component interface, which shares its
// first methods); its members are never called.
class PlainObject final : public IJObject {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IJObject || iid == IID_IJAwtComponent) {
            *out = static_cast<IJObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetClass(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetJvmAndHandle(IDispatch**, UINT64*) override { return E_NOTIMPL; }
    ULONG refs() const { return m_refs; }

private:
    std::atomic<ULONG> m_refs{1};
};

// One object marshalled and its marshal data released: COM makes a stub and destroys it.
HRESULT MarshalAndRelease(REFIID iid, bool& released) {
    com_ptr<PlainObject> object;
    object.attach(new PlainObject);
    com_ptr<IStream> stream;
    HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (SUCCEEDED(hr)) hr = ::CoMarshalInterface(stream.get(), iid, static_cast<IJObject*>(object.get()), MSHCTX_LOCAL,
                                                 nullptr, MSHLFLAGS_NORMAL);
    if (SUCCEEDED(hr)) {
        const LARGE_INTEGER start{};
        hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
        if (SUCCEEDED(hr)) hr = ::CoReleaseMarshalData(stream.get());
    }
    released = object->refs() == 1;
    return hr;
}

}  // namespace

StubCost MeasureStubCost(REFIID iid, int count) {
    StubCost cost;
    const ProcessCounterReader self(::GetCurrentProcessId());
    bool released = true;
    for (int i = 0; i < count / 10; ++i) MarshalAndRelease(iid, released);  // first-use allocations
    const ProcessCounters before = self.Read();
    cost.objectsReleased = true;
    for (int i = 0; i < count; ++i) {
        const HRESULT hr = MarshalAndRelease(iid, released);
        cost.objectsReleased = cost.objectsReleased && released;
        if (FAILED(hr)) {
            cost.hr = hr;
            return cost;
        }
    }
    const ProcessCounters after = self.Read();
    cost.hr = before.ok && after.ok ? S_OK : E_FAIL;
    cost.bytesPerStub = (static_cast<double>(after.privateBytes) - static_cast<double>(before.privateBytes)) / count;
    return cost;
}

}  // namespace mv::test
