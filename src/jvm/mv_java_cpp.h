#pragma once
// CMvJavaCpp: the module's main object. It lives in a Java process, holds that process's
// JavaVM once the Java-side owner saves it, and runs every Java operation of IMvJavaCpp on the
// calling thread through a per-call CJavaVM attachment. Free-threaded: it aggregates the
// free-threaded marshaler, so its pointers cross apartments of its process without proxies.

#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <vector>

#include <jni.h>

#include "MvJavaJniComRot_h.h"
#include "bridge/bridge_call.h"
#include "bridge/java_handles.h"
#include "common/win/critical_section.h"
#include "jvm/java_vm_attachment.h"
#include "module/com_object.h"

namespace mv {

// One operation of the module made of many members of the main object (the component model's):
// it holds the calling thread's attachment, so that the members inside find the thread attached
// and neither attach nor detach it again, and marks their calls as the module's own.
class module_operation {
public:
    explicit module_operation(JavaVM* vm) noexcept : m_attachment(vm, false) {}
    JNIEnv* env() const noexcept { return m_attachment.env(); }

private:
    module_call_scope m_scope;
    CJavaVM m_attachment;
};

class CMvJavaCpp : public IMvJavaCpp, public com_object_base {
public:
    static const interface_entry* InterfaceTable() noexcept;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* dispids) noexcept override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept override;

    // IMvJavaCpp, in slot order
    STDMETHODIMP JavaAddToROT() noexcept override;
    STDMETHODIMP JavaRemoveFromROT() noexcept override;
    STDMETHODIMP JavaSaveRunningJVM(LONG processId, UINT64 javaVM) noexcept override;
    STDMETHODIMP GetJVMVersion(LONG *version) noexcept override;
    STDMETHODIMP AddAWTEventListener(LONG eventType) noexcept override;
    STDMETHODIMP RemoveAWTEventListener(LONG eventType) noexcept override;
    STDMETHODIMP AttachObserverObject(IDispatch *obsObject) noexcept override;
    STDMETHODIMP DetachObserverObject() noexcept override;
    STDMETHODIMP GetObserverObject(IDispatch **obsObject) noexcept override;
    STDMETHODIMP GetMorvaneAWTHook(UINT64 *hook) noexcept override;
    STDMETHODIMP NewDefJavaObject(BSTR className, UINT64 *hObject) noexcept override;
    STDMETHODIMP ObjectToString(UINT64 hjObject, BSTR *stringValue) noexcept override;
    STDMETHODIMP GetJavaClassName(UINT64 hjObject, BSTR *className) noexcept override;
    STDMETHODIMP DeleteJavaObject(UINT64 hjObject) noexcept override;
    STDMETHODIMP IsSameJavaObject(UINT64 hjObject1, UINT64 hjObject2, VARIANT_BOOL *b) noexcept override;
    STDMETHODIMP IsInstanceOf(UINT64 hjObject, BSTR className, VARIANT_BOOL *b) noexcept override;
    STDMETHODIMP NewJavaPrimitiveArray(JavaTypes type, LONG arraySize, UINT64 *hjArray) noexcept override;
    STDMETHODIMP SetJavaPrimitiveArray(UINT64 hjArray, JavaTypes type, VARIANT inArray) noexcept override;
    STDMETHODIMP GetJavaPrimitiveArray(UINT64 hjArray, JavaTypes type, VARIANT *outArray) noexcept override;
    STDMETHODIMP GetJavaObjectArray(UINT64 hjArray, VARIANT *outArray) noexcept override;
    STDMETHODIMP GetJavaArrayLength(UINT64 hjArray, LONG *size) noexcept override;
    STDMETHODIMP GetJavaString(UINT64 hjString, BSTR *value) noexcept override;
    STDMETHODIMP NewJavaString(BSTR value, UINT64 *hjString) noexcept override;
    STDMETHODIMP GetStaticBooleanField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL *value) noexcept override;
    STDMETHODIMP GetStaticByteField(UINT64 hjObject, BSTR fieldname, unsigned char *value) noexcept override;
    STDMETHODIMP GetStaticCharField(UINT64 hjObject, BSTR fieldname, unsigned short *value) noexcept override;
    STDMETHODIMP GetStaticShortField(UINT64 hjObject, BSTR fieldname, short *value) noexcept override;
    STDMETHODIMP GetStaticIntField(UINT64 hjObject, BSTR fieldname, LONG *value) noexcept override;
    STDMETHODIMP GetStaticLongField(UINT64 hjObject, BSTR fieldname, INT64 *value) noexcept override;
    STDMETHODIMP GetStaticFloatField(UINT64 hjObject, BSTR fieldname, float *value) noexcept override;
    STDMETHODIMP GetStaticDoubleField(UINT64 hjObject, BSTR fieldname, double *value) noexcept override;
    STDMETHODIMP GetStaticObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 *value) noexcept override;
    STDMETHODIMP SetStaticBoolenField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL value) noexcept override;
    STDMETHODIMP SetStaticByteField(UINT64 hjObject, BSTR fieldname, unsigned char value) noexcept override;
    STDMETHODIMP SetStaticCharField(UINT64 hjObject, BSTR fieldname, unsigned short value) noexcept override;
    STDMETHODIMP SetStaticShortField(UINT64 hjObject, BSTR fieldname, short value) noexcept override;
    STDMETHODIMP SetStaticIntField(UINT64 hjObject, BSTR fieldname, LONG value) noexcept override;
    STDMETHODIMP SetStaticLongField(UINT64 hjObject, BSTR fieldname, INT64 value) noexcept override;
    STDMETHODIMP SetStaticFloatField(UINT64 hjObject, BSTR fieldname, float value) noexcept override;
    STDMETHODIMP SetStaticDoubleField(UINT64 hjObject, BSTR fieldname, double value) noexcept override;
    STDMETHODIMP SetStaticObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 value) noexcept override;
    STDMETHODIMP GetBooleanField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL *value) noexcept override;
    STDMETHODIMP GetByteField(UINT64 hjObject, BSTR fieldname, unsigned char *value) noexcept override;
    STDMETHODIMP GetCharField(UINT64 hjObject, BSTR fieldname, unsigned short *value) noexcept override;
    STDMETHODIMP GetShortField(UINT64 hjObject, BSTR fieldname, short *value) noexcept override;
    STDMETHODIMP GetIntField(UINT64 hjObject, BSTR fieldname, LONG *value) noexcept override;
    STDMETHODIMP GetLongField(UINT64 hjObject, BSTR fieldname, INT64 *value) noexcept override;
    STDMETHODIMP GetFloatField(UINT64 hjObject, BSTR fieldname, float *value) noexcept override;
    STDMETHODIMP GetDoubleField(UINT64 hjObject, BSTR fieldname, double *value) noexcept override;
    STDMETHODIMP GetObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 *value) noexcept override;
    STDMETHODIMP SetBooleanField(UINT64 hjObject, BSTR fieldname, VARIANT_BOOL value) noexcept override;
    STDMETHODIMP SetByteField(UINT64 hjObject, BSTR fieldname, unsigned char value) noexcept override;
    STDMETHODIMP SetCharField(UINT64 hjObject, BSTR fieldname, unsigned short value) noexcept override;
    STDMETHODIMP SetShortField(UINT64 hjObject, BSTR fieldname, short value) noexcept override;
    STDMETHODIMP SetIntField(UINT64 hjObject, BSTR fieldname, LONG value) noexcept override;
    STDMETHODIMP SetLongField(UINT64 hjObject, BSTR fieldname, INT64 value) noexcept override;
    STDMETHODIMP SetFloatField(UINT64 hjObject, BSTR fieldname, float value) noexcept override;
    STDMETHODIMP SetDoubleField(UINT64 hjObject, BSTR fieldname, double value) noexcept override;
    STDMETHODIMP SetObjectField(UINT64 hjObject, BSTR fieldname, BSTR fieldsig, UINT64 value) noexcept override;
    STDMETHODIMP CallVoidMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray) noexcept override;
    STDMETHODIMP CallBooleanMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, VARIANT_BOOL *value) noexcept override;
    STDMETHODIMP CallByteMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned char *value) noexcept override;
    STDMETHODIMP CallCharMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned short *value) noexcept override;
    STDMETHODIMP CallShortMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, short *value) noexcept override;
    STDMETHODIMP CallIntMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, LONG *value) noexcept override;
    STDMETHODIMP CallLongMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, INT64 *value) noexcept override;
    STDMETHODIMP CallFloatMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, float *value) noexcept override;
    STDMETHODIMP CallDoubleMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, double *value) noexcept override;
    STDMETHODIMP CallObjectMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, UINT64 *value) noexcept override;
    STDMETHODIMP CallStaticVoidMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray) noexcept override;
    STDMETHODIMP CallStaticBooleanMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, VARIANT_BOOL *value) noexcept override;
    STDMETHODIMP CallStaticByteMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned char *value) noexcept override;
    STDMETHODIMP CallStaticCharMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned short *value) noexcept override;
    STDMETHODIMP CallStaticShortMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, short *value) noexcept override;
    STDMETHODIMP CallStaticIntMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, LONG *value) noexcept override;
    STDMETHODIMP CallStaticLongMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, INT64 *value) noexcept override;
    STDMETHODIMP CallStaticFloatMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, float *value) noexcept override;
    STDMETHODIMP CallStaticDoubleMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, double *value) noexcept override;
    STDMETHODIMP CallStaticObjectMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, UINT64 *value) noexcept override;
    STDMETHODIMP CallNonvirtualVoidMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray) noexcept override;
    STDMETHODIMP CallNonvirtualBooleanMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, VARIANT_BOOL *value) noexcept override;
    STDMETHODIMP CallNonvirtualByteMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned char *value) noexcept override;
    STDMETHODIMP CallNonvirtualCharMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, unsigned short *value) noexcept override;
    STDMETHODIMP CallNonvirtualShortMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, short *value) noexcept override;
    STDMETHODIMP CallNonvirtualIntMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, LONG *value) noexcept override;
    STDMETHODIMP CallNonvirtualLongMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, INT64 *value) noexcept override;
    STDMETHODIMP CallNonvirtualFloatMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, float *value) noexcept override;
    STDMETHODIMP CallNonvirtualDoubleMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, double *value) noexcept override;
    STDMETHODIMP CallNonvirtualObjectMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, UINT64 *value) noexcept override;
    STDMETHODIMP GetStaticStringField(UINT64 hjObject, BSTR fieldname, BSTR *value) noexcept override;
    STDMETHODIMP SetStaticStringField(UINT64 hjObject, BSTR fieldname, BSTR value) noexcept override;
    STDMETHODIMP GetStringField(UINT64 hjObject, BSTR fieldname, BSTR *value) noexcept override;
    STDMETHODIMP SetStringField(UINT64 hjObject, BSTR fieldname, BSTR value) noexcept override;
    STDMETHODIMP CallStringMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, BSTR *value) noexcept override;
    STDMETHODIMP CallStaticStringMethod(UINT64 hjObject, BSTR methodname, BSTR methodsig, VARIANT paramArray, BSTR *value) noexcept override;
    STDMETHODIMP CallNonvirtualStringMethod(UINT64 hjObject, BSTR superclass, BSTR methodname, BSTR methodsig, VARIANT paramArray, BSTR *value) noexcept override;
    STDMETHODIMP GetClassByName(BSTR bstrClassName, UINT64 *phObj) noexcept override;
    STDMETHODIMP NewGlobalRef(UINT64 hObj, UINT64 *phObj) noexcept override;
    STDMETHODIMP GetAllTopLevelComponents(SAFEARRAY **pRet) noexcept override;
    STDMETHODIMP MakeJComponentFromHandle(UINT64 hObj, IDispatch **pRet) noexcept override;
    STDMETHODIMP ReturnObserverObject() noexcept override;
    STDMETHODIMP IsDisconnectObserverComplete(VARIANT_BOOL *pbRet) noexcept override;
    STDMETHODIMP GetComponentFromHwnd(ULONG hHwnd, GetHWNDResultInfo *pInfo, IDispatch **ppRet) noexcept override;

    // An operation of the module made of many members of this object; no attachment without a
    // saved JavaVM.
    module_operation HoldAttachment() const noexcept { return module_operation(SavedJavaVM()); }

    // Runs `work(JNIEnv*)` as a Java operation: E_INVALIDARG, before anything else, when the call
    // names a handle in `handles` or `more` that it may not pass to the JVM (bridge_call.h); E_FAIL
    // without a saved JavaVM or without an environment for this thread; the attachment ends on
    // every way out and no exception leaves. `work` returns the operation's HRESULT.
    template <typename Work>
    HRESULT RunJavaOperation(std::initializer_list<UINT64> handles, const std::vector<jobject>& more,
                             Work&& work) noexcept {
        const bridge_call call;
        for (UINT64 handle : handles)
            if (!call.Admits(HandleToJObject(handle))) return E_INVALIDARG;
        for (jobject ref : more)
            if (!call.Admits(ref)) return E_INVALIDARG;
        JavaVM* vm = SavedJavaVM();
        if (!vm) return E_FAIL;
        return guard_hresult([&]() -> HRESULT {
            CJavaVM attachment(vm);
            if (!attachment.env()) return E_FAIL;
            return work(attachment.env());
        });
    }
    template <typename Work>
    HRESULT RunJavaOperation(std::initializer_list<UINT64> handles, Work&& work) noexcept {
        return RunJavaOperation(handles, {}, work);
    }
    template <typename Work>
    HRESULT RunJavaOperation(Work&& work) noexcept {
        return RunJavaOperation({}, {}, work);
    }

protected:
    CMvJavaCpp() = default;
    ~CMvJavaCpp() override;
    HRESULT FinalConstruct() noexcept override;

    // The saved JavaVM, or null while none was saved.
    JavaVM* SavedJavaVM() const noexcept { return m_javaVM.load(std::memory_order_acquire); }

private:
    IUnknown* Marshaler() const noexcept { return m_pUnkMarshaler; }
    // Creates (or opens) the ready event named after this process's moniker and sets it.
    void CreateReadyEvent() noexcept;

    IUnknown* m_pUnkMarshaler = nullptr;     // the aggregated free-threaded marshaler
    critical_section m_csLock;               // guards the ROT cookie, ready event and observer
    DWORD m_dwRotCookie = 0;                 // 0: not registered in the Running Object Table
    std::atomic<JavaVM*> m_javaVM{nullptr};  // the process's JVM; null: none saved
    IUnknown* m_pObserver = nullptr;         // the observer slot (the agent's observer interface)
    volatile LONG m_lObserverRefs = 0;       // observer references handed out, not yet returned
    HANDLE m_hReadyEvent = nullptr;          // set once registered in the Running Object Table
};

// Creates a stand-alone main object and answers `iid` on it.
HRESULT CreateMvJavaCpp(REFIID iid, void** out) noexcept;

}  // namespace mv
