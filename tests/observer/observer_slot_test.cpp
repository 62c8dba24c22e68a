// The observer slot of the main object: attaching, handing out, returning and detaching the
// agent's observer, and when the disconnection counts as complete.

#include <gtest/gtest.h>
#include <windows.h>

#include "common/com/com_ptr.h"
#include "jvm/mv_java_cpp.h"

namespace {

const IID kObserverIid = {0xB4E1C7A9, 0x3D52, 0x4F86, {0x9E, 0x0B, 0x6A, 0x2F, 0x8C, 0x15, 0xD3, 0xE7}};

// A stand-in for the agent's observer: IDispatch, and the observer interface when asked to.
class FakeObserver : public IDispatch {
public:
    explicit FakeObserver(bool isObserver) : m_isObserver(isObserver) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || (m_isObserver && iid == kObserverIid)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(::InterlockedDecrement(&m_refs)); }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    // References held by others (the test's own stack object keeps none).
    LONG refs() const { return m_refs; }

private:
    volatile LONG m_refs = 0;
    bool m_isObserver;
};

class ObserverSlot : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK); }
    bool Complete() {
        VARIANT_BOOL done = 7;
        EXPECT_EQ(m_obj->IsDisconnectObserverComplete(&done), S_OK);
        EXPECT_TRUE(done == VARIANT_TRUE || done == VARIANT_FALSE);
        return done == VARIANT_TRUE;
    }
    mv::com_ptr<IMvJavaCpp> m_obj;
};

TEST_F(ObserverSlot, ANewObjectHasNothingToHandOut) {
    EXPECT_TRUE(Complete());
    EXPECT_EQ(m_obj->DetachObserverObject(), E_FAIL);
    IDispatch* out = nullptr;
    EXPECT_EQ(m_obj->GetObserverObject(&out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(m_obj->IsDisconnectObserverComplete(nullptr), E_INVALIDARG);
}

TEST_F(ObserverSlot, DisconnectCompletesWhenEveryFetchedReferenceIsReturned) {
    FakeObserver observer(true);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(observer.refs(), 1) << "the slot holds one reference";
    IDispatch* a = nullptr;
    IDispatch* b = nullptr;
    ASSERT_EQ(m_obj->GetObserverObject(&a), S_OK);
    ASSERT_EQ(m_obj->GetObserverObject(&b), S_OK);
    EXPECT_EQ(a, static_cast<IDispatch*>(&observer));
    a->Release();
    b->Release();
    EXPECT_FALSE(Complete()) << "still attached";
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_EQ(observer.refs(), 0) << "detaching releases the slot's reference";
    EXPECT_FALSE(Complete()) << "two references not yet returned";
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_FALSE(Complete());
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_TRUE(Complete());
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK) << "more returns than fetches";
    EXPECT_TRUE(Complete()) << "the count does not go below zero";
}

TEST_F(ObserverSlot, AnAttachedObserverIsNeverComplete) {
    FakeObserver observer(true);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    IDispatch* a = nullptr;
    ASSERT_EQ(m_obj->GetObserverObject(&a), S_OK);
    a->Release();
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_FALSE(Complete());
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_TRUE(Complete());
}

TEST_F(ObserverSlot, ASecondObserverReplacesTheFirstAndEarlierFetchesStillCount) {
    FakeObserver first(true), second(true);
    ASSERT_EQ(m_obj->AttachObserverObject(&first), S_OK);
    IDispatch* a = nullptr;
    ASSERT_EQ(m_obj->GetObserverObject(&a), S_OK);
    a->Release();
    ASSERT_EQ(m_obj->AttachObserverObject(&second), S_OK);
    EXPECT_EQ(first.refs(), 0);
    EXPECT_EQ(second.refs(), 1);
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_FALSE(Complete()) << "the reference fetched from the first observer";
    m_obj->ReturnObserverObject();
    EXPECT_TRUE(Complete());
}

TEST_F(ObserverSlot, AnObjectWithoutTheObserverInterfaceEmptiesTheSlot) {
    FakeObserver observer(true), stranger(false);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(m_obj->AttachObserverObject(&stranger), E_NOINTERFACE);
    EXPECT_EQ(observer.refs(), 0);
    EXPECT_EQ(stranger.refs(), 0);
    EXPECT_EQ(m_obj->DetachObserverObject(), E_FAIL) << "the slot is empty";
    EXPECT_EQ(m_obj->AttachObserverObject(nullptr), E_INVALIDARG);
}

TEST_F(ObserverSlot, DestroyingTheObjectReleasesItsObserver) {
    FakeObserver observer(true);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    m_obj.reset();
    EXPECT_EQ(observer.refs(), 0);
}

}  // namespace
